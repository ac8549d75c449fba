#include "DapServer.h"

#include <algorithm>
#include <iterator>

#include "HresultText.h"
#include "LocalsFilter.h"
#include "OleTextUtf8.h"
#include "PropertyRecords.h"

namespace {

using Json = DapServer::Json;
using Reply = DapServer::Reply;

constexpr DWORD kRadix = 10;
constexpr DWORD kNoTimeout = 0xFFFFFFFF;
constexpr int64_t kThread = 1;
constexpr int64_t kFrame = 1;
// Rows asked of an enumerator at a time.
constexpr ULONG kBatch = 100;
// A 'variables' request without a count lists at most this many rows: a client that
// wants more of a large array pages through it.
constexpr int64_t kMaxRows = 10000;
const GUID kNoFilter{};

struct Scope {
    const char* name;
    const char* hint; // null: none
    LocalsFilter filter;
};

const Scope kScopes[] = {
    {"Locals", "locals", LocalsFilter::LocalsPlusArgs},
    {"Arguments", "arguments", LocalsFilter::Args},
    {"Program", nullptr, LocalsFilter::All},
};

Reply Failure(std::string message) {
    Reply reply;
    reply.ok = false;
    reply.message = std::move(message);
    return reply;
}

std::string Utf8(OleText text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](char32_t c) { AppendCodePoint(out, c); });
    return out;
}

const Json* Member(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// An integer argument: false when it is there but not an integer, or required and missing.
bool IntegerArg(const Json& args, const char* key, bool required, int64_t* value) {
    const Json* member = Member(args, key);
    if (!member || member->is_null()) return !required;
    if (!member->is_number_integer()) return false;
    *value = member->get<int64_t>();
    return true;
}

bool StringArg(const Json& args, const char* key, bool required, std::string* value) {
    const Json* member = Member(args, key);
    if (!member || member->is_null()) return !required;
    if (!member->is_string()) return false;
    *value = member->get_ref<const std::string&>();
    return true;
}

// An array's type reads "REAL*8 (8)"; a structure's "TYPE(PROBE)" has no space.
bool IsArrayType(OleText type) {
    for (size_t i = 0; i + 1 < type.size(); ++i)
        if (type[i] == ' ' && type[i + 1] == '(') return true;
    return false;
}

// The evaluator answers a name it cannot evaluate with a row whose value is the message.
bool IsErrorRow(const PropertyRow& row) {
    return (row.attrib & DBG_ATTRIB_VALUE_ERROR) != 0 || row.type.empty();
}

} // namespace

DapServer::DapServer(const CommandLine& options, FILE* in, FILE* out)
    : m_options(options), m_framing(in, out) {}

int DapServer::Run() {
    std::string text;
    for (;;) {
        const FrameRead read = m_framing.Read(&text);
        if (read == FrameRead::EndOfFile) break;
        if (read == FrameRead::Bad) {
            std::fputs("orvel-ee: the input is not Content-Length framed messages\n", stderr);
            return 1;
        }
        Handle(text);
        if (m_outputGone) return 1;
        if (m_exit) break;
    }
    m_references.Clear();
    m_session.reset();
    return 0;
}

void DapServer::Handle(const std::string& text) {
    const Json request = Json::parse(text, nullptr, false);
    Json response = {{"type", "response"}, {"request_seq", 0}, {"command", ""}};
    Reply reply;
    if (request.is_discarded() || !request.is_object()) {
        reply = Failure("the message is not a JSON object");
    } else {
        int64_t seq = 0;
        std::string command;
        if (IntegerArg(request, "seq", false, &seq)) response["request_seq"] = seq;
        const Json* type = Member(request, "type");
        if (!type || !type->is_string() || *type != "request" ||
            !StringArg(request, "command", true, &command)) {
            reply = Failure("the message is not a request with a command");
        } else {
            response["command"] = command;
            const Json* args = Member(request, "arguments");
            const Json none = Json::object();
            reply = Dispatch(command, args && !args->is_null() ? *args : none);
        }
    }
    response["success"] = reply.ok;
    if (reply.ok) {
        if (!reply.body.empty()) response["body"] = std::move(reply.body);
    } else {
        // The message alone: a structured error's text is a template, and braces in an
        // evaluator's message would be taken for its placeholders.
        response["message"] = reply.message;
    }
    Send(std::move(response));
    for (auto& event : reply.eventsAfter)
        Send({{"type", "event"}, {"event", event.first}, {"body", std::move(event.second)}});
    if (reply.exitAfter) m_exit = true;
}

