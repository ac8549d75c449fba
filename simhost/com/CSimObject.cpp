#include "simhost/com/CSimObject.h"
#include "simhost/com/CallFaults.h"

#include <cstring>

#include "simhost/com/CSimMemoryContext.h"
#include "simhost/com/CSimObjectEnum.h"
#include "simhost/com/SimResults.h"
#include "simhost/com/SimText.h"

namespace orvel::sim {

namespace {
using Lock = std::lock_guard<std::mutex>;

// Strings count their size in UTF-16 units, everything else in bytes.
UINT ValueSize(const HostValue& v) {
    return static_cast<UINT>(v.form == ValueForm::String ? v.bytes.size() / 2 : v.bytes.size());
}
} // namespace

CSimObject::CSimObject(SimStatePtr state, ValueId value, FieldId origin, FieldId function,
                       bool isFunction)
    : m_state(std::move(state)), m_value(value), m_origin(origin), m_function(function),
      m_isFunction(isFunction) {}

HRESULT CSimObject::MakeValue(const SimStatePtr& state, ValueId value, FieldId origin,
                              IDebugObject** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    ComPtr<IUnknown> unknown;
    HRESULT hr = CreateComObject<CSimObject>(unknown.put(), state, value, origin, kNoField, false);
    if (FAILED(hr)) return hr;
    return unknown->QueryInterface(IID_IDebugObject, reinterpret_cast<void**>(out));
}

HRESULT CSimObject::MakeFunction(const SimStatePtr& state, FieldId method, IDebugObject** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    ComPtr<IUnknown> unknown;
    HRESULT hr = CreateComObject<CSimObject>(unknown.put(), state, kNoValue, method, method, true);
    if (FAILED(hr)) return hr;
    return unknown->QueryInterface(IID_IDebugObject, reinterpret_cast<void**>(out));
}

const HostValue* CSimObject::Value() const {
    return m_state->program.IsValue(m_value) ? &m_state->program.values[m_value] : nullptr;
}

HostValue* CSimObject::Value() {
    return m_state->program.IsValue(m_value) ? &m_state->program.values[m_value] : nullptr;
}

bool CSimObject::Offers(REFIID riid) const {
    if (riid == IID_IDebugFunctionObject) return m_isFunction;
    bool array = riid == IID_IDebugArrayObject, pointer = riid == IID_IDebugPointerObject;
    if (!array && !pointer) return true;
    Lock lock(m_state->lock);
    const HostValue* v = Value();
    if (!v) return false;
    return array ? v->form == ValueForm::Array : v->form == ValueForm::Pointer;
}

HRESULT CSimObject::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (!Offers(riid)) return E_NOINTERFACE;
    return Base::QueryInterface(riid, out);
}

// --- IDebugObject --------------------------------------------------------------------

HRESULT CSimObject::GetSize(UINT* pnSize) {
    if (!pnSize) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    Lock lock(m_state->lock);
    const HostValue* v = Value();
    *pnSize = v ? ValueSize(*v) : 0;
    return S_OK;
}

HRESULT CSimObject::GetValue(BYTE* pValue, UINT nSize) {
    if (!pValue) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    HRESULT hr = m_state->program.InjectedResult(m_origin, HostOp::GetValue);
    if (FAILED(hr)) return hr;
    Lock lock(m_state->lock);
    const HostValue* v = Value();
    if (!v) return S_OK; // a function object holds no value
    if (nSize < ValueSize(*v)) return kInsufficientBuffer;
    if (!v->bytes.empty()) std::memcpy(pValue, v->bytes.data(), v->bytes.size());
    return S_OK;
}

