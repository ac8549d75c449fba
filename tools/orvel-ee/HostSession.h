// The tool in the debugger host's seat: a stopped program loaded from a snapshot and
// served by the substitute host, and an evaluator object reached only through its COM
// interfaces, asked to parse and evaluate at the program's stop address and for the
// locals window there.
#pragma once

#include <memory>
#include <string>

#include "CommandLine.h"
#include "EvaluatorModule.h"
#include "host/HostInterfaces.h"
#include "platform/ComPtr.h"
#include "simhost/com/SimHost.h"

class HostSession {
public:
    // Loads the snapshot (the built-in demo when options.snapshot is empty), activates
    // the evaluator and starts the host. Null with a one-line *error otherwise.
    static std::unique_ptr<HostSession> Open(const CommandLine& options, std::string* error);

    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // IDebugExpressionEvaluator::Parse of UTF-8 text; *message gets the evaluator's
    // message, when given.
    HRESULT Parse(const std::string& expr, IDebugParsedExpression** parsed,
                  std::string* message = nullptr);
    // IDebugParsedExpression::EvaluateSync at the stop address.
    HRESULT Evaluate(IDebugParsedExpression* parsed, IDebugProperty2** result);
    // IDebugExpressionEvaluator::GetMethodProperty at the stop address: the root of the
    // locals window, made anew at each call so that its rows read the debuggee afresh.
    HRESULT MethodProperty(IDebugProperty2** method);
    // Where the program stopped, as the host tells it: "DIFFUSE (method 0x06000002,
    // IL offset 0x0)".
    std::string StopLocation();

private:
    HostSession() = default;

    // Declared so that the evaluator goes first and COM (in m_module) last.
    EvaluatorModule m_module;
    std::unique_ptr<orvel::sim::SimHost> m_host;
    orvel::ComPtr<IDebugSymbolProvider> m_provider;
    orvel::ComPtr<IDebugBinder> m_binder;
    orvel::ComPtr<IDebugAddress> m_stop;
    orvel::ComPtr<IDebugExpressionEvaluator> m_evaluator;
};
