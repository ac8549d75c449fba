#include "module/CEEFactory.h"

#include <new>

#include "frontend/CreateEvaluator.h"
#include "module/ModuleLifetime.h"
#include "platform/Trace.h"

namespace orvel {

HRESULT CEEFactory::Create(IClassFactory** factory) {
    return CreateComObject<CEEFactory>(factory);
}

CEEFactory::CEEFactory() {
    Trace("create CEEFactory: 0x%x", TraceAddress(this));
}

CEEFactory::~CEEFactory() {
    Trace("destroy CEEFactory: 0x%x", TraceAddress(this));
}

HRESULT STDMETHODCALLTYPE CEEFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    Trace("CEEFactory::CreateInstance");
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    try {
        return CreateExpressionEvaluator(riid, ppv);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CEEFactory::LockServer(BOOL fLock) {
    orvel::LockServer(fLock != FALSE);
    return S_OK;
}

} // namespace orvel
