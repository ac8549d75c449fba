// Finding the compiler's extra debug information in the debuggee's metadata, and the
// addresses of its static data, through the module-wide cache. Every host failure ends
// quietly in "no debug information" (null) or an address of 0; nothing here throws.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

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

// The nearest class around Field (Field itself included), or false.
bool EnclosingClass(IDebugField* Field, orvel::ComPtr<IDebugClassField>& Class);

// The one field of Class named Name (letter case ignored), or false when there is none
// or more than one.
bool FindClassField(IDebugClassField* Class, const OLECHAR* Name,
                    orvel::ComPtr<IDebugField>& Field);

// Results of the debuggee's lookup method from here up are failure codes.
constexpr DebuggeeAddress kFirstLookupFailure = 0xFFFFFFF1;
