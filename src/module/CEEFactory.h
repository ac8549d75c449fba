// The class object of the evaluator's class: it makes evaluators.
#pragma once

#include "platform/ComObject.h"

namespace orvel {

class CEEFactory final : public ComObject<IClassFactory> {
public:
    // A new factory with one reference, handed to *factory.
    static HRESULT Create(IClassFactory** factory);

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

    CEEFactory();

protected:
    ~CEEFactory() override;
};

} // namespace orvel
