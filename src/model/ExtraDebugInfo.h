// The iterator over one blob of the compiler's extra debug-information records: reads
// the records one by one, skips hidden ones, descends into COMMON blocks, counts the
// children a blob describes and finds a record by name.
//
// The blob comes from the debuggee and is not trusted: every word, text and section is
// checked against the bytes left, and a record cut short or malformed ends the walk.
// Counted with a plain counter (1 when made); nothing here throws.
#pragma once

#include <memory>

#include "model/ExtraInfo.h"
#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

class ExpressionContext;

class ExtraDebugInfo {
public:
    int32_t Counter;
    int32_t CachedCount; // -1 until counted
    const char* Data;    // the record bytes
    int32_t Length;
    const char* BufPtr; // read cursor
    int32_t LenLeft;    // bytes after BufPtr
    // Evaluates the names that records refer to (bounds, hidden lengths, storage).
    orvel::ComPtr<ExpressionContext> Cxt;
    orvel::ComPtr<ExtraDebugInfo> Members; // the COMMON block being walked, or none
    DebuggeeAddress MembersBase;           // that block's base address
    bool Busy;                             // a walk is under way on this cursor
    bool OwnsData;                         // Data is a private copy

    // An iterator over Length bytes, reset. With Copy the bytes are copied and owned;
    // else they are the caller's and must outlive the iterator. Null when out of memory,
    // when Length is negative, or without a context (assertion "Ctx").
    static ExtraDebugInfo* Create(const void* Bytes, int32_t Length, ExpressionContext* Cxt,
                                  bool Copy);

    ExtraDebugInfo(const ExtraDebugInfo&) = delete;
    ExtraDebugInfo& operator=(const ExtraDebugInfo&) = delete;

    // Reads the record at *BufPtr into Ex (cleared first) and advances the cursor. False
    // at the end (fewer than 6 bytes left) or when the record cannot be read. LookingFor
    // is the name a search wants, or null; CountOnly is set while counting, and then no
    // name is evaluated.
    bool Next(const char** BufPtr, int32_t& LenLeft, ExtraInfo& Ex, const char* LookingFor,
              bool CountOnly);
    // The walk: the next record to show, with COMMON blocks replaced by their members
    // unless KeepCommons is set, and hidden records skipped unless IncludeHidden is set.
    bool Next(ExtraInfo& Ex, bool IncludeHidden, bool KeepCommons, const char* LookingFor);
    void Reset();
    // The number of children the blob describes; computed once.
    int32_t Count(bool IncludeHidden);
    // The record whose Name equals Name regardless of case.
    bool Find(const char* Name, ExtraInfo& Ex);
    bool Find(const OLECHAR* Name, ExtraInfo& Ex);

    int32_t AddRef();
    int32_t Release();

private:
    ExtraDebugInfo();
    ~ExtraDebugInfo();

    bool FindHere(const char* Name, ExtraInfo& Ex);
    // Starts the walk over the members of the COMMON block Ex; leaves none when the
    // block has no debug information.
    void EnterCommon(const ExtraInfo& Ex);

    std::unique_ptr<char[]> m_copy; // the owned bytes (OwnsData)
    // Set on the iterator over a COMMON block's members: it does not descend again.
    bool m_memberWalk;
};
