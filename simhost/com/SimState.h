// What every simhost COM object shares: the program, the debuggee process and the
// lock over the parts of the program that change while the host runs (values, the
// memory image). Objects hold it by shared_ptr; the last one gone ends the debuggee.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "simhost/debuggee/DebuggeeProcess.h"
#include "simhost/model/HostModel.h"

namespace orvel::sim {

struct SimState {
    // Fields never change after start; values and memory do, under `lock`.
    HostProgram program;
    std::mutex lock;
    // The object a class binds to with no container: the holder of its statics.
    std::map<FieldId, ValueId> classObjects;
    // Declared last so that the process ends before the rest is torn down.
    std::unique_ptr<DebuggeeProcess> debuggee;
};

using SimStatePtr = std::shared_ptr<SimState>;

} // namespace orvel::sim
