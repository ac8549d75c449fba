#include "HostSession.h"

#include <cstdio>

#include "DemoSnapshot.h"
#include "OleTextUtf8.h"
#include "platform/Bstr.h"
#include "platform/Utf8.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

constexpr UINT kRadix = 10;
constexpr DWORD kNoTimeout = 0xFFFFFFFF;

std::string Utf8Of(BSTR text) {
    if (!text) return std::string();
    return orvel::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(text), SysStringLen(text)));
}

} // namespace

std::unique_ptr<HostSession> HostSession::Open(const CommandLine& options, std::string* error) {
    // The snapshot first: the commonest mistake, and found before anything starts.
    orvel::sim::HostProgram program;
    if (options.snapshot.empty()) {
        if (!orvel::sim::LoadSnapshot(std::string(DemoSnapshotText()), &program, error)) {
            *error = "the built-in demo snapshot: " + *error;
            return nullptr;
        }
    } else if (!orvel::sim::LoadSnapshotFile(options.snapshot, &program, error)) {
        *error = "cannot load the snapshot " + *error;
        return nullptr;
    }

    std::unique_ptr<HostSession> session(new HostSession());
    if (options.trace) EvaluatorModule::TraceToStandardError();
    if (FAILED(session->m_module.Activate(options.activation, &session->m_evaluator, error)))
        return nullptr;

    std::string why;
    if (FAILED(orvel::sim::SimHost::Start(std::move(program), &session->m_host, &why))) {
        *error = "cannot start the substitute host: " + why;
        return nullptr;
    }
    if (FAILED(session->m_host->GetSymbolProvider(session->m_provider.put())) ||
        FAILED(session->m_host->GetBinder(session->m_binder.put())) ||
        FAILED(session->m_host->GetStopAddress(session->m_stop.put()))) {
        *error = "the substitute host gave no symbol provider, binder or stop address";
        return nullptr;
    }
    return session;
}

HRESULT HostSession::Parse(const std::string& expr, IDebugParsedExpression** parsed,
                           std::string* message) {
    const std::basic_string<OLECHAR> text = OleTextOf(expr);
    orvel::BstrHolder said;
    UINT errorAt = 0;
    const HRESULT hr =
        m_evaluator->Parse(text.c_str(), PARSE_EXPRESSION, kRadix, said.put(), &errorAt, parsed);
    if (message) *message = Utf8Of(said.get());
    return hr;
}

HRESULT HostSession::Evaluate(IDebugParsedExpression* parsed, IDebugProperty2** result) {
    return parsed->EvaluateSync(0, kNoTimeout, m_provider.get(), m_stop.get(), m_binder.get(),
                                nullptr, result);
}

HRESULT HostSession::MethodProperty(IDebugProperty2** method) {
    return m_evaluator->GetMethodProperty(m_provider.get(), m_stop.get(), m_binder.get(), FALSE,
                                          method);
}

std::string HostSession::StopLocation() {
    std::string routine = "?";
    orvel::ComPtr<IDebugContainerField> method;
    if (SUCCEEDED(m_provider->GetContainerField(m_stop.get(), method.put())) && method) {
        FIELD_INFO info{};
        if (SUCCEEDED(method->GetInfo(FIF_NAME, &info))) routine = Utf8Of(info.bstrName);
        orvel::BstrHolder fullName(info.bstrFullName), name(info.bstrName), type(info.bstrType);
    }
    DEBUG_ADDRESS address{};
    if (FAILED(m_stop->GetAddress(&address)) || address.addr.dwKind != ADDRESS_KIND_METADATA_METHOD)
        return routine;
    char where[64];
    std::snprintf(where, sizeof where, " (method 0x%08X, IL offset 0x%X)",
                  static_cast<unsigned>(address.addr.addr.addrMethod.tokMethod),
                  static_cast<unsigned>(address.addr.addr.addrMethod.dwOffset));
    return routine + where;
}