HRESULT CSimObject::SetValue(BYTE* pValue, UINT nSize) {
    if (!pValue) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        Lock lock(m_state->lock);
        HostValue* v = Value();
        if (!v || v->form == ValueForm::Array) return E_FAIL;
        if (v->form == ValueForm::String) {
            // The text comes with its terminating NUL; the string ends at the first NUL.
            std::vector<uint8_t> text;
            for (UINT i = 0; i + 1 < nSize && (pValue[i] | pValue[i + 1]); i += 2)
                text.insert(text.end(), {pValue[i], pValue[i + 1]});
            v->bytes = std::move(text);
            return S_OK;
        }
        if (nSize != v->bytes.size()) return E_INVALIDARG;
        if (v->address) {
            // The debuggee first: a direct read of its memory must see the new value.
            if (m_state->debuggee && !m_state->debuggee->Write(*v->address, pValue, nSize))
                return E_FAIL;
            m_state->program.WriteMemory(*v->address, pValue, nSize);
        }
        v->bytes.assign(pValue, pValue + nSize);
        return S_OK;
    });
}

HRESULT CSimObject::SetReferenceValue(IDebugObject* pObject) {
    if (!pObject) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::GetMemoryContext(IDebugMemoryContext2** pContext) {
    if (!pContext) return E_INVALIDARG;
    *pContext = nullptr;
    ORVEL_SIM_FAULT_POINT();
    HRESULT hr = m_state->program.InjectedResult(m_origin, HostOp::GetMemoryContext);
    if (FAILED(hr)) return hr;
    std::optional<uint32_t> address;
    {
        Lock lock(m_state->lock);
        if (const HostValue* v = Value()) address = v->address;
    }
    if (!address) return E_FAIL;
    return CSimMemoryContext::Create(*address, pContext);
}

HRESULT CSimObject::GetManagedDebugObject(IDebugManagedObject** ppObject) {
    if (!ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::IsNullReference(BOOL* pfIsNull) {
    if (!pfIsNull) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    Lock lock(m_state->lock);
    const HostValue* v = Value();
    *pfIsNull = v && v->isNull ? TRUE : FALSE;
    return S_OK;
}

HRESULT CSimObject::IsEqual(IDebugObject* pObject, BOOL* pfIsEqual) {
    if (!pObject || !pfIsEqual) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pfIsEqual = m_value != kNoValue && OwnValue(*m_state, pObject) == m_value ? TRUE : FALSE;
    return S_OK;
}

HRESULT CSimObject::IsReadOnly(BOOL* pfIsReadOnly) {
    if (!pfIsReadOnly) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pfIsReadOnly = m_isFunction ? TRUE : FALSE;
    return S_OK;
}

HRESULT CSimObject::IsProxy(BOOL* pfIsProxy) {
    if (!pfIsProxy) return E_INVALIDARG;
    *pfIsProxy = FALSE;
    ORVEL_SIM_FAULT_POINT();
    return S_OK;
}

// --- IDebugArrayObject ---------------------------------------------------------------

HRESULT CSimObject::GetCount(DWORD* pdwElements) {
    if (!pdwElements) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    Lock lock(m_state->lock);
    const HostValue* v = Value();
    *pdwElements = v ? static_cast<DWORD>(v->elements.size()) : 0;
    return S_OK;
}

HRESULT CSimObject::GetElement(DWORD dwIndex, IDebugObject** ppElement) {
    if (!ppElement) return E_INVALIDARG;
    *ppElement = nullptr;
    ORVEL_SIM_FAULT_POINT();
    ValueId element = kNoValue;
    {
        Lock lock(m_state->lock);
        const HostValue* v = Value();
        if (!v || dwIndex >= v->elements.size()) return E_INVALIDARG;
        element = v->elements[dwIndex];
    }
    return MakeValue(m_state, element, kNoField, ppElement);
}

HRESULT CSimObject::GetElements(IEnumDebugObjects** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        std::vector<ValueId> elements;
        {
            Lock lock(m_state->lock);
            if (const HostValue* v = Value()) elements = v->elements;
        }
        return CSimObjectEnum::Create(m_state, std::move(elements), ppEnum);
    });
}

HRESULT CSimObject::GetRank(DWORD* pdwRank) {
    if (!pdwRank) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pdwRank = 1; // .NET arrays the compiler makes are one-dimensional
    return S_OK;
}

HRESULT CSimObject::GetDimensions(DWORD dwCount, DWORD* dwDimensions) {
    if (!dwDimensions || dwCount < 1) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    return GetCount(&dwDimensions[0]);
}

// --- IDebugPointerObject -------------------------------------------------------------

HRESULT CSimObject::Dereference(DWORD dwIndex, IDebugObject** ppObject) {
    if (!ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (dwIndex != 0) return E_NOTIMPL;
    ValueId target = kNoValue;
    {
        Lock lock(m_state->lock);
        if (const HostValue* v = Value()) target = v->target;
        if (!m_state->program.IsValue(target)) return E_FAIL;
    }
    return MakeValue(m_state, target, kNoField, ppObject);
}

HRESULT CSimObject::GetBytes(DWORD, DWORD, BYTE* pBytes, DWORD* pdwBytes) {
    if (!pBytes || !pdwBytes) return E_INVALIDARG;
    *pdwBytes = 0;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::SetBytes(DWORD, DWORD, BYTE* pBytes, DWORD* pdwBytes) {
    if (!pBytes || !pdwBytes) return E_INVALIDARG;
    *pdwBytes = 0;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

// --- IDebugFunctionObject ------------------------------------------------------------

HRESULT CSimObject::CreatePrimitiveObject(OBJECT_TYPE, IDebugObject** ppObject) {
    if (!ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::CreateObject(IDebugFunctionObject*, DWORD, IDebugObject*[],
                                 IDebugObject** ppObject) {
    if (!ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::CreateObjectNoConstructor(IDebugField*, IDebugObject** ppObject) {
    if (!ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::CreateArrayObject(OBJECT_TYPE, IDebugField*, DWORD, DWORD[], DWORD[],
                                      IDebugObject** ppObject) {
    if (!ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimObject::CreateStringObject(LPCOLESTR pcstrString, IDebugObject** ppOjbect) {
    if (!pcstrString || !ppOjbect) return E_INVALIDARG;
    *ppOjbect = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        size_t n = 0;
        while (pcstrString[n])
            ++n;
        ValueId text;
        {
            Lock lock(m_state->lock);
            text = m_state->program.AddString(
                std::u16string_view(reinterpret_cast<const char16_t*>(pcstrString), n));
        }
        return MakeValue(m_state, text, kNoField, ppOjbect);
    });
}

HRESULT CSimObject::Evaluate(IDebugObject** ppParams, DWORD dwParams, DWORD,
                             IDebugObject** ppResult) {
    if (!ppResult || (dwParams && !ppParams)) return E_INVALIDARG;
    *ppResult = nullptr;
    ORVEL_SIM_FAULT_POINT();
    const HostProgram& program = m_state->program;
    if (!m_isFunction || !program.IsField(m_function) || m_function != program.lookupMethod)
        return E_NOTIMPL;
    if (dwParams != 1 || !ppParams[0]) return E_INVALIDARG;
    ValueId argument = OwnValue(*m_state, ppParams[0]);
    return Guarded([&] {
        ValueId result;
        {
            Lock lock(m_state->lock);
            if (!program.IsValue(argument) || program.values[argument].form != ValueForm::String)
                return E_INVALIDARG;
            const std::vector<uint8_t>& b = program.values[argument].bytes;
            std::u16string name;
            for (size_t i = 0; i + 1 < b.size(); i += 2)
                name += static_cast<char16_t>(b[i] | (b[i + 1] << 8));
            auto it = program.lookupTable.find(ToUtf8(name));
            uint32_t answer = it == program.lookupTable.end() ? kLookupMissing : it->second;
            result = m_state->program.AddScalar({uint8_t(answer), uint8_t(answer >> 8),
                                                 uint8_t(answer >> 16), uint8_t(answer >> 24)});
        }
        return MakeValue(m_state, result, kNoField, ppResult);
    });
}

} // namespace orvel::sim
