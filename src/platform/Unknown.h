// IUnknown and IClassFactory. Windows declares them; elsewhere they are exactly three
// (and five) pure virtual methods with no data and no virtual destructor, so the
// vtable layout matches the COM binary standard.
#pragma once

#include "platform/PlatformTypes.h"

#if !ORVEL_WINDOWS
extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                     void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};
#endif
