#include "rows/CPropertyBase.h"

#include "platform/ArgCheck.h"

HRESULT STDMETHODCALLTYPE CPropertyBase::SetValueAsReference(IDebugReference2**, DWORD,
                                                             IDebugReference2*, DWORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetParent(IDebugProperty2** ppParent) {
    return orvel::NotSupported(ppParent, "ppParent");
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetDerivedMostProperty(IDebugProperty2** ppDerivedMost) {
    return orvel::NotSupported(ppDerivedMost, "ppDerivedMost");
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetMemoryBytes(IDebugMemoryBytes2** ppMemoryBytes) {
    return orvel::NotSupported(ppMemoryBytes, "ppMemoryBytes");
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetMemoryContext(IDebugMemoryContext2** ppMemory) {
    return orvel::NotSupported(ppMemory, "ppMemory");
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetSize(DWORD* pdwSize) {
    return orvel::NotSupported(pdwSize, "pdwSize");
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetReference(IDebugReference2** ppReference) {
    return orvel::NotSupported(ppReference, "ppReference");
}

HRESULT STDMETHODCALLTYPE CPropertyBase::GetExtendedInfo(REFGUID, VARIANT* pExtendedInfo) {
    if (orvel::NullArg(pExtendedInfo, "pExtendedInfo")) return E_INVALIDARG;
    VariantInit(pExtendedInfo);
    return E_NOTIMPL;
}
