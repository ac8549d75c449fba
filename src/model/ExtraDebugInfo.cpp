#include "model/ExtraDebugInfo.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "model/ContextDebugInfo.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/LiveCounts.h"
#include "model/ModelAssert.h"
#include "platform/CodePage.h"
#include "platform/ProcessMemory.h"
#include "platform/TraceSink.h"

namespace {

// Bits of a record's flag word.
enum RecordFlag : uint32_t {
    FlagArray = 0x0001,
    FlagPointer = 0x0002,
    FlagAllocatable = 0x0004,
    FlagStatic = 0x0008,
    FlagCommon = 0x0010,
    FlagAddress = 0x0020,
    FlagLocal = 0x0040,
    FlagConst = 0x0080,
    FlagModule = 0x0100,
    FlagArgument = 0x0200,
    FlagHidden = 0x0400,
    FlagDecorated = 0x0800,
    FlagOfPrefix = 0x2000,
    FlagDecoratedToo = 0x4000,
};

// The type word that announces a type given by name rather than by number.
constexpr uint32_t NamedTypeWord = 0xFFFFFC09;
// Fewer bytes than this left in a blob is its end.
constexpr int32_t MinRecordBytes = 6;
// Record reads in progress on this thread: reading a record can look a variable up,
// which can read records again. Per thread, as evaluators on other threads read their
// own records at the same time.
constexpr int MaxNesting = 10;
thread_local int g_nesting = 0;

// Kind codes of the records, as the compiler numbers them.
const ElementType kKindOfCode[] = {
    integer_1,  logical_1,  integer_2, logical_2,   integer_4, logical_4, void_0,    void_0,
    void_0,     object_4,   real_4,    real_8,      real_10,   void_0,    structure, enumeration,
    pointer_4,  array,      void_0,    reference_4, void_0,    void_0,    void_0,    complex_8,
    complex_16, complex_20, string,    void_0,      string,    array,
};
static_assert(std::size(kKindOfCode) == 30, "one kind per code 0 to 29");

ElementType KindOfCode(uint32_t code) {
    return code < std::size(kKindOfCode) ? kKindOfCode[code] : void_0;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (UpperAscii(*a) != UpperAscii(*b)) return false;
        if (*a == '\0') return true;
    }
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (UpperAscii(*text) != UpperAscii(*prefix)) return false;
    return true;
}

// Copies at most count bytes of src, cut to fit dst (cap bytes, NUL-terminated).
void CopyText(char* dst, size_t cap, const char* src, size_t count) {
    const size_t n = count < cap - 1 ? count : cap - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

void CopyText(char* dst, size_t cap, const char* src) {
    CopyText(dst, cap, src, std::strlen(src));
}

void TraceReadError(const char* name) {
    char text[1024];
    std::snprintf(text, sizeof text, "**** Error %s", name);
    orvel::TraceOutput("Orvel EE: ");
    orvel::TraceOutput(text);
    orvel::TraceOutput("\n");
}

// Reads from the blob, never past its end.
class BlobReader {
public:
    BlobReader(const char* at, int32_t left) : m_at(at), m_end(at + (left > 0 ? left : 0)) {}

    const char* At() const { return m_at; }
    int32_t Left() const { return static_cast<int32_t>(m_end - m_at); }

    bool Word(uint32_t& out) {
        if (Left() < 4) return false;
        const auto* b = reinterpret_cast<const uint8_t*>(m_at);
        out = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
        m_at += 4;
        return true;
    }
    bool Int(int32_t& out) {
        uint32_t word = 0;
        if (!Word(word)) return false;
        out = static_cast<int32_t>(word);
        return true;
    }
    // A NUL-terminated text, cut to fit dst; the whole text and its NUL are consumed.
    // *consumed gets the bytes taken, NUL included. False when the blob ends first.
    bool Text(char* dst, size_t cap, size_t* consumed = nullptr) {
        const void* nul = std::memchr(m_at, '\0', static_cast<size_t>(Left()));
        if (!nul) return false;
        const size_t length = static_cast<size_t>(static_cast<const char*>(nul) - m_at);
        CopyText(dst, cap, m_at, length);
        m_at += length + 1;
        if (consumed) *consumed = length + 1;
        return true;
    }
    bool Skip(int64_t n) {
        if (n < 0 || n > Left()) return false;
        m_at += n;
        return true;
    }

private:
    const char* m_at;
    const char* m_end;
};

// The integer value of the variable Name in the context; false when it does not exist.
bool EvaluateInteger(ExpressionContext* cxt, const char* name, int32_t& value) {
    const auto variable = orvel::ComPtr<Element>::Adopt(cxt ? cxt->Lookup(name) : nullptr);
    if (!variable) return false;
    variable->FetchValue();
    value = variable->IntValue();
    return true;
}

// The 32-bit word at a debuggee address, or 0 when it cannot be read.
int32_t ReadDebuggeeWord(DebuggeeAddress at) {
    uint8_t b[4] = {};
    if (orvel::ReadDebuggee(DebuggeeProcessHandle(), at, b, sizeof b) != sizeof b) return 0;
    return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                                uint32_t{b[3]} << 24);
}

