// What every row answers alike: a row has no derived-most property, no memory bytes and no
// reference, and by default no parent, memory context, size, extended information or
// assignment by reference. Each row class overrides only what it really provides.
#pragma once

#include "host/HostProperties.h"
#include "platform/ComObject.h"

class CPropertyBase : public orvel::ComObject<IDebugProperty2> {
public:
    HRESULT STDMETHODCALLTYPE SetValueAsReference(IDebugReference2** rgpArgs, DWORD dwArgCount,
                                                  IDebugReference2* pValue,
                                                  DWORD dwTimeout) override;
    HRESULT STDMETHODCALLTYPE GetParent(IDebugProperty2** ppParent) override;
    HRESULT STDMETHODCALLTYPE GetDerivedMostProperty(IDebugProperty2** ppDerivedMost) override;
    HRESULT STDMETHODCALLTYPE GetMemoryBytes(IDebugMemoryBytes2** ppMemoryBytes) override;
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** ppMemory) override;
    HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) override;
    HRESULT STDMETHODCALLTYPE GetReference(IDebugReference2** ppReference) override;
    HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guidExtendedInfo,
                                              VARIANT* pExtendedInfo) override;
};