Reply DapServer::Dispatch(const std::string& command, const Json& args) {
    struct Handler {
        const char* command;
        bool needsSession;
        Reply (DapServer::*handle)(const Json&);
    };
    static const Handler kHandlers[] = {
        {"initialize", false, &DapServer::Initialize},
        {"launch", false, &DapServer::Launch},
        {"configurationDone", false, &DapServer::ConfigurationDone},
        {"threads", false, &DapServer::Threads},
        {"stackTrace", true, &DapServer::StackTrace},
        {"scopes", true, &DapServer::Scopes},
        {"variables", true, &DapServer::Variables},
        {"evaluate", true, &DapServer::Evaluate},
        {"setVariable", true, &DapServer::SetVariable},
        {"disconnect", false, &DapServer::Disconnect},
        {"terminate", false, &DapServer::Disconnect},
        {"pause", false, &DapServer::Refuse},
        {"continue", false, &DapServer::Refuse},
        {"next", false, &DapServer::Refuse},
        {"stepIn", false, &DapServer::Refuse},
        {"stepOut", false, &DapServer::Refuse},
    };
    for (const Handler& handler : kHandlers) {
        if (command != handler.command) continue;
        if (!args.is_object()) return Failure("the arguments of '" + command + "' are no object");
        if (handler.needsSession && !m_session) return Failure("no snapshot is launched");
        return (this->*handler.handle)(args);
    }
    return Failure("unknown command '" + command + "'");
}

Reply DapServer::Initialize(const Json&) {
    Reply reply;
    reply.body = {{"supportsConfigurationDoneRequest", true},
                  {"supportsSetVariable", true},
                  {"supportsEvaluateForHovers", true},
                  {"supportsTerminateRequest", true}};
    reply.eventsAfter.emplace_back("initialized", Json::object());
    return reply;
}

Reply DapServer::Launch(const Json& args) {
    // Without one, the --snapshot of the command line, else the demo program.
    CommandLine options = m_options;
    if (!StringArg(args, "snapshot", false, &options.snapshot))
        return Failure("'snapshot' is a file path");
    // One program at a time: the old one goes first, rows before the session.
    m_references.Clear();
    m_session.reset();
    std::string error;
    m_session = HostSession::Open(options, &error);
    if (!m_session) return Failure(error);
    const std::string where = m_session->StopLocation();
    m_routine = where.substr(0, where.find(" ("));
    return Reply();
}

Reply DapServer::ConfigurationDone(const Json&) {
    Reply reply;
    if (m_session)
        reply.eventsAfter.emplace_back(
            "stopped",
            Json{{"reason", "entry"}, {"threadId", kThread}, {"allThreadsStopped", true}});
    return reply;
}

Reply DapServer::Threads(const Json&) {
    Reply reply;
    reply.body = {{"threads", Json::array()}};
    if (m_session) reply.body["threads"].push_back({{"id", kThread}, {"name", "main"}});
    return reply;
}

Reply DapServer::StackTrace(const Json& args) {
    int64_t thread = kThread;
    if (!IntegerArg(args, "threadId", true, &thread)) return Failure("'threadId' is needed");
    if (thread != kThread) return Failure("no thread " + std::to_string(thread));
    Reply reply;
    reply.body = {
        {"stackFrames",
         Json::array({{{"id", kFrame}, {"name", m_routine}, {"line", 0}, {"column", 0}}})},
        {"totalFrames", 1}};
    return reply;
}

Reply DapServer::Scopes(const Json& args) {
    int64_t frame = kFrame;
    if (!IntegerArg(args, "frameId", true, &frame)) return Failure("'frameId' is needed");
    if (frame != kFrame) return Failure("no frame " + std::to_string(frame));
    Reply reply;
    reply.body = {{"scopes", Json::array()}};
    for (const Scope& scope : kScopes) {
        Json item = {{"name", scope.name},
                     {"variablesReference", m_references.AddView(LocalsFilterGuid(scope.filter))},
                     {"expensive", false}};
        if (scope.hint) item["presentationHint"] = scope.hint;
        reply.body["scopes"].push_back(std::move(item));
    }
    return reply;
}

