// Gets an evaluator object the ways a debugger host can: from the module file it is
// given (loaded, asked for its class factory, the factory asked for an evaluator), or
// through the class registration. Modules stay loaded for the life of the process: the
// evaluator and everything it handed out live in them.
#pragma once

#include <string>

#include "CommandLine.h"
#include "host/HostEvaluator.h"
#include "platform/ComPtr.h"
#include "platform/PlatformTypes.h"

class EvaluatorModule {
public:
    EvaluatorModule() = default;
    // Leaves COM (Windows, after --activate registry) once everything is released.
    ~EvaluatorModule();
    EvaluatorModule(const EvaluatorModule&) = delete;
    EvaluatorModule& operator=(const EvaluatorModule&) = delete;

    // On failure *error is one line naming the module or the class and the code.
    HRESULT Activate(Activation how, orvel::ComPtr<IDebugExpressionEvaluator>* evaluator,
                     std::string* error);

    // The module's trace lines go to standard error from now on. The module reads
    // ORVEL_EE_TRACE at its first trace line (platform/TraceSink.h, on every platform;
    // Windows also sends each line to the debugger output), and the module is a separate
    // copy of the code, so the environment is the one channel that reaches it: this
    // must run before the module is loaded.
    static void TraceToStandardError();

private:
    HRESULT ActivateBeside(orvel::ComPtr<IDebugExpressionEvaluator>* evaluator, std::string* error);
    HRESULT ActivateRegistered(orvel::ComPtr<IDebugExpressionEvaluator>* evaluator,
                               std::string* error);

#if ORVEL_WINDOWS
    bool m_comInitialized = false;
#endif
};
