// A stack-owned IUnknown that only counts references, for checking who AddRefs and
// who Releases. It answers QueryInterface for IID_IUnknown alone.
#pragma once

#include "platform/PlatformTypes.h"
#include "platform/Unknown.h"

class CountingUnknown final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }

    ULONG Refs() const { return m_refs; }

private:
    ULONG m_refs = 1;
};
