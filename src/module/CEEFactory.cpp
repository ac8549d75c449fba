#include "module/CEEFactory.h"

#include <cstdint>
#include <new>

#include "frontend/CreateEvaluator.h"
#include "module/ModuleLifetime.h"
#include "module/Trace.h"

namespace orvel {
namespace {

// Trace lines show an object by the low 32 bits of its address.
unsigned AddressText(const void* object) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(object));
}

} // namespace

HRESULT CEEFactory::Create(IClassFactory** factory) {
    return CreateComObject<CEEFactory>(factory);
}

CEEFactory::CEEFactory() {
    Trace("create CEEFactory: 0x%x", AddressText(this));
}

CEEFactory::~CEEFactory() {
    Trace("destroy CEEFactory: 0x%x", AddressText(this));
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
