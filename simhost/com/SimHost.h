// The substitute debugger host over a HostProgram: starts the debuggee process with
// the program's memory image and hands out the symbol provider, the binder and the
// stop address. Every object handed out shares the program; the debuggee process
// ends when this host and the last of those objects are gone.
#pragma once

#include <memory>
#include <string>

#include "host/HostInterfaces.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

// Where the debuggee's memory lives: in a helper process, as a real debuggee's does,
// or in this process (for fuzzing: no process start per program).
enum class DebuggeeKind { HelperProcess, ThisProcess };

class SimHost {
public:
    // Starts the debuggee and fills the program's process id (and the values that
    // hold it). On failure *error (when given) says why.
    static HRESULT Start(HostProgram program, std::unique_ptr<SimHost>* host,
                         std::string* error = nullptr,
                         DebuggeeKind kind = DebuggeeKind::HelperProcess);

    HRESULT GetSymbolProvider(IDebugSymbolProvider** out) const;
    HRESULT GetBinder(IDebugBinder** out) const;
    HRESULT GetStopAddress(IDebugAddress** out) const;

    uint32_t ProcessId() const;
    // A copy of a value as it is now (values change through SetValue).
    HostValue ValueNow(ValueId id) const;
    // The program as started; its values change, read them through ValueNow.
    const HostProgram& Program() const { return m_state->program; }

private:
    explicit SimHost(SimStatePtr state) : m_state(std::move(state)) {}

    SimStatePtr m_state;
};

} // namespace orvel::sim
