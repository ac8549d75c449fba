#include "model/ExpressionContext.h"

#include <new>
#include <utility>

#include "host/HostObjects.h"
#include "host/HostSymbols.h"
#include "model/ExtraDebugInfo.h"
#include "model/LiveCounts.h"
#include "model/ModelAssert.h"
#include "platform/Bstr.h"

ExpressionContext::ExpressionContext() : ClassName(nullptr), Counter(1) {
    orvel::model::CountContext(1);
}

ExpressionContext* ExpressionContext::Create(IDebugSymbolProvider* Provider, IDebugBinder* Binder,
                                             IDebugAddress* Address, const OLECHAR* ClassName) {
    auto cxt = orvel::ComPtr<ExpressionContext>::Adopt(new (std::nothrow) ExpressionContext());
    if (!cxt) return nullptr;
    cxt->Provider = orvel::ComPtr<IDebugSymbolProvider>(Provider);
    cxt->Binder = orvel::ComPtr<IDebugBinder>(Binder);
    cxt->Address = orvel::ComPtr<IDebugAddress>(Address);
    if (ClassName) {
        cxt->ClassName = SysAllocString(ClassName);
        if (!cxt->ClassName) return nullptr;
    }
    return cxt.Detach();
}

ExpressionContext* ExpressionContext::Create(IDebugSymbolProvider* Provider, IDebugBinder* Binder,
                                             ExtraDebugInfo* DebugInfo, IDebugAddress* Address,
                                             const OLECHAR* ClassName) {
    ExpressionContext* cxt = Create(Provider, Binder, Address, ClassName);
    if (!cxt || !DebugInfo) return cxt;
    cxt->DebugInfo = orvel::ComPtr<ExtraDebugInfo>(DebugInfo);
    // Records made before a binder was at hand could not evaluate the names they refer to.
    ExpressionContext* recordsCxt = DebugInfo->Cxt.get();
    if (recordsCxt && !recordsCxt->Binder && Binder)
        recordsCxt->Binder = orvel::ComPtr<IDebugBinder>(Binder);
    return cxt;
}

ExpressionContext* ExpressionContext::MakeChildContext() const {
    return Create(Provider.get(), Binder.get(), Address.get(), ClassName);
}

int32_t ExpressionContext::AddRef() {
    return ++Counter;
}

int32_t ExpressionContext::Release() {
    if (!orvel::ModelAssert(Counter > 0, "Counter > 0")) return Counter;
    if (--Counter > 0) return ReleaseIfOnlyRecordsHoldIt() ? 0 : Counter;
    delete this;
    return 0;
}

bool ExpressionContext::ReleaseIfOnlyRecordsHoldIt() {
    // Count the references that come back to us from records no one else holds: our
    // DebugInfo and the COMMON walk inside it.
    int32_t heldByRecords = 0;
    for (ExtraDebugInfo* info = DebugInfo.get(); info && info->Counter == 1;
         info = info->Members.get()) {
        if (info->Cxt.get() == this) ++heldByRecords;
    }
    if (heldByRecords == 0 || heldByRecords != Counter) return false;
    // Dropping the records drops their references; the last one destroys this context,
    // so nothing here touches it afterwards.
    orvel::ComPtr<ExtraDebugInfo> records = std::move(DebugInfo);
    records.Reset();
    return true;
}

ExpressionContext::~ExpressionContext() {
    orvel::ModelAssert(Counter == 0, "Counter == 0");
    orvel::model::CountContext(-1);
    if (ClassName) SysFreeString(ClassName);
}
