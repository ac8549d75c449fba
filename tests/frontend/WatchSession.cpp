#include "WatchSession.h"

#include "debuginfo/DebugInfoCache.h"
#include "model/LiveCounts.h"
#include "module/CEEFactory.h"
#include "platform/Bstr.h"
#include "platform/ComObject.h"
#include "platform/Utf8.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace orvel::test {

struct WatchSession::Host {
    std::unique_ptr<orvel::sim::SimHost> Sim;
};

std::string Utf8(BSTR text) {
    if (!text) return {};
    return orvel::Utf16ToUtf8(std::u16string(text, text + SysStringLen(text)));
}

std::basic_string<OLECHAR> Wide(const char* utf8) {
    const std::u16string text = orvel::Utf8ToUtf16(utf8);
    return std::basic_string<OLECHAR>(text.begin(), text.end());
}

Row TakeRow(DEBUG_PROPERTY_INFO& info) {
    Row row;
    row.Hr = S_OK;
    row.Fields = info.dwFields;
    row.FullName = Utf8(info.bstrFullName);
    row.Name = Utf8(info.bstrName);
    row.Type = Utf8(info.bstrType);
    row.Value = Utf8(info.bstrValue);
    row.Attrib = info.dwAttrib;
    row.Property = ComPtr<IDebugProperty2>::Adopt(info.pProperty);
    SysFreeString(info.bstrFullName);
    SysFreeString(info.bstrName);
    SysFreeString(info.bstrType);
    SysFreeString(info.bstrValue);
    info = DEBUG_PROPERTY_INFO{};
    return row;
}

std::vector<Row> Drain(IEnumDebugPropertyInfo2* rows, ULONG batch) {
    std::vector<Row> out;
    std::vector<DEBUG_PROPERTY_INFO> infos(batch);
    for (;;) {
        ULONG fetched = 0;
        const HRESULT hr = rows->Next(batch, infos.data(), &fetched);
        // Rows fetched before the end (S_FALSE) or a failure are still the host's.
        for (ULONG i = 0; i < fetched && i < batch; ++i)
            out.push_back(TakeRow(infos[i]));
        if (hr != S_OK || fetched < batch) break;
    }
    return out;
}

void WatchSession::SetUp() {
    CacheClear();
    m_live.Take();
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(orvel::CEEFactory::Create(factory.put()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator,
                                      reinterpret_cast<void**>(m_evaluator.put())),
              S_OK);
}

void WatchSession::TearDown() {
    m_evaluator.Reset();
    m_provider.Reset();
    m_binder.Reset();
    m_stop.Reset();
    m_host.reset();
    CacheClear();
    m_live.ExpectNoneLeft();
}

void WatchSession::Begin(bool fromFile, const std::string& what) {
    orvel::sim::HostProgram program;
    std::string error;
    bool loaded;
    if (fromFile) {
        const std::string path = what == "heat.json"
                                     ? std::string(ORVEL_TEST_DATA_DIR) + "/../../examples/" + what
                                     : std::string(ORVEL_TEST_DATA_DIR) + "/snapshots/" + what;
        loaded = orvel::sim::LoadSnapshotFile(path, &program, &error);
    } else {
        loaded = orvel::sim::LoadSnapshot(what, &program, &error);
    }
    ASSERT_TRUE(loaded) << error;
    m_host = std::make_shared<Host>();
    ASSERT_EQ(orvel::sim::SimHost::Start(std::move(program), &m_host->Sim, &error), S_OK) << error;
    ASSERT_EQ(m_host->Sim->GetSymbolProvider(m_provider.put()), S_OK);
    ASSERT_EQ(m_host->Sim->GetBinder(m_binder.put()), S_OK);
    ASSERT_EQ(m_host->Sim->GetStopAddress(m_stop.put()), S_OK);
}

void WatchSession::Start(const std::string& file) {
    Begin(true, file);
}

void WatchSession::StartInline(const std::string& json) {
    Begin(false, json);
}

ComPtr<IDebugProperty2> WatchSession::Evaluate(const char* text) {
    const std::basic_string<OLECHAR> wide = Wide(text);
    ComPtr<IDebugParsedExpression> parsed;
    BSTR error = nullptr;
    UINT at = 0;
    ComPtr<IDebugProperty2> result;
    if (m_evaluator->Parse(wide.c_str(), 0, 10, &error, &at, parsed.put()) != S_OK) return result;
    parsed->EvaluateSync(0, 0, m_provider.get(), m_stop.get(), m_binder.get(), nullptr,
                         result.put());
    return result;
}

Row WatchSession::Watch(const char* text) {
    const std::basic_string<OLECHAR> wide = Wide(text);
    ComPtr<IDebugParsedExpression> parsed;
    BSTR error = nullptr;
    UINT at = 0;
    Row row;
    row.Hr = m_evaluator->Parse(wide.c_str(), 0, 10, &error, &at, parsed.put());
    if (row.Hr != S_OK) return row;
    ComPtr<IDebugProperty2> result;
    row.Hr = parsed->EvaluateSync(0, 0, m_provider.get(), m_stop.get(), m_binder.get(), nullptr,
                                  result.put());
    if (row.Hr != S_OK) return row;
    DEBUG_PROPERTY_INFO info{};
    row.Hr = result->GetPropertyInfo(DEBUGPROP_INFO_ALL, 10, 0, nullptr, 0, &info);
    if (row.Hr != S_OK) return row;
    return TakeRow(info);
}

Scope WatchSession::NewScope() {
    Scope scope;
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(orvel::CEEFactory::Create(factory.put()), S_OK);
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator,
                                          reinterpret_cast<void**>(scope.Evaluator.put())),
                  S_OK);
    }
    if (m_host && m_host->Sim) {
        EXPECT_EQ(m_host->Sim->GetSymbolProvider(scope.Provider.put()), S_OK);
        EXPECT_EQ(m_host->Sim->GetBinder(scope.Binder.put()), S_OK);
        EXPECT_EQ(m_host->Sim->GetStopAddress(scope.Stop.put()), S_OK);
    }
    return scope;
}

std::vector<Row> WatchSession::Children(const char* text) {
    ComPtr<IDebugProperty2> property = Evaluate(text);
    ComPtr<IEnumDebugPropertyInfo2> rows;
    if (!property ||
        property->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put()) != S_OK)
        return {};
    return Drain(rows.get());
}

} // namespace orvel::test
