// A debugger host's view of the evaluator for tests: a snapshot program stopped under
// the substitute host, and an evaluator made by the module's class factory. Everything
// goes through the COM surface; rows are read back as plain strings.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../support/LiveObjectCheck.h"
#include "host/HostInterfaces.h"
#include "platform/ComPtr.h"

namespace orvel::test {

struct Row {
    HRESULT Hr = E_FAIL; // of the call that produced the row
    std::string FullName, Name, Type, Value;
    DBG_ATTRIB_FLAGS Attrib = 0;
    DEBUGPROP_INFO_FLAGS Fields = 0;
    ComPtr<IDebugProperty2> Property;
};

// UTF-8 of a BSTR (empty for null).
std::string Utf8(BSTR text);
std::basic_string<OLECHAR> Wide(const char* utf8);
// Takes the texts of a filled record and frees them; keeps its property.
Row TakeRow(DEBUG_PROPERTY_INFO& info);
// Every row an enumerator still has, fetched in batches of batch.
std::vector<Row> Drain(IEnumDebugPropertyInfo2* rows, ULONG batch = 7);

// What one evaluator works with: the evaluator and the host objects of its scope.
struct Scope {
    ComPtr<IDebugExpressionEvaluator> Evaluator;
    ComPtr<IDebugSymbolProvider> Provider;
    ComPtr<IDebugBinder> Binder;
    ComPtr<IDebugAddress> Stop;
};

class WatchSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a snapshot file (a name under tests/data/snapshots, or "heat.json" for the
    // demonstration program) or, with Inline, the JSON text itself.
    void Start(const std::string& file);
    void StartInline(const std::string& json);

    // Parse + EvaluateSync + GetPropertyInfo with every field. Parse's result when that
    // did not give S_OK.
    Row Watch(const char* text);
    ComPtr<IDebugProperty2> Evaluate(const char* text);
    // The children of a watch, every field requested.
    std::vector<Row> Children(const char* text);

    // Another evaluator over the started program, with host objects of its own.
    Scope NewScope();

    ComPtr<IDebugExpressionEvaluator> m_evaluator;
    ComPtr<IDebugSymbolProvider> m_provider;
    ComPtr<IDebugBinder> m_binder;
    ComPtr<IDebugAddress> m_stop;

private:
    void Begin(bool fromFile, const std::string& what);

    struct Host;
    std::shared_ptr<Host> m_host;
    orvel::test::LiveObjectCheck m_live;
};

} // namespace orvel::test
