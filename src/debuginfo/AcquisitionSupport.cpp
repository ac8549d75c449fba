#include "debuginfo/AcquisitionSupport.h"

#include <new>

#include "debuginfo/DebugInfoAcquisition.h"
#include "host/HostInterfaces.h"
#include "platform/CodePage.h"

using orvel::ComPtr;
using orvel::acquisition::NextField;

const OLECHAR kDebugInfoAttribute[] = OLESTR("Kestrin.Fortran.DebugInfoAttribute");
const OLECHAR kDebugGlobalInfoAttribute[] = OLESTR("Kestrin.Fortran.DebugGlobalInfoAttribute");

namespace {

// Deeper nesting than this is a host that loops, not a program.
constexpr int kMaxContainerDepth = 64;

} // namespace

bool EnclosingClass(IDebugField* Field, ComPtr<IDebugClassField>& Class) {
    Class = nullptr;
    ComPtr<IDebugField> at(Field);
    for (int depth = 0; at && depth < kMaxContainerDepth; ++depth) {
        FIELD_KIND kind = 0;
        if (SUCCEEDED(at->GetKind(&kind)) && (kind & FIELD_TYPE_CLASS) && SUCCEEDED(at.As(Class)) &&
            Class)
            return true;
        ComPtr<IDebugContainerField> container;
        if (FAILED(at->GetContainer(container.put()))) break;
        at = ComPtr<IDebugField>(container.get());
    }
    Class = nullptr;
    return false;
}

bool FindClassField(IDebugClassField* Class, const OLECHAR* Name, ComPtr<IDebugField>& Field) {
    Field = nullptr;
    if (!Class || !Name) return false;
    ComPtr<IEnumDebugFields> fields;
    ULONG count = 0;
    if (Class->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL, Name, nmCaseInsensitive, fields.put()) !=
            S_OK ||
        !fields || FAILED(fields->GetCount(&count)) || count != 1)
        return false;
    return NextField(fields.get(), Field);
}

namespace orvel::acquisition {

std::string Narrow(const OLECHAR* Text) {
    char buffer[kMaxNarrowName + 1];
    const int length = WideToNarrow(Text, -1, buffer, sizeof buffer);
    try {
        return std::string(buffer, static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

OleString Wide(const char* Text) {
    OLECHAR buffer[kMaxWideName + 1];
    const int length = NarrowToWide(Text, -1, buffer, kMaxWideName + 1);
    try {
        return OleString(buffer, static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        return OleString();
    }
}

bool NextField(IEnumDebugFields* Fields, ComPtr<IDebugField>& Field) {
    Field = nullptr;
    if (!Fields) return false;
    ULONG fetched = 0;
    return Fields->Next(1, Field.put(), &fetched) == S_OK && fetched == 1 && Field;
}

bool NextObject(IEnumDebugObjects* Objects, ComPtr<IDebugObject>& Object) {
    Object = nullptr;
    if (!Objects) return false;
    ULONG fetched = 0;
    return Objects->Next(1, Object.put(), &fetched) == S_OK && fetched == 1 && Object;
}

bool BindStatic(IDebugBinder* Binder, IDebugField* Field, ComPtr<IDebugObject>& Object) {
    Object = nullptr;
    if (!Binder || !Field) return false;
    return Binder->Bind(nullptr, Field, Object.put()) == S_OK && Object;
}

bool ReadU32(IDebugObject* Object, uint32_t& Value) {
    Value = 0;
    BYTE bytes[4] = {};
    if (!Object || FAILED(Object->GetValue(bytes, 4))) return false;
    Value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
            uint32_t{bytes[3]} << 24;
    return true;
}

bool ReadAllBytes(IDebugObject* Object, std::vector<uint8_t>& Bytes) {
    Bytes.clear();
    UINT size = 0;
    if (!Object || FAILED(Object->GetSize(&size)) || size == 0 || size > kMaxAttributeBlob)
        return false;
    try {
        Bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (FAILED(Object->GetValue(Bytes.data(), size))) {
        Bytes.clear();
        return false;
    }
    return true;
}

} // namespace orvel::acquisition