orvel::ComPtr<IEnumDebugPropertyInfo2> DapServer::Children(const DapContainer& container) {
    orvel::ComPtr<IDebugProperty2> method;
    IDebugProperty2* parent = container.property.get();
    if (!parent) {
        if (FAILED(m_session->MethodProperty(method.put())) || !method) return nullptr;
        parent = method.get();
    }
    orvel::ComPtr<IEnumDebugPropertyInfo2> rows;
    if (FAILED(parent->EnumChildren(DEBUGPROP_INFO_ALL, kRadix, container.filter, DBG_ATTRIB_NONE,
                                    nullptr, kNoTimeout, rows.put())))
        return nullptr;
    return rows;
}

Json DapServer::Variable(const PropertyRow& row, IDebugProperty2* property, const GUID& filter,
                         const char* valueKey, bool inView) {
    const std::string name = Utf8(row.name);
    const std::string expr = inView ? name : Utf8(row.fullName);
    Json item = {{"name", name},
                 {valueKey, Utf8(row.value)},
                 {"type", Utf8(row.type)},
                 {"variablesReference", 0}};
    if (!expr.empty()) item["evaluateName"] = expr;
    if (row.attrib & DBG_ATTRIB_VALUE_READONLY)
        item["presentationHint"] = {{"attributes", Json::array({"readOnly"})}};
    if (!row.Expandable() || !property) return item;
    const bool array = IsArrayType(row.type);
    DapContainer container;
    container.property = orvel::ComPtr<IDebugProperty2>(property);
    container.filter = filter;
    container.indexed = array;
    container.fullName = expr;
    item["variablesReference"] = m_references.Add(std::move(container));
    if (array) {
        orvel::ComPtr<IEnumDebugPropertyInfo2> elements;
        ULONG count = 0;
        if (SUCCEEDED(property->EnumChildren(DEBUGPROP_INFO_NAME, kRadix, filter, DBG_ATTRIB_NONE,
                                             nullptr, kNoTimeout, elements.put())) &&
            elements && SUCCEEDED(elements->GetCount(&count)))
            item["indexedVariables"] = count;
    }
    return item;
}

Reply DapServer::Variables(const Json& args) {
    int64_t reference = 0, start = 0, count = 0;
    std::string kind;
    if (!IntegerArg(args, "variablesReference", true, &reference) ||
        !IntegerArg(args, "start", false, &start) || !IntegerArg(args, "count", false, &count) ||
        !StringArg(args, "filter", false, &kind) || start < 0 || count < 0)
        return Failure("'variablesReference' is needed; 'start' and 'count' are counts");
    const DapContainer* found = m_references.Find(reference);
    if (!found) return Failure("no variables of reference " + std::to_string(reference));
    // Copied: new references made below may move the table.
    const DapContainer container = *found;
    Reply reply;
    reply.body = {{"variables", Json::array()}};
    // An array's rows are all indexed, any other's all named: a client that pages an
    // array in chunks asks for its named rows too, and must not get the elements again.
    if ((kind == "named" && container.indexed) || (kind == "indexed" && !container.indexed))
        return reply;
    const orvel::ComPtr<IEnumDebugPropertyInfo2> rows = Children(container);
    if (!rows) return reply;
    if (count == 0 || count > kMaxRows) count = kMaxRows;
    if (start > 0 && (start > 0xFFFFFFFF || rows->Skip(static_cast<ULONG>(start)) != S_OK))
        return reply;
    PropertyRecords batch(kBatch);
    for (int64_t listed = 0; listed < count;) {
        const auto wanted = static_cast<ULONG>(std::min<int64_t>(kBatch, count - listed));
        ULONG fetched = 0;
        if (FAILED(rows->Next(wanted, batch.put(), &fetched))) break;
        fetched = std::min(fetched, wanted);
        for (ULONG i = 0; i < fetched; ++i)
            reply.body["variables"].push_back(Variable(
                batch.Row(i), batch.Property(i), container.filter, "value", !container.property));
        listed += fetched;
        if (fetched < wanted) break;
    }
    return reply;
}

