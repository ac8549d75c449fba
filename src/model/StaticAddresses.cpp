#include <new>
#include <string>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/ContextDebugInfo.h"
#include "model/ExpressionContext.h"
#include "platform/CodePage.h"
#include "platform/ProcessMemory.h"

using namespace orvel::acquisition;
using orvel::ComPtr;

namespace {

// Read access to the debuggee's memory, and nothing else.
constexpr DWORD kProcessReadAccess = 0x10;
// Longest names text taken from ~DebugInfoNames~, in UTF-16 units.
constexpr UINT kMaxNamesText = 1u << 24;

// ~DebugInfo~ bound as an array, with an enumerator over its elements.
struct AddressTable {
    DWORD count = 0;
    ComPtr<IEnumDebugObjects> elements;
};

bool OpenAddressTable(IDebugClassField* cls, IDebugBinder* binder, AddressTable& table) {
    ComPtr<IDebugField> field;
    if (!FindClassField(cls, OLESTR("~DebugInfo~"), field)) return false;
    ComPtr<IDebugArrayField> arrayField;
    if (FAILED(field.As(arrayField)) || !arrayField) return false;
    ComPtr<IDebugObject> object;
    if (!BindStatic(binder, field.get(), object)) return false;
    ComPtr<IDebugArrayObject> array;
    if (FAILED(object.As(array)) || !array) return false;
    if (FAILED(array->GetCount(&table.count)) || table.count == 0) return false;
    return array->GetElements(table.elements.put()) == S_OK && table.elements;
}

// The text of ~DebugInfoNames~ in 8-bit form, or false.
bool ReadNames(IDebugClassField* cls, IDebugBinder* binder, std::string& names) {
    ComPtr<IDebugField> field;
    ComPtr<IDebugObject> object;
    if (!FindClassField(cls, OLESTR("~DebugInfoNames~"), field) ||
        !BindStatic(binder, field.get(), object))
        return false;
    UINT units = 0;
    if (FAILED(object->GetSize(&units)) || units == 0 || units > kMaxNamesText) return false;
    OleString text(units + 1, OLECHAR(0));
    // The host counts a string's size in UTF-16 units.
    if (FAILED(object->GetValue(reinterpret_cast<BYTE*>(text.data()), units))) return false;
    text[units] = OLECHAR(0);
    // Every unit becomes at most two bytes in a double-byte code page.
    names.assign(2 * size_t{units} + 1, '\0');
    const int length = orvel::WideToNarrow(text.c_str(), static_cast<int>(units), names.data(),
                                           static_cast<int>(names.size()));
    names.resize(static_cast<size_t>(length));
    return true;
}

// One address entry per name, pairing the i-th name with element i (after the pid).
void StoreAddresses(const std::string& names, AddressTable& table) {
    size_t at = 0;
    for (DWORD i = 1; i < table.count && at <= names.size(); ++i) {
        const size_t comma = names.find(',', at);
        const std::string name =
            names.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        ComPtr<IDebugObject> element;
        if (!NextObject(table.elements.get(), element)) return;
        uint32_t address = 0;
        ReadU32(element.get(), address);
        CacheAddAddress(name.c_str(), address);
        if (comma == std::string::npos) return;
        at = comma + 1;
    }
}

void ReadStaticAddresses(IDebugField* method, ExpressionContext* context) {
    IDebugBinder* binder = context->Binder.get();
    ComPtr<IDebugClassField> cls;
    AddressTable table;
    if (!EnclosingClass(method, cls) || !OpenAddressTable(cls.get(), binder, table)) return;
    ComPtr<IDebugObject> first;
    uint32_t pid = 0;
    if (!NextObject(table.elements.get(), first) || !ReadU32(first.get(), pid) || pid == 0) return;
    SetDebuggeeProcessHandle(OpenProcess(kProcessReadAccess, FALSE, pid));
    if (table.count > 1) {
        std::string names;
        if (!ReadNames(cls.get(), binder, names)) return;
        StoreAddresses(names, table);
    }
    SetStaticsRead(true);
}

} // namespace

void GetStaticAddressInfo(IDebugField* Method, ExpressionContext* Context) {
    if (StaticsRead() || !Method || !Context || !Context->Binder) return;
    try {
        ReadStaticAddresses(Method, Context);
    } catch (const std::bad_alloc&) {
        // Out of memory: tried again on the next method, as after any failure.
    }
}