// One record being read: the reader's state between the steps of the format.
class RecordReader {
public:
    RecordReader(BlobReader& blob, ExtraInfo& ex, ExpressionContext* cxt, const char* lookingFor,
                 bool countOnly, uintptr_t blobStart, int32_t blobLength)
        : m_blob(blob), m_ex(ex), m_cxt(cxt), m_lookingFor(lookingFor), m_countOnly(countOnly),
          m_blobStart(blobStart), m_blobLength(blobLength) {}

    bool Read() {
        char raw[ExtraInfo::NameSize];
        uint32_t kind = 0;
        if (!m_blob.Text(raw, sizeof raw) || !m_blob.Word(m_flags) || !m_blob.Word(kind) ||
            !m_blob.Word(m_value) || !m_blob.Int(m_ex.Size))
            return false;
        m_ex.Type = KindOfCode(kind);
        DecodeName(raw);
        if (m_flags & FlagModule) ResolveModuleVariable();
        if (m_ex.Name[0] == '(') m_ex.IsToBeHidden = 1;
        m_wanted = !m_lookingFor ||
                   (SameName(m_ex.Name, m_lookingFor) && m_cxt && m_cxt->Binder != nullptr);

        if ((m_flags & FlagArray) && !ReadArraySection()) return false;
        if (m_flags & FlagPointer) m_ex.IsPointer = 1;
        if (m_flags & FlagAllocatable) m_ex.IsAllocatable = 1;
        if (m_flags & FlagStatic) m_ex.IsStatic = 1;
        if (m_flags & FlagCommon) {
            m_ex.Type = common;
            m_ex.IsCommon = 1;
            m_ex.CommonInstance = static_cast<int32_t>(kind);
            m_ex.MemberCount = static_cast<int32_t>(m_value);
        }
        if (m_flags & FlagLocal) m_ex.IsLocal = 1;
        if (m_flags & FlagHidden) m_ex.IsToBeHidden = 1;
        if (m_flags & FlagArgument) ReadArgument();
        if (m_flags & FlagAddress) m_ex.Address = m_value;
        if ((m_flags & FlagConst) && !ReadConstSection()) return false;
        if (m_ex.Type == structure && !ReadStructureSection()) return false;
        return true;
    }

private:
    void DecodeName(const char* raw) {
        const char* brace = std::strchr(raw, '}');
        if ((m_flags & (FlagDecorated | FlagDecoratedToo)) && brace) {
            DecodeDecoratedName(raw, brace);
            return;
        }
        CopyText(m_ex.FullName, sizeof m_ex.FullName, raw);
        const char* shown = raw;
        if (m_flags & FlagOfPrefix) {
            if (const char* of = std::strstr(raw, "_of_")) shown = of + 4;
        }
        CopyText(m_ex.Name, sizeof m_ex.Name, shown);
    }

    // "{CONTAINER,+OFFSET}MEMBER" or "{CONTAINER}MEMBER"; the opening character may be
    // anything. Only a ",+" before the '}' is an offset: the member name is not parsed.
    void DecodeDecoratedName(const char* raw, const char* brace) {
        CopyText(m_ex.Name, sizeof m_ex.Name, brace + 1);
        m_ex.IsMangled = 1;
        const char* start = raw + 1;
        if (brace < start) {
            m_ex.FullName[0] = '\0';
            return;
        }
        const char* end = brace;
        const char* comma = std::strchr(start, ',');
        if (comma && comma < brace && comma[1] == '+') {
            end = comma;
            uint32_t offset = 0;
            for (const char* d = comma + 2; *d >= '0' && *d <= '9'; ++d)
                offset = offset * 10 + static_cast<uint32_t>(*d - '0');
            m_ex.Offset = static_cast<int32_t>(offset);
        }
        CopyText(m_ex.FullName, sizeof m_ex.FullName, start, static_cast<size_t>(end - start));
    }

