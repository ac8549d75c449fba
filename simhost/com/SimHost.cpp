#include "simhost/com/SimHost.h"

#include "simhost/com/CSimAddress.h"
#include "simhost/com/CSimBinder.h"
#include "simhost/com/CSimSymbolProvider.h"
#include "simhost/com/SimResults.h"

namespace orvel::sim {

namespace {

std::vector<Region> ImageOf(const HostProgram& program) {
    std::vector<Region> regions;
    for (const MemoryRegion& r : program.memory)
        if (!r.bytes.empty()) regions.push_back(Region{r.base, r.bytes});
    return regions;
}

// The debuggee publishes its own id; values that carry it learn it only now.
bool PublishProcessId(SimState& state) {
    HostProgram& program = state.program;
    uint32_t pid = program.processId;
    const uint8_t bytes[4] = {uint8_t(pid), uint8_t(pid >> 8), uint8_t(pid >> 16),
                              uint8_t(pid >> 24)};
    for (ValueId id : program.processIdValues) {
        if (!program.IsValue(id)) continue;
        HostValue& v = program.values[id];
        if (v.bytes.size() < 4) v.bytes.resize(4);
        std::copy(bytes, bytes + 4, v.bytes.begin());
        if (v.address) {
            if (!state.debuggee->Write(*v.address, bytes, 4)) return false;
            program.WriteMemory(*v.address, bytes, 4);
        }
    }
    return true;
}

} // namespace

HRESULT SimHost::Start(HostProgram program, std::unique_ptr<SimHost>* host, std::string* error,
                       DebuggeeKind kind) {
    if (!host) return E_INVALIDARG;
    host->reset();
    return Guarded([&] {
        auto state = std::make_shared<SimState>();
        state->program = std::move(program);
        std::string why;
        state->debuggee = kind == DebuggeeKind::ThisProcess
                              ? DebuggeeProcess::InThisProcess(ImageOf(state->program), &why)
                              : DebuggeeProcess::Start(ImageOf(state->program), &why);
        if (!state->debuggee) {
            if (error) *error = "debuggee did not start: " + why;
            return E_FAIL;
        }
        state->program.processId = state->debuggee->Pid();
        if (!PublishProcessId(*state)) {
            if (error) *error = "cannot write the process id into the debuggee";
            return E_FAIL;
        }
        host->reset(new SimHost(std::move(state)));
        return S_OK;
    });
}

HRESULT SimHost::GetSymbolProvider(IDebugSymbolProvider** out) const {
    return CSimSymbolProvider::Create(m_state, out);
}

HRESULT SimHost::GetBinder(IDebugBinder** out) const {
    return CSimBinder::Create(m_state, out);
}

HRESULT SimHost::GetStopAddress(IDebugAddress** out) const {
    return CSimAddress::Create(m_state, m_state->program.stop, out);
}

uint32_t SimHost::ProcessId() const {
    return m_state->program.processId;
}

HostValue SimHost::ValueNow(ValueId id) const {
    std::lock_guard<std::mutex> lock(m_state->lock);
    return m_state->program.IsValue(id) ? m_state->program.values[id] : HostValue{};
}

} // namespace orvel::sim
