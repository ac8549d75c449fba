#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/ContextDebugInfo.h"
#include "model/ExpressionContext.h"
#include "platform/Bstr.h"

using namespace orvel::acquisition;
using orvel::ComPtr;

namespace {

// The prolog and the attribute's first fixed argument come before a method's records.
constexpr size_t kMethodRecordsOffset = 6;

ExtraDebugInfo* ReadMethodDebugInfo(IDebugField* method, ExpressionContext* context) {
    {
        // A second evaluator on another thread waits for these reads rather than see
        // their flags set before the tables are filled.
        std::lock_guard<std::recursive_mutex> once(CacheReadOnceLock());
        if (!GlobalInfoRead()) ReadGlobalDebugInfo(method);
        if (context->Binder) GetStaticAddressInfo(method, context);
    }
    // Methods of one simple name share one entry.
    orvel::BstrHolder name(FieldName(method));
    if (!name.get()) return nullptr;
    const std::string key = Narrow(name.get());
    if (const CacheEntryRef entry = CacheLookup(key.c_str(), CacheDebugInfo))
        return DebugInfoOf(*entry, context);
    ComPtr<IDebugCustomAttributeQuery> query;
    std::vector<uint8_t> blob;
    if (FAILED(ComPtr<IDebugField>(method).As(query)) || !query ||
        !ReadAttributeBlob(query.get(), kDebugInfoAttribute, blob))
        return nullptr;
    return CacheAndGive(key.c_str(), blob.data() + kMethodRecordsOffset,
                        blob.size() - kMethodRecordsOffset, context);
}

} // namespace

ExtraDebugInfo* GetOurDebugInfo(IDebugField* Method, ExpressionContext* Context) {
    if (!Method || !Context) return nullptr;
    try {
        return ReadMethodDebugInfo(Method, Context);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
