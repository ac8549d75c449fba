// `orvel-ee dap`: a Debug Adapter Protocol server on standard input and output. The
// debuggee is a snapshot, stopped for good at its entry: one thread, one frame, the
// method's views as scopes, rows as variables, watches through the evaluator, and edits
// through SetValueAsString. Requests that would run the program are refused.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "DapFraming.h"
#include "DapReferences.h"
#include "HostSession.h"
#include "RowSink.h"

class DapServer {
public:
    using Json = nlohmann::json;

    // options give the module activation and tracing; each launch names its snapshot.
    DapServer(const CommandLine& options, FILE* in, FILE* out);

    // Serves until disconnect, terminate or the end of the input. The exit status: 0,
    // or 1 when the input is not framed as messages or the output is gone.
    int Run();

    // What a request handler answers, and what follows the response.
    struct Reply {
        bool ok = true;
        std::string message; // when !ok
        Json body = Json::object();
        std::vector<std::pair<std::string, Json>> eventsAfter;
        bool exitAfter = false;
    };

private:
    void Handle(const std::string& text);
    Reply Dispatch(const std::string& command, const Json& args);

    Reply Initialize(const Json& args);
    Reply Launch(const Json& args);
    Reply ConfigurationDone(const Json& args);
    Reply Threads(const Json& args);
    Reply StackTrace(const Json& args);
    Reply Scopes(const Json& args);
    Reply Variables(const Json& args);
    Reply Evaluate(const Json& args);
    Reply SetVariable(const Json& args);
    Reply Disconnect(const Json& args);
    Reply Refuse(const Json& args);

    // A DAP variable (or evaluate result, with "result" for "value") from a row. A
    // view's own rows are evaluated by their names: the host's parameter view gives them
    // qualified full names no expression takes.
    Json Variable(const PropertyRow& row, IDebugProperty2* property, const GUID& filter,
                  const char* valueKey, bool inView);
    // The rows of a container, EnumChildren's enumerator; null when there are none.
    orvel::ComPtr<IEnumDebugPropertyInfo2> Children(const DapContainer& container);

    void Send(Json message);

    CommandLine m_options;
    DapFraming m_framing;
    int64_t m_seq = 1;
    bool m_outputGone = false;
    bool m_exit = false;
    // Declared so that the references' properties go before the session that made them.
    std::unique_ptr<HostSession> m_session;
    DapReferences m_references;
    std::string m_routine;
};

// The 'dap' command.
int RunDapServer(const CommandLine& options);
