#include "debuginfo/DebugInfoAcquisition.h"

#include <new>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/ExtraDebugInfo.h"
#include "platform/CodePage.h"

const OLECHAR kDebugInfoAttribute[] = OLESTR("Kestrin.Fortran.DebugInfoAttribute");
const OLECHAR kDebugGlobalInfoAttribute[] = OLESTR("Kestrin.Fortran.DebugGlobalInfoAttribute");

ExtraDebugInfo* EmptyDebugInfo(ExpressionContext* Context) {
    static const uint8_t kNoRecords[2] = {0, 0};
    return ExtraDebugInfo::Create(kNoRecords, 2, Context, true);
}

namespace orvel::acquisition {

ExtraDebugInfo* DebugInfoOf(const CacheEntry& Entry, ExpressionContext* Context) {
    // Each iterator owns its bytes, so that clearing the cache cannot pull them away.
    return ExtraDebugInfo::Create(Entry.Data.data(), static_cast<int32_t>(Entry.Data.size()),
                                  Context, true);
}

ExtraDebugInfo* CacheAndGive(const char* Key, const uint8_t* Bytes, size_t Length,
                             ExpressionContext* Context) {
    if (Length > kMaxAttributeBlob) return nullptr;
    const CacheEntryRef entry = CacheAddDebugInfo(Key, Bytes, static_cast<uint32_t>(Length));
    return entry ? DebugInfoOf(*entry, Context) : nullptr;
}

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
