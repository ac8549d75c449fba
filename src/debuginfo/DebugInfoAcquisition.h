// Finding the compiler's extra debug information in the debuggee's metadata, and the
// addresses of its static data, through the module-wide cache. Every host failure ends
// quietly in "no debug information" (null) or an address of 0; nothing here throws.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

class ExpressionContext;
class ExtraDebugInfo;
struct IDebugField;
struct IDebugClassField;
struct IDebugCustomAttributeQuery;

// The attribute that carries a method's or a static item's records.
extern const OLECHAR kDebugInfoAttribute[];
// The attribute on the program's class that carries the global-name table.
extern const OLECHAR kDebugGlobalInfoAttribute[];

// Longest blob accepted from the host; also the size of the scratch buffer offered to a
// host that refuses to report a length without one.
constexpr uint32_t kMaxAttributeBlob = 10000000;

// The raw blob of the attribute Name, or false (Blob left empty) when the attribute is
// absent, shorter than 7 bytes, or cannot be read.
bool ReadAttributeBlob(IDebugCustomAttributeQuery* Query, const OLECHAR* Name,
                       std::vector<uint8_t>& Blob);

// The debug information of a method, as a new iterator bound to Context and owned by
// the caller; null when it has none. Reads the global-name table and the static
// addresses first, once per cache lifetime.
ExtraDebugInfo* GetOurDebugInfo(IDebugField* Method, ExpressionContext* Context);

// The debug information of the static item (module variable, COMMON block, module)
// named StaticName in the class named by Context->ClassName, as a new iterator owned by
// the caller; null when it has none.
ExtraDebugInfo* GetOurDebugInfo(const char* StaticName, ExpressionContext* Context);

// An iterator over no records (the two bytes 00 00), for items without debug
// information. Null only when out of memory.
ExtraDebugInfo* EmptyDebugInfo(ExpressionContext* Context);

// Fills the cache's global-name table from the nearest class around Field that carries
// it. Marks the table read first, so the containers are walked once per cache lifetime
// even when no table is found.
void ReadGlobalDebugInfo(IDebugField* Field);

// The field's simple name as a new BSTR, or "<Unknown>" when the host cannot give it.
// Null only when out of memory.
BSTR FieldName(IDebugField* Field);

// The dotted name of a field: its containers' names, then its own ("*" for a name the
// host cannot give). Null only when out of memory.
BSTR QualifiedFieldName(IDebugField* Field);

// Reads ~DebugInfo~ and ~DebugInfoNames~ of the class around Method: opens the debuggee
// process and stores one address per name. Does its work once per cache lifetime, and
// only when Context has a binder.
void GetStaticAddressInfo(IDebugField* Method, ExpressionContext* Context);

// The nearest class around Field (Field itself included), or false.
bool EnclosingClass(IDebugField* Field, orvel::ComPtr<IDebugClassField>& Class);

// The one field of Class named Name (letter case ignored), or false when there is none
// or more than one.
bool FindClassField(IDebugClassField* Class, const OLECHAR* Name,
                    orvel::ComPtr<IDebugField>& Field);

// Results of the debuggee's lookup method from here up are failure codes.
constexpr DebuggeeAddress kFirstLookupFailure = 0xFFFFFFF1;

// The debuggee address of the static item Name ("Class.Item"): from the cache, else from
// the debuggee's own lookup method (its answer is cached, 0 included). 0 when unknown.
DebuggeeAddress LookupStaticAddress(ExpressionContext* Cxt, LPCOLESTR Name);
