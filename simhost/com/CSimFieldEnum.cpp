#include "simhost/com/CSimFieldEnum.h"

#include "simhost/com/CSimField.h"
#include "simhost/com/SimResults.h"

namespace orvel::sim {

CSimFieldEnum::CSimFieldEnum(SimStatePtr state, std::vector<FieldId> fields, size_t position)
    : m_state(std::move(state)), m_fields(std::move(fields)), m_position(position) {}

HRESULT CSimFieldEnum::Create(const SimStatePtr& state, std::vector<FieldId> fields,
                              IEnumDebugFields** out) {
    return CreateComObject<CSimFieldEnum>(out, state, std::move(fields), size_t{0});
}

HRESULT CSimFieldEnum::Next(ULONG celt, IDebugField** rgelt, ULONG* pceltFetched) {
    // Without a count to report, only one item may be asked for (the COM rule).
    if (!rgelt || (!pceltFetched && celt != 1)) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = nullptr;
    if (pceltFetched) *pceltFetched = 0;
    return Guarded([&] {
        std::vector<ComPtr<IDebugField>> got;
        for (size_t at = m_position; got.size() < celt && at < m_fields.size(); ++at) {
            ComPtr<IDebugField> field;
            HRESULT hr = CSimField::Make(m_state, m_fields[at], field.put());
            if (FAILED(hr)) return hr;
            got.push_back(std::move(field));
        }
        m_position += got.size();
        for (size_t i = 0; i < got.size(); ++i)
            rgelt[i] = got[i].Detach();
        ULONG fetched = static_cast<ULONG>(got.size());
        if (pceltFetched) *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    });
}

HRESULT CSimFieldEnum::Skip(ULONG celt) {
    size_t left = m_fields.size() - m_position;
    if (celt > left) {
        m_position = m_fields.size();
        return S_FALSE;
    }
    m_position += celt;
    return S_OK;
}

HRESULT CSimFieldEnum::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT CSimFieldEnum::Clone(IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    return CreateComObject<CSimFieldEnum>(ppEnum, m_state, m_fields, m_position);
}

HRESULT CSimFieldEnum::GetCount(ULONG* pcelt) {
    if (!pcelt) return E_INVALIDARG;
    *pcelt = static_cast<ULONG>(m_fields.size());
    return S_OK;
}

} // namespace orvel::sim