    void ResolveModuleVariable() {
        m_ex.IsStatic = 1;
        const char* bang = std::strchr(m_ex.Name, '!');
        if (!bang) return;
        if (m_lookingFor && !SameName(bang + 1, m_lookingFor)) return;
        char module[ExtraInfo::NameSize + 8];
        std::snprintf(module, sizeof module, "MODULE %.*s", static_cast<int>(bang - m_ex.Name),
                      m_ex.Name);
        const DebuggeeAddress base = m_cxt ? m_cxt->GetModuleAddress(module) : 0;
        char variable[ExtraInfo::NameSize];
        CopyText(variable, sizeof variable, bang + 1);
        CopyText(m_ex.Name, sizeof m_ex.Name, variable);
        // A module that cannot be found leaves the variable without an address, so that
        // it shows as not located rather than reading at a made-up base.
        if (base == 0 || base == 0xFFFFFFFF) {
            m_ex.ModuleBase = 0;
            return;
        }
        m_ex.ModuleBase = base;
        m_ex.Address = m_value + base + static_cast<uint32_t>(m_ex.Offset);
        m_ex.Offset = 0;
        m_ex.AddressKnown = 1;
    }

    bool ReadArraySection() {
        m_ex.IsArray = 1;
        if (!m_blob.Int(m_ex.Rank) || !m_blob.Int(m_ex.ElemSize)) return false;
        // The record's arrays hold seven dimensions: more (or fewer than none) is a
        // malformed record, and ends the walk.
        if (m_ex.Rank < 0 || m_ex.Rank > ExtraInfo::MaxRank) return false;
        const bool evaluate = g_nesting == 1 && !m_countOnly && m_wanted;
        for (int d = 0; d < m_ex.Rank; ++d) {
            uint32_t bits = 0;
            if (!m_blob.Word(bits)) return false;
            m_ex.Bits[d] = bits;
            int32_t* items[] = {&m_ex.Base[d], &m_ex.DimSize[d], &m_ex.Stride[d],
                                &m_ex.BoundSizes[d], &m_ex.BoundOfset[d]};
            for (int j = 0; j < 5; ++j) {
                if (!ReadBoundItem((bits >> j) & 1, evaluate, *items[j])) return false;
            }
            if (m_ex.BoundSizes[d] == 0)
                m_ex.BoundSizes[d] =
                    static_cast<int32_t>(static_cast<uint32_t>(m_ex.DimSize[d]) + 1);
        }
        return true;
    }

    bool ReadBoundItem(bool isName, bool evaluate, int32_t& item) {
        if (isName) {
            char name[ExtraInfo::NameSize];
            if (!m_blob.Text(name, sizeof name)) return false;
            item = 0;
            if (evaluate) EvaluateInteger(m_cxt, name, item);
            return true;
        }
        uint32_t number = 0;
        if (!m_blob.Word(number)) return false;
        if ((number >> 24) == 0x80 && m_ex.ModuleBase != 0)
            item = ReadDebuggeeWord(m_ex.ModuleBase + (number & 0x7FFFFFFF));
        else
            item = static_cast<int32_t>(number);
        return true;
    }

    void ReadArgument() {
        m_ex.IsArgument = 1;
        if (m_wanted && !m_countOnly && m_ex.Type == string && (!m_ex.IsArray || m_ex.Rank == 1)) {
            char lengthName[ExtraInfo::NameSize + 16];
            std::snprintf(lengthName, sizeof lengthName, "_Length_of_%s_", m_ex.Name);
            int32_t length = 0;
            if (EvaluateInteger(m_cxt, lengthName, length)) {
                m_ex.Size = length;
                m_ex.IsArray = 0;
            }
        }
        if (StartsWithNoCase(m_ex.Name, "_length_of_")) m_ex.IsToBeHidden = 1;
    }

    bool ReadConstSection() {
        m_ex.IsConst = 1;
        if (!m_blob.Int(m_ex.ConstLength) || m_ex.ConstLength < 0) return false;
        const char* value = m_blob.At();
        const int64_t padded = (int64_t{m_ex.ConstLength} + 3) & ~int64_t{3};
        if (!m_blob.Skip(padded)) return false;
        m_ex.ConstValue = reinterpret_cast<const uint8_t*>(value);
        const uintptr_t at = reinterpret_cast<uintptr_t>(value);
        // The offset of the bytes in the iterator's blob; 0 for a cursor elsewhere.
        if (at >= m_blobStart && at - m_blobStart <= static_cast<uintptr_t>(m_blobLength))
            m_ex.Address = static_cast<DebuggeeAddress>(at - m_blobStart);
        return true;
    }

