// Small steps shared by the acquisition files: handing out cached bytes, converting
// names, and the host calls that every reader repeats (next field, bind, read a value).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

struct IDebugBinder;
struct IDebugField;
struct IDebugObject;
struct IEnumDebugFields;
struct IEnumDebugObjects;

namespace orvel::acquisition {

// Wide text in the platform's OLE character type (16-bit everywhere, but wchar_t on
// Windows and char16_t elsewhere).
using OleString = std::basic_string<OLECHAR>;

// Longest 8-bit name used as a key, without its NUL.
constexpr int kMaxNarrowName = 511;
// Longest UTF-16 name handed to the host for a static item, without its NUL.
constexpr int kMaxWideName = 255;

// 8-bit text of at most kMaxNarrowName bytes.
std::string Narrow(const OLECHAR* Text);
// UTF-16 text of at most kMaxWideName units.
OleString Wide(const char* Text);

// The next field of an enumerator: S_OK with one field fetched.
bool NextField(IEnumDebugFields* Fields, ComPtr<IDebugField>& Field);
// The next object of an enumerator: S_OK with one object fetched.
bool NextObject(IEnumDebugObjects* Objects, ComPtr<IDebugObject>& Object);
// Binds Field with no container object: S_OK and an object.
bool BindStatic(IDebugBinder* Binder, IDebugField* Field, ComPtr<IDebugObject>& Object);
// The first 4 bytes of an object's value, little-endian.
bool ReadU32(IDebugObject* Object, uint32_t& Value);
// All of an object's value bytes (GetSize, then GetValue).
bool ReadAllBytes(IDebugObject* Object, std::vector<uint8_t>& Bytes);

} // namespace orvel::acquisition
