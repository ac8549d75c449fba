// An enumeration of values (the elements of an array object), in index order.
#pragma once

#include <vector>

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

class CSimObjectEnum final : public ComObject<IEnumDebugObjects>, private LiveObject {
public:
    CSimObjectEnum(SimStatePtr state, std::vector<ValueId> values, size_t position);

    static HRESULT Create(const SimStatePtr& state, std::vector<ValueId> values,
                          IEnumDebugObjects** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IDebugObject** rgelt, ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugObjects** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    SimStatePtr m_state;
    std::vector<ValueId> m_values;
    size_t m_position;
};

} // namespace orvel::sim