Reply DapServer::Evaluate(const Json& args) {
    std::string expr, context = "watch";
    if (!StringArg(args, "expression", true, &expr) || !StringArg(args, "context", false, &context))
        return Failure("'expression' is needed");
    // A watch or a hover shows an error as one; the console prints it as the answer.
    const bool errorAsText = context == "repl" || context == "clipboard";
    auto error = [&](const std::string& message) {
        if (!errorAsText) return Failure(message);
        Reply reply;
        reply.body = {{"result", message}, {"variablesReference", 0}};
        return reply;
    };
    orvel::ComPtr<IDebugParsedExpression> parsed;
    std::string message;
    if (m_session->Parse(expr, parsed.put(), &message) != S_OK || !parsed)
        return error(message.empty() ? "cannot parse '" + expr + "'" : message);
    orvel::ComPtr<IDebugProperty2> property;
    PropertyRecords info(1);
    const HRESULT hr = m_session->Evaluate(parsed.get(), property.put());
    if (FAILED(hr) || !property ||
        FAILED(property->GetPropertyInfo(DEBUGPROP_INFO_ALL, kRadix, kNoTimeout, nullptr, 0,
                                         info.put())))
        return error("cannot evaluate '" + expr + "': " + HresultText(hr));
    const PropertyRow row = info.Row(0);
    if (IsErrorRow(row)) return error(Utf8(row.value));
    Reply reply;
    reply.body = Variable(row, property.get(), kNoFilter, "result", false);
    reply.body.erase("name");
    reply.body.erase("evaluateName");
    return reply;
}

Reply DapServer::SetVariable(const Json& args) {
    int64_t reference = 0;
    std::string name, value;
    if (!IntegerArg(args, "variablesReference", true, &reference) ||
        !StringArg(args, "name", true, &name) || !StringArg(args, "value", true, &value))
        return Failure("'variablesReference', 'name' and 'value' are needed");
    const DapContainer* found = m_references.Find(reference);
    if (!found) return Failure("no variables of reference " + std::to_string(reference));
    const DapContainer container = *found;
    // The row of that name among the container's, read anew each time so that the
    // answer after the edit is the value the debuggee holds.
    auto scan = [&](PropertyRecords& into) {
        const orvel::ComPtr<IEnumDebugPropertyInfo2> rows = Children(container);
        PropertyRecords batch(kBatch);
        for (bool more = rows != nullptr; more;) {
            ULONG fetched = 0;
            if (FAILED(rows->Next(kBatch, batch.put(), &fetched))) break;
            fetched = std::min(fetched, kBatch);
            for (ULONG i = 0; i < fetched; ++i) {
                if (Utf8(batch.Row(i).name) != name) continue;
                batch.HandOver(i, into);
                return true;
            }
            more = fetched == kBatch;
        }
        return false;
    };
    // An element is reached by its expression, "U(3)", where its array has one:
    // finding it among a million rows would read all those before it.
    const bool element =
        container.indexed && !container.fullName.empty() && !name.empty() && name[0] == '(';
    const std::string expr = container.fullName + name;
    auto byExpression = [&](PropertyRecords& into) {
        orvel::ComPtr<IDebugParsedExpression> parsed;
        orvel::ComPtr<IDebugProperty2> property;
        return element && m_session->Parse(expr, parsed.put()) == S_OK && parsed &&
               SUCCEEDED(m_session->Evaluate(parsed.get(), property.put())) && property &&
               SUCCEEDED(property->GetPropertyInfo(DEBUGPROP_INFO_ALL, kRadix, kNoTimeout, nullptr,
                                                   0, into.put())) &&
               !IsErrorRow(into.Row(0)) && Utf8(into.Row(0).fullName) == expr;
    };
    auto find = [&](PropertyRecords& into) { return byExpression(into) || scan(into); };
    PropertyRecords row(1);
    if (!find(row) || !row.Property(0)) return Failure("no variable '" + name + "' there");
    const std::basic_string<OLECHAR> text = OleTextOf(value);
    const HRESULT hr = row.Property(0)->SetValueAsString(text.c_str(), kRadix, 0);
    if (FAILED(hr))
        return Failure("cannot set " + name + " to '" + value + "': " + HresultText(hr));
    PropertyRecords after(1);
    PropertyRecords& shown = find(after) ? after : row;
    Reply reply;
    reply.body =
        Variable(shown.Row(0), shown.Property(0), container.filter, "value", !container.property);
    reply.body.erase("name");
    reply.body.erase("evaluateName");
    reply.body.erase("presentationHint");
    return reply;
}

Reply DapServer::Disconnect(const Json&) {
    Reply reply;
    reply.exitAfter = true;
    return reply;
}

Reply DapServer::Refuse(const Json&) {
    return Failure("a snapshot does not run");
}

void DapServer::Send(Json message) {
    message["seq"] = m_seq++;
    if (!m_framing.Write(message.dump(-1, ' ', false, Json::error_handler_t::replace)))
        m_outputGone = true;
}

int RunDapServer(const CommandLine& options) {
    return DapServer(options, stdin, stdout).Run();
}
