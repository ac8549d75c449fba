#include "rows/CEnumMethodField.h"

#include "platform/ArgCheck.h"

using orvel::ComPtr;
using orvel::NullArg;

namespace {

ULONG CountOf(IEnumDebugFields* fields) {
    ULONG count = 0;
    if (fields && FAILED(fields->GetCount(&count))) count = 0;
    return count;
}

} // namespace

CEnumMethodField::CEnumMethodField(IDebugField* classField, IEnumDebugFields* parameters,
                                   IEnumDebugFields* locals)
    : m_parameters(parameters), m_locals(locals) {
    if (classField &&
        SUCCEEDED(ComPtr<IDebugField>(classField).As(IID_IDebugClassField, m_fieldThis)) &&
        m_fieldThis) {
        m_fieldThis->EnumFields(0xFFFFFFFF, 0x7FFFFFFF, nullptr, nmCaseInsensitive,
                                m_members.put());
    }
    m_memberCount = CountOf(m_members.get());
    m_parameterCount = CountOf(m_parameters.get());
    m_localCount = CountOf(m_locals.get());
}

CEnumMethodField::~CEnumMethodField() = default;

HRESULT CEnumMethodField::Create(IDebugField* classField, IEnumDebugFields* parameters,
                                 IEnumDebugFields* locals, IEnumDebugFields** out) {
    return orvel::CreateComObject<CEnumMethodField>(out, classField, parameters, locals);
}

IEnumDebugFields* CEnumMethodField::Source() const {
    // Counts come from the host; sums are taken in 64 bits so that huge ones cannot wrap.
    const uint64_t members = m_memberCount;
    const uint64_t parameters = members + m_parameterCount;
    const uint64_t all = parameters + m_localCount;
    if (m_position < members) return m_members.get();
    if (m_position < parameters) return m_parameters.get();
    if (m_position < all) return m_locals.get();
    return nullptr;
}

HRESULT STDMETHODCALLTYPE CEnumMethodField::Next(ULONG celt, IDebugField** rgelt,
                                                 ULONG* pceltFetched) {
    if (pceltFetched) *pceltFetched = 0;
    if (NullArg(rgelt, "rgelt")) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = nullptr;
    for (ULONG delivered = 0; delivered < celt; ++delivered) {
        IEnumDebugFields* source = Source();
        if (!source) return S_FALSE;
        ULONG one = 0;
        const HRESULT hr = source->Next(1, &rgelt[delivered], &one);
        if (hr != S_OK) return hr;
        ++m_position;
        if (pceltFetched) ++*pceltFetched;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMethodField::Skip(ULONG celt) {
    for (ULONG i = 0; i < celt; ++i) {
        IEnumDebugFields* source = Source();
        if (!source) return S_FALSE;
        const HRESULT hr = source->Skip(1);
        if (FAILED(hr)) return hr;
        ++m_position;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMethodField::Reset() {
    m_position = 0;
    for (IEnumDebugFields* source : {m_members.get(), m_parameters.get(), m_locals.get()})
        if (source) source->Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMethodField::Clone(IEnumDebugFields** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    *ppEnum = nullptr;
    ComPtr<IEnumDebugFields> parameters;
    ComPtr<IEnumDebugFields> locals;
    if (m_parameters) {
        const HRESULT hr = m_parameters->Clone(parameters.put());
        if (FAILED(hr)) return hr;
    }
    if (m_locals) {
        const HRESULT hr = m_locals->Clone(locals.put());
        if (FAILED(hr)) return hr;
    }
    return Create(m_fieldThis.get(), parameters.get(), locals.get(), ppEnum);
}

HRESULT STDMETHODCALLTYPE CEnumMethodField::GetCount(ULONG* pcelt) {
    if (NullArg(pcelt, "pcelt")) return E_INVALIDARG;
    *pcelt = m_memberCount + m_parameterCount + m_localCount;
    return S_OK;
}
