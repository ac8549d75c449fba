// A code address in a method of the model: opaque to the evaluator, which only hands
// it back to the symbol provider and the method's local enumerations.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimIdentity.h"

namespace orvel::sim {

class CSimAddress final : public ComObject<IDebugAddress, ISimAddress>, private LiveObject {
public:
    CSimAddress(SimStatePtr state, StopLocation location);

    static HRESULT Create(const SimStatePtr& state, StopLocation location, IDebugAddress** out);

    // A metadata method address: method token and IL offset.
    HRESULT STDMETHODCALLTYPE GetAddress(DEBUG_ADDRESS* pAddress) override;

    const SimState* STDMETHODCALLTYPE SimOwner() override { return m_state.get(); }
    FieldId STDMETHODCALLTYPE SimMethod() override { return m_location.method; }

private:
    SimStatePtr m_state;
    StopLocation m_location;
};

} // namespace orvel::sim