    bool ReadStructureSection() {
        uint32_t typeWord = 0;
        if (!m_blob.Word(typeWord)) return false;
        if (typeWord == NamedTypeWord) {
            uint32_t ignored = 0;
            char typeName[ExtraInfo::TypeInfoSize];
            size_t consumed = 0;
            if (!m_blob.Word(ignored) || !m_blob.Text(typeName, sizeof typeName, &consumed))
                return false;
            if (!m_blob.Skip(static_cast<int64_t>((4 - consumed % 4) % 4))) return false;
            if (m_wanted) CopyText(m_ex.ExtraTypeInfo, sizeof m_ex.ExtraTypeInfo, typeName);
            return true;
        }
        if (!m_wanted) return true;
        if (!GlobalNameByValue(typeWord, m_ex.ExtraTypeInfo, sizeof m_ex.ExtraTypeInfo))
            std::snprintf(m_ex.ExtraTypeInfo, sizeof m_ex.ExtraTypeInfo, "Type: %d",
                          static_cast<int32_t>(typeWord));
        return true;
    }

    BlobReader& m_blob;
    ExtraInfo& m_ex;
    ExpressionContext* m_cxt;
    const char* m_lookingFor;
    bool m_countOnly;
    uintptr_t m_blobStart;
    int32_t m_blobLength;
    uint32_t m_flags = 0;
    uint32_t m_value = 0;
    bool m_wanted = true;
};

} // namespace

ExtraDebugInfo::ExtraDebugInfo()
    : Counter(1), CachedCount(-1), Data(nullptr), Length(0), BufPtr(nullptr), LenLeft(0),
      MembersBase(0), Busy(false), OwnsData(false), m_memberWalk(false) {
    orvel::model::CountRecordIterator(1);
}

ExtraDebugInfo* ExtraDebugInfo::Create(const void* Bytes, int32_t Length, ExpressionContext* Cxt,
                                       bool Copy) {
    if (!orvel::ModelAssert(Cxt != nullptr, "Ctx")) return nullptr;
    if (Length < 0 || (!Bytes && Length > 0)) return nullptr;
    auto info = orvel::ComPtr<ExtraDebugInfo>::Adopt(new (std::nothrow) ExtraDebugInfo());
    if (!info) return nullptr;
    info->Cxt = orvel::ComPtr<ExpressionContext>(Cxt);
    info->Length = Length;
    if (Copy) {
        info->m_copy.reset(new (std::nothrow) char[Length > 0 ? Length : 1]);
        if (!info->m_copy) return nullptr;
        if (Length > 0) std::memcpy(info->m_copy.get(), Bytes, static_cast<size_t>(Length));
        info->Data = info->m_copy.get();
        info->OwnsData = true;
    } else {
        info->Data = static_cast<const char*>(Bytes);
    }
    info->Reset();
    return info.Detach();
}

ExtraDebugInfo::~ExtraDebugInfo() {
    orvel::ModelAssert(Counter == 0, "Counter == 0");
    orvel::model::CountRecordIterator(-1);
}

int32_t ExtraDebugInfo::AddRef() {
    return ++Counter;
}

int32_t ExtraDebugInfo::Release() {
    if (!orvel::ModelAssert(Counter > 0, "Counter>0")) return Counter;
    if (--Counter > 0) {
        // The last holder besides our own context let go: the context and these records
        // may now hold only each other.
        if (Counter == 1 && Cxt && Cxt->DebugInfo.get() == this &&
            Cxt->ReleaseIfOnlyRecordsHoldIt())
            return 0;
        return Counter;
    }
    delete this;
    return 0;
}

void ExtraDebugInfo::Reset() {
    BufPtr = Data;
    LenLeft = Length;
    Members = nullptr;
    MembersBase = 0;
    Busy = true;
}

bool ExtraDebugInfo::Next(const char** Cursor, int32_t& Left, ExtraInfo& Ex, const char* LookingFor,
                          bool CountOnly) {
    Ex.ClearForReading();
    if (!Cursor || !*Cursor || Left < MinRecordBytes) return false;
    // Refused rather than read: a look-up that reads records again must come to an end.
    if (!orvel::ModelAssert(g_nesting + 1 < MaxNesting, "Zombie < 10")) return false;
    ++g_nesting;
    BlobReader blob(*Cursor, Left);
    bool ok = false;
    try {
        RecordReader record(blob, Ex, Cxt.get(), LookingFor, CountOnly,
                            reinterpret_cast<uintptr_t>(Data), Length);
        ok = record.Read();
    } catch (...) {
        // A called operation failed in a way it could not report: the record is lost,
        // and so is the rest of the walk.
        ok = false;
    }
    --g_nesting;
    if (!ok) {
        TraceReadError(Ex.Name);
        // A record cut short or malformed ends the walk for good: nothing after it can
        // be trusted to start where the next record does.
        blob.Skip(blob.Left());
    }
    *Cursor = blob.At();
    Left = blob.Left();
    return ok;
}

