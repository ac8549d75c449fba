#include <new>
#include <string>
#include <vector>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/ContextDebugInfo.h"
#include "model/ExpressionContext.h"

using namespace orvel::acquisition;
using orvel::ComPtr;

namespace {

// The prolog and the attribute's two fixed arguments come before a static's records.
constexpr size_t kStaticRecordsOffset = 10;
// A companion array starts with 4 bytes that are not records.
constexpr size_t kCompanionRecordsOffset = 4;

// The first static field of the class with that name: EnumFields, then Next(1). With
// Strict only a Next that gives S_OK counts; otherwise any field that comes back.
bool StaticField(IDebugClassField* cls, const OleString& name, bool strict,
                 ComPtr<IDebugField>& field) {
    field = nullptr;
    ComPtr<IEnumDebugFields> fields;
    if (cls->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL, name.c_str(), nmCaseInsensitive,
                        fields.put()) != S_OK ||
        !fields)
        return false;
    ULONG fetched = 0;
    const HRESULT hr = fields->Next(1, field.put(), &fetched);
    if (strict && (hr != S_OK || fetched != 1)) field = nullptr;
    return static_cast<bool>(field);
}

// The records held by the companion array beside a field without attribute access.
ExtraDebugInfo* FromCompanion(IDebugClassField* cls, const char* key, const OleString& name,
                              ExpressionContext* context) {
    ComPtr<IDebugField> companion;
    ComPtr<IDebugObject> object;
    std::vector<uint8_t> bytes;
    if (!StaticField(cls, name + OLESTR("debug"), false, companion) ||
        !BindStatic(context->Binder.get(), companion.get(), object) ||
        !ReadAllBytes(object.get(), bytes) || bytes.size() < kCompanionRecordsOffset)
        return nullptr;
    return CacheAndGive(key, bytes.data() + kCompanionRecordsOffset,
                        bytes.size() - kCompanionRecordsOffset, context);
}

ExtraDebugInfo* ReadStaticDebugInfo(const char* key, ExpressionContext* context) {
    ComPtr<IDebugClassField> cls;
    if (!context->Provider || !context->ClassName ||
        context->Provider->GetClassTypeByName(context->ClassName, nmCaseInsensitive, cls.put()) !=
            S_OK ||
        !cls)
        return nullptr;
    const OleString name = Wide(key);
    ComPtr<IDebugField> field;
    if (!StaticField(cls.get(), name, true, field)) return nullptr;
    ComPtr<IDebugCustomAttributeQuery> query;
    if (field.As(query) == E_NOINTERFACE) {
        if (ExtraDebugInfo* info = FromCompanion(cls.get(), key, name, context)) return info;
        // Some hosts offer the attribute only through the second query interface.
        ComPtr<IDebugCustomAttributeQuery2> query2;
        field.As(query2);
        query = ComPtr<IDebugCustomAttributeQuery>(query2.get());
    }
    std::vector<uint8_t> blob;
    if (!query || !ReadAttributeBlob(query.get(), kDebugInfoAttribute, blob) ||
        blob.size() < kStaticRecordsOffset)
        return nullptr;
    return CacheAndGive(key, blob.data() + kStaticRecordsOffset, blob.size() - kStaticRecordsOffset,
                        context);
}

} // namespace

ExtraDebugInfo* GetOurDebugInfo(const char* StaticName, ExpressionContext* Context) {
    if (!StaticName || !Context) return nullptr;
    if (const CacheEntryRef entry = CacheLookup(StaticName, CacheDebugInfo))
        return DebugInfoOf(*entry, Context);
    try {
        return ReadStaticDebugInfo(StaticName, Context);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
