// A bound value of the model, or a function object. It answers the array, pointer or
// function form only when the value really has it. Objects bound from a field carry
// that field, so that failures injected for it reach GetValue and GetMemoryContext.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimIdentity.h"

namespace orvel::sim {

class CSimObject final
    : public ComObject<IDebugArrayObject, IDebugPointerObject, IDebugFunctionObject, ISimObject>,
      private LiveObject {
    using Base =
        ComObject<IDebugArrayObject, IDebugPointerObject, IDebugFunctionObject, ISimObject>;

public:
    // function is kNoField for values; for function objects value is kNoValue.
    CSimObject(SimStatePtr state, ValueId value, FieldId origin, FieldId function, bool isFunction);

    static HRESULT MakeValue(const SimStatePtr& state, ValueId value, FieldId origin,
                             IDebugObject** out);
    // A function object: evaluates the method (kNoField: one that evaluates nothing).
    static HRESULT MakeFunction(const SimStatePtr& state, FieldId method, IDebugObject** out);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;

    // IDebugObject
    HRESULT STDMETHODCALLTYPE GetSize(UINT* pnSize) override;
    HRESULT STDMETHODCALLTYPE GetValue(BYTE* pValue, UINT nSize) override;
    HRESULT STDMETHODCALLTYPE SetValue(BYTE* pValue, UINT nSize) override;
    HRESULT STDMETHODCALLTYPE SetReferenceValue(IDebugObject* pObject) override;
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** pContext) override;
    HRESULT STDMETHODCALLTYPE GetManagedDebugObject(IDebugManagedObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE IsNullReference(BOOL* pfIsNull) override;
    HRESULT STDMETHODCALLTYPE IsEqual(IDebugObject* pObject, BOOL* pfIsEqual) override;
    HRESULT STDMETHODCALLTYPE IsReadOnly(BOOL* pfIsReadOnly) override;
    HRESULT STDMETHODCALLTYPE IsProxy(BOOL* pfIsProxy) override;

    // IDebugArrayObject
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* pdwElements) override;
    HRESULT STDMETHODCALLTYPE GetElement(DWORD dwIndex, IDebugObject** ppElement) override;
    HRESULT STDMETHODCALLTYPE GetElements(IEnumDebugObjects** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetRank(DWORD* pdwRank) override;
    HRESULT STDMETHODCALLTYPE GetDimensions(DWORD dwCount, DWORD* dwDimensions) override;

    // IDebugPointerObject
    HRESULT STDMETHODCALLTYPE Dereference(DWORD dwIndex, IDebugObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE GetBytes(DWORD dwStart, DWORD dwCount, BYTE* pBytes,
                                       DWORD* pdwBytes) override;
    HRESULT STDMETHODCALLTYPE SetBytes(DWORD dwStart, DWORD dwCount, BYTE* pBytes,
                                       DWORD* pdwBytes) override;

    // IDebugFunctionObject
    HRESULT STDMETHODCALLTYPE CreatePrimitiveObject(OBJECT_TYPE ot,
                                                    IDebugObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE CreateObject(IDebugFunctionObject* pConstructor, DWORD dwArgs,
                                           IDebugObject* pArgs[], IDebugObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE CreateObjectNoConstructor(IDebugField* pClassField,
                                                        IDebugObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE CreateArrayObject(OBJECT_TYPE ot, IDebugField* pClassField,
                                                DWORD dwRank, DWORD dwDims[], DWORD dwLowBounds[],
                                                IDebugObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE CreateStringObject(LPCOLESTR pcstrString,
                                                 IDebugObject** ppOjbect) override;
    // Only the debuggee's address lookup can be evaluated: one string argument, the
    // answer from the program's lookup table.
    HRESULT STDMETHODCALLTYPE Evaluate(IDebugObject** ppParams, DWORD dwParams, DWORD dwTimeout,
                                       IDebugObject** ppResult) override;

    // ISimObject
    const SimState* STDMETHODCALLTYPE SimOwner() override { return m_state.get(); }
    ValueId STDMETHODCALLTYPE SimValueId() override { return m_value; }

private:
    bool Offers(REFIID riid) const;
    // Call with the state's lock held.
    const HostValue* Value() const;
    HostValue* Value();

    SimStatePtr m_state;
    ValueId m_value;
    FieldId m_origin;
    FieldId m_function;
    bool m_isFunction;
};

} // namespace orvel::sim