void ExtraDebugInfo::EnterCommon(const ExtraInfo& Ex) {
    char blockName[ExtraInfo::NameSize + 4];
    std::snprintf(blockName, sizeof blockName, "/%s/", Ex.Name);
    char memberBlob[ExtraInfo::NameSize + 16];
    if (Ex.CommonInstance > 0)
        std::snprintf(memberBlob, sizeof memberBlob, "/%s/%d", Ex.Name, Ex.CommonInstance);
    else
        CopyText(memberBlob, sizeof memberBlob, blockName);

    orvel::ComPtr<ExtraDebugInfo> members =
        orvel::ComPtr<ExtraDebugInfo>::Adopt(GetOurDebugInfo(memberBlob, Cxt.get()));
    if (!members) return;
    DebuggeeAddress base = CacheLookupAddress(blockName);
    if (base == 0) {
        if (const auto storage = orvel::ComPtr<Element>::Adopt(Cxt->Lookup(blockName))) {
            base = storage->GetAddressValue();
            CacheAddAddress(blockName, base);
        }
    }
    members->m_memberWalk = true;
    Members = std::move(members);
    MembersBase = base;
}

bool ExtraDebugInfo::Next(ExtraInfo& Ex, bool IncludeHidden, bool KeepCommons,
                          const char* LookingFor) {
    Busy = true;
    // Every turn either ends the walk or consumes a record, so the loop ends.
    for (;;) {
        if (Members) {
            if (Members->Next(Ex, IncludeHidden, false, LookingFor)) {
                Ex.Address += MembersBase;
                Ex.AddressKnown = 1;
                return true;
            }
            Members = nullptr;
        }
        if (!Next(&BufPtr, LenLeft, Ex, LookingFor, false)) return false;
        if (Ex.IsCommon && !KeepCommons) {
            // COMMON blocks do not nest; a member blob that names a block (itself, say)
            // would otherwise be entered without end.
            if (!m_memberWalk) EnterCommon(Ex);
            continue;
        }
        if (Ex.IsToBeHidden && !IncludeHidden) continue;
        return true;
    }
}

int32_t ExtraDebugInfo::Count(bool IncludeHidden) {
    if (CachedCount >= 0) return CachedCount;
    const char* cursor = Data;
    int32_t left = Length;
    ExtraInfo ex;
    // Member counts come from the blob: kept from going negative or overflowing.
    int64_t count = 0;
    while (Next(&cursor, left, ex, nullptr, true)) {
        if (ex.IsCommon) {
            if (ex.MemberCount > 0) count += ex.MemberCount;
        } else if (!ex.IsToBeHidden || IncludeHidden) {
            ++count;
        }
        if (count > INT32_MAX) count = INT32_MAX;
    }
    CachedCount = static_cast<int32_t>(count);
    return CachedCount;
}

bool ExtraDebugInfo::FindHere(const char* Name, ExtraInfo& Ex) {
    Reset();
    const bool keepCommons = Name[0] == '/';
    while (Next(Ex, true, keepCommons, Name)) {
        if (SameName(Ex.Name, Name)) return true;
    }
    return false;
}

bool ExtraDebugInfo::Find(const char* Name, ExtraInfo& Ex) {
    if (!Name) return false;
    if (Busy) {
        // A walk is under way on this cursor: search with a cursor of its own.
        orvel::ComPtr<ExtraDebugInfo> fresh =
            orvel::ComPtr<ExtraDebugInfo>::Adopt(Create(Data, Length, Cxt.get(), false));
        if (!fresh) return false;
        fresh->m_memberWalk = m_memberWalk;
        return fresh->FindHere(Name, Ex);
    }
    const bool found = FindHere(Name, Ex);
    Busy = false;
    return found;
}

bool ExtraDebugInfo::Find(const OLECHAR* Name, ExtraInfo& Ex) {
    if (!Name) return false;
    char narrow[512];
    orvel::WideToNarrow(Name, -1, narrow, sizeof narrow);
    return Find(narrow, Ex);
}
