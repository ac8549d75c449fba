// A stopped program for the name-lookup and host-field tests, started in the
// substitute host, with a context at its stop address. Checks that every host object
// handed out is released when a test ends.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../support/LiveObjectCheck.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/LiveCounts.h"
#include "platform/ComPtr.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace orvel::test {

// SOLVE is stopped; DEMO (the program class) also has a static IT, so that the local IT
// must shadow it.
inline std::string LookupSnapshot(const std::string& raw = "{}") {
    return R"({"format": "orvel-snapshot/1", "program": "DEMO", "stop": "SOLVE",
  "types": [{"name": "POINT", "components": [{"name": "X", "type": "real_4"},
                                              {"name": "Y", "type": "real_4"}]}],
  "modules": [{"name": "GEOM", "variables": [{"name": "NPTS", "type": "integer_4", "value": 3}]}],
  "classes": [{"name": "DEMO", "fields": [
      {"name": "IT", "type": "System.Int32", "static": true, "value": 99},
      {"name": "GLOBALONLY", "type": "System.Int32", "static": true, "value": 5}]}],
  "routines": [{"name": "SOLVE",
    "arguments": [{"name": "N", "type": "integer_4", "value": 2}],
    "locals": [
      {"name": "IT", "type": "integer_4", "value": 12},
      {"name": "NAME", "type": "character", "len": 8, "value": "jacobi"},
      {"name": "P", "type": "POINT", "value": {"X": 0.5, "Y": 0.25}},
      {"name": "PX", "type": "real_8", "pointer": true},
      {"name": "PP", "type": "POINT", "pointer": true, "target": "P"},
      {"name": "R", "type": "real_8", "allocatable": true, "dims": [[0, 1]], "value": [0.1, 0.2]},
      {"name": "X", "type": "real_8", "dims": [2, [0, 3]]},
      {"name": "S#1", "type": "integer_4", "value": 3},
      {"name": "T#22", "type": "integer_4", "value": 3},
      {"name": "U#3", "type": "integer_4", "value": 3},
      {"name": "S#X", "type": "integer_4", "value": 4},
      {"name": "SA1", "type": "integer_4", "value": 5}],
    "uses": ["GEOM"]}],
  "raw": )" +
           raw + "}";
}

class LookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sim::LiveObjects(), 0) << "objects left by an earlier test";
        CacheClear();
        m_live.Take();
    }

    void Start(const std::string& raw = "{}") {
        sim::HostProgram program;
        std::string error;
        ASSERT_TRUE(sim::LoadSnapshot(LookupSnapshot(raw), &program, &error)) << error;
        ASSERT_EQ(sim::SimHost::Start(program, &m_host, &error), S_OK) << error;
        ASSERT_EQ(m_host->GetSymbolProvider(m_provider.put()), S_OK);
        ASSERT_EQ(m_host->GetBinder(m_binder.put()), S_OK);
        ASSERT_EQ(m_host->GetStopAddress(m_address.put()), S_OK);
        m_cxt.Attach(
            ExpressionContext::Create(m_provider.get(), m_binder.get(), m_address.get(), nullptr));
        ASSERT_TRUE(m_cxt);
    }

    ComPtr<Element> Lookup(const char* name) { return ComPtr<Element>::Adopt(m_cxt->Lookup(name)); }

    // The stop routine's function Element.
    ComPtr<Element> Routine() {
        ComPtr<IDebugContainerField> method;
        EXPECT_EQ(m_provider->GetContainerField(m_address.get(), method.put()), S_OK);
        BSTR name = SysAllocString(OLESTR("SOLVE"));
        ComPtr<Element> e =
            ComPtr<Element>::Adopt(new Element(method.get(), m_cxt.get(), name, nullptr, nullptr));
        SysFreeString(name);
        return e;
    }

    // The debuggee address of a host value, as the program laid it out.
    uint32_t AddressOfLocal(const char* name) {
        const sim::HostProgram& p = m_host->Program();
        const sim::FieldId method = p.FindChild(p.globalClass, "SOLVE");
        const sim::FieldId field = p.FindChild(method, name);
        if (!p.IsField(field)) return 0;
        const auto value = p.fields[static_cast<size_t>(field)].value;
        if (!p.IsValue(value)) return 0;
        const auto& address = p.values[static_cast<size_t>(value)].address;
        return address ? *address : 0;
    }

    void TearDown() override {
        m_cxt = nullptr;
        m_provider = nullptr;
        m_binder = nullptr;
        m_address = nullptr;
        m_host.reset();
        CacheClear();
        m_live.ExpectNoneLeft();
    }

    std::unique_ptr<sim::SimHost> m_host;
    ComPtr<IDebugSymbolProvider> m_provider;
    ComPtr<IDebugBinder> m_binder;
    ComPtr<IDebugAddress> m_address;
    ComPtr<ExpressionContext> m_cxt;
    orvel::test::LiveObjectCheck m_live;
};

} // namespace orvel::test
