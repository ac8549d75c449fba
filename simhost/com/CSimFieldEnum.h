// An enumeration of model fields. Each Next hands out new field objects.
#pragma once

#include <vector>

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

class CSimFieldEnum final : public ComObject<IEnumDebugFields>, private LiveObject {
public:
    CSimFieldEnum(SimStatePtr state, std::vector<FieldId> fields, size_t position);

    static HRESULT Create(const SimStatePtr& state, std::vector<FieldId> fields,
                          IEnumDebugFields** out);

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IDebugField** rgelt, ULONG* pceltFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override;

private:
    SimStatePtr m_state;
    std::vector<FieldId> m_fields;
    size_t m_position;
};

} // namespace orvel::sim
