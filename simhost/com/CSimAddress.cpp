#include "simhost/com/CSimAddress.h"
#include "simhost/com/CallFaults.h"

#include <cstring>

namespace orvel::sim {

namespace {
// Metadata tokens: the table in the top byte, a 1-based row below.
_mdToken Token(uint32_t table, int32_t index) {
    return static_cast<_mdToken>((table << 24) | static_cast<uint32_t>(index + 1));
}
} // namespace

CSimAddress::CSimAddress(SimStatePtr state, StopLocation location)
    : m_state(std::move(state)), m_location(location) {}

HRESULT CSimAddress::Create(const SimStatePtr& state, StopLocation location, IDebugAddress** out) {
    return CreateComObject<CSimAddress>(out, state, location);
}

HRESULT CSimAddress::GetAddress(DEBUG_ADDRESS* pAddress) {
    if (!pAddress) return E_INVALIDARG;
    std::memset(pAddress, 0, sizeof(*pAddress));
    ORVEL_SIM_FAULT_POINT();
    const HostProgram& program = m_state->program;
    if (program.IsField(m_location.method))
        pAddress->tokClass = Token(0x02, program.fields[m_location.method].container);
    pAddress->addr.dwKind = ADDRESS_KIND_METADATA_METHOD;
    pAddress->addr.addr.addrMethod.tokMethod = Token(0x06, m_location.method);
    pAddress->addr.addr.addrMethod.dwOffset = m_location.ilOffset;
    return S_OK;
}

} // namespace orvel::sim
