#include "simhost/com/CSimObjectEnum.h"

#include "simhost/com/CSimObject.h"
#include "simhost/com/SimResults.h"

namespace orvel::sim {

CSimObjectEnum::CSimObjectEnum(SimStatePtr state, std::vector<ValueId> values, size_t position)
    : m_state(std::move(state)), m_values(std::move(values)), m_position(position) {}

HRESULT CSimObjectEnum::Create(const SimStatePtr& state, std::vector<ValueId> values,
                               IEnumDebugObjects** out) {
    return CreateComObject<CSimObjectEnum>(out, state, std::move(values), size_t{0});
}

HRESULT CSimObjectEnum::Next(ULONG celt, IDebugObject** rgelt, ULONG* pceltFetched) {
    // Without a count to report, only one item may be asked for (the COM rule).
    if (!rgelt || (!pceltFetched && celt != 1)) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = nullptr;
    if (pceltFetched) *pceltFetched = 0;
    return Guarded([&] {
        std::vector<ComPtr<IDebugObject>> got;
        for (size_t at = m_position; got.size() < celt && at < m_values.size(); ++at) {
            ComPtr<IDebugObject> object;
            HRESULT hr = CSimObject::MakeValue(m_state, m_values[at], kNoField, object.put());
            if (FAILED(hr)) return hr;
            got.push_back(std::move(object));
        }
        m_position += got.size();
        for (size_t i = 0; i < got.size(); ++i)
            rgelt[i] = got[i].Detach();
        ULONG fetched = static_cast<ULONG>(got.size());
        if (pceltFetched) *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    });
}

HRESULT CSimObjectEnum::Skip(ULONG celt) {
    size_t left = m_values.size() - m_position;
    if (celt > left) {
        m_position = m_values.size();
        return S_FALSE;
    }
    m_position += celt;
    return S_OK;
}

HRESULT CSimObjectEnum::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT CSimObjectEnum::Clone(IEnumDebugObjects** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    return CreateComObject<CSimObjectEnum>(ppEnum, m_state, m_values, m_position);
}

HRESULT CSimObjectEnum::GetCount(ULONG* pcelt) {
    if (!pcelt) return E_INVALIDARG;
    *pcelt = static_cast<ULONG>(m_values.size());
    return S_OK;
}

} // namespace orvel::sim
