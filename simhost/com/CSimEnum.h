// An enumeration of model items — fields or values — that hands out a new host object
// for each item on every Next. Traits name the enumerator interface (IEnum), the item
// interface (IItem), the model's item id (Id) and how an item's object is made (Make).
#pragma once

#include <vector>

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "simhost/com/CallFaults.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimResults.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

template <class Traits>
class CSimEnum final : public ComObject<typename Traits::IEnum>, private LiveObject {
    using IEnum = typename Traits::IEnum;
    using IItem = typename Traits::IItem;
    using Id = typename Traits::Id;

public:
    CSimEnum(SimStatePtr state, std::vector<Id> items, size_t position)
        : m_state(std::move(state)), m_items(std::move(items)), m_position(position) {}

    static HRESULT Create(const SimStatePtr& state, std::vector<Id> items, IEnum** out) {
        return CreateComObject<CSimEnum>(out, state, std::move(items), size_t{0});
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IItem** rgelt, ULONG* pceltFetched) override {
        // Without a count to report, only one item may be asked for (the COM rule).
        if (!rgelt || (!pceltFetched && celt != 1)) return E_INVALIDARG;
        for (ULONG i = 0; i < celt; ++i)
            rgelt[i] = nullptr;
        if (pceltFetched) *pceltFetched = 0;
        ORVEL_SIM_FAULT_POINT();
        return Guarded([&] {
            std::vector<orvel::ComPtr<IItem>> got;
            for (size_t at = m_position; got.size() < celt && at < m_items.size(); ++at) {
                orvel::ComPtr<IItem> item;
                HRESULT hr = Traits::Make(m_state, m_items[at], item.put());
                if (FAILED(hr)) return hr;
                got.push_back(std::move(item));
            }
            m_position += got.size();
            for (size_t i = 0; i < got.size(); ++i)
                rgelt[i] = got[i].Detach();
            ULONG fetched = static_cast<ULONG>(got.size());
            if (pceltFetched) *pceltFetched = fetched;
            return fetched == celt ? S_OK : S_FALSE;
        });
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
        ORVEL_SIM_FAULT_POINT();
        size_t left = m_items.size() - m_position;
        if (celt > left) {
            m_position = m_items.size();
            return S_FALSE;
        }
        m_position += celt;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Reset() override {
        ORVEL_SIM_FAULT_POINT();
        m_position = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(IEnum** ppEnum) override {
        if (!ppEnum) return E_INVALIDARG;
        *ppEnum = nullptr;
        ORVEL_SIM_FAULT_POINT();
        return CreateComObject<CSimEnum>(ppEnum, m_state, m_items, m_position);
    }

    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override {
        if (!pcelt) return E_INVALIDARG;
        ORVEL_SIM_FAULT_POINT();
        *pcelt = static_cast<ULONG>(m_items.size());
        return S_OK;
    }

private:
    SimStatePtr m_state;
    std::vector<Id> m_items;
    size_t m_position;
};

} // namespace orvel::sim
