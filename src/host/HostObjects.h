// The host's run-time objects and the binder that makes them from fields. The host
// implements all of these; we only call them.
// Declaration order is vtable order and must not change.
#pragma once

#include "host/HostIds.h"

typedef DWORD OBJECT_TYPE;
enum enum_OBJECT_TYPE : DWORD {
    OBJECT_TYPE_BOOLEAN = 0x0,
    OBJECT_TYPE_CHAR = 0x1,
    OBJECT_TYPE_I1 = 0x2,
    OBJECT_TYPE_U1 = 0x3,
    OBJECT_TYPE_I2 = 0x4,
    OBJECT_TYPE_U2 = 0x5,
    OBJECT_TYPE_I4 = 0x6,
    OBJECT_TYPE_U4 = 0x7,
    OBJECT_TYPE_I8 = 0x8,
    OBJECT_TYPE_U8 = 0x9,
    OBJECT_TYPE_R4 = 0xA,
    OBJECT_TYPE_R8 = 0xB,
    OBJECT_TYPE_OBJECT = 0xC,
    OBJECT_TYPE_NULL = 0xD,
    OBJECT_TYPE_CLASS = 0xE,
};

struct IDebugObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSize(UINT* pnSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetValue(BYTE* pValue, UINT nSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValue(BYTE* pValue, UINT nSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReferenceValue(IDebugObject* pObject) = 0;
    // The interface definition marks pContext as input only, yet hosts treat it as an
    // out-parameter: the callee stores a pointer that the caller must release. The
    // binary form is the same either way; we treat it as out.
    virtual HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** pContext) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetManagedDebugObject(IDebugManagedObject** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsNullReference(BOOL* pfIsNull) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsEqual(IDebugObject* pObject, BOOL* pfIsEqual) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsReadOnly(BOOL* pfIsReadOnly) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsProxy(BOOL* pfIsProxy) = 0;
};

struct IDebugArrayObject : IDebugObject {
    virtual HRESULT STDMETHODCALLTYPE GetCount(DWORD* pdwElements) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetElement(DWORD dwIndex, IDebugObject** ppElement) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetElements(IEnumDebugObjects** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRank(DWORD* pdwRank) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDimensions(DWORD dwCount, DWORD* dwDimensions) = 0;
};

struct IDebugPointerObject : IDebugObject {
    virtual HRESULT STDMETHODCALLTYPE Dereference(DWORD dwIndex, IDebugObject** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBytes(DWORD dwStart, DWORD dwCount, BYTE* pBytes,
                                               DWORD* pdwBytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBytes(DWORD dwStart, DWORD dwCount, BYTE* pBytes,
                                               DWORD* pdwBytes) = 0;
};

struct IDebugFunctionObject : IDebugObject {
    virtual HRESULT STDMETHODCALLTYPE CreatePrimitiveObject(OBJECT_TYPE ot,
                                                            IDebugObject** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateObject(IDebugFunctionObject* pConstructor, DWORD dwArgs,
                                                   IDebugObject* pArgs[],
                                                   IDebugObject** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateObjectNoConstructor(IDebugField* pClassField,
                                                                IDebugObject** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateArrayObject(OBJECT_TYPE ot, IDebugField* pClassField,
                                                        DWORD dwRank, DWORD dwDims[],
                                                        DWORD dwLowBounds[],
                                                        IDebugObject** ppObject) = 0;
    // ppOjbect keeps the host's spelling.
    virtual HRESULT STDMETHODCALLTYPE CreateStringObject(LPCOLESTR pcstrString,
                                                         IDebugObject** ppOjbect) = 0;
    virtual HRESULT STDMETHODCALLTYPE Evaluate(IDebugObject** ppParams, DWORD dwParams,
                                               DWORD dwTimeout, IDebugObject** ppResult) = 0;
};

struct IEnumDebugObjects : IUnknown {
    // pceltFetched is in/out, as for IEnumDebugFields.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, IDebugObject** rgelt,
                                           ULONG* pceltFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumDebugObjects** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) = 0;
};

struct IDebugManagedObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetManagedObject(IUnknown** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFromManagedObject(IUnknown* pObject) = 0;
};

struct IDebugBinder : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Bind(IDebugObject* pContainer, IDebugField* pField,
                                           IDebugObject** ppObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResolveDynamicType(IDebugDynamicField* pDynamic,
                                                         IDebugField** ppResolved) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResolveRuntimeType(IDebugObject* pObject,
                                                         IDebugField** ppResolved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugField* pField, DWORD dwConstant,
                                                       IDebugMemoryContext2** ppMemCxt) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFunctionObject(IDebugFunctionObject** ppFunction) = 0;
};

// Deriving interfaces also answer their bases' IIDs.
ORVEL_INTERFACE_BASE(IDebugArrayObject, IDebugObject)
ORVEL_INTERFACE_BASE(IDebugPointerObject, IDebugObject)
ORVEL_INTERFACE_BASE(IDebugFunctionObject, IDebugObject)
