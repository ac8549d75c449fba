// A host over a snapshot (optionally edited before it starts), an evaluation context
// over it and a fresh cache for every test; afterwards every host object must be gone.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/ContextDebugInfo.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "platform/Bstr.h"
#include "platform/ComPtr.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace orvel::acquisition::test {

using sim::HostProgram;
using InfoPtr = ComPtr<ExtraDebugInfo>;

// The smallest program: class P, routines MAIN (stopped) and OTHER, a module GEOM.
inline const char* const kSmallProgram = R"({
  "format": "orvel-snapshot/1", "program": "P", "stop": "MAIN",
  "modules": [{"name": "GEOM", "variables": [{"name": "N", "type": "integer_4", "value": 4}]}],
  "routines": [{"name": "MAIN", "uses": ["GEOM"],
                "locals": [{"name": "X", "type": "integer_4", "value": 1}]},
               {"name": "OTHER"}]%RAW%
})";

// The small program with a "raw" section (the text of its value) added.
inline std::string SmallProgram(const std::string& raw = "") {
    std::string text = kSmallProgram;
    text.replace(text.find("%RAW%"), 5, raw.empty() ? "" : ",\n\"raw\": " + raw);
    return text;
}

inline std::string CoverageText() {
    FILE* file =
        std::fopen((std::string(ORVEL_TEST_DATA_DIR) + "/snapshots/coverage.json").c_str(), "rb");
    std::string text;
    if (!file) return text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

inline std::string Narrow(BSTR text) {
    std::string out;
    for (UINT i = 0; text && i < SysStringLen(text); ++i)
        out += static_cast<char>(text[i]);
    return out;
}

inline std::vector<uint8_t> Bytes(const ExtraDebugInfo* info) {
    if (!info) return {};
    return std::vector<uint8_t>(info->Data, info->Data + info->Length);
}

class AcquisitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sim::LiveObjects(), 0) << "objects left by an earlier test";
        CacheClear();
    }

    void TearDown() override {
        m_cxt = nullptr;
        m_provider = nullptr;
        m_binder = nullptr;
        m_host.reset();
        CacheClear();
        EXPECT_EQ(sim::LiveObjects(), 0) << "a host object was not released";
    }

    // Loads the snapshot, lets Edit change the program, starts the host and makes a
    // context in the program class (with or without the binder).
    void Start(const std::string& json, const std::function<void(HostProgram&)>& edit = {},
               bool withBinder = true) {
        std::string error;
        ASSERT_TRUE(sim::LoadSnapshot(json, &m_program, &error)) << error;
        if (edit) edit(m_program);
        ASSERT_EQ(sim::SimHost::Start(m_program, &m_host, &error), S_OK) << error;
        ASSERT_EQ(m_host->GetSymbolProvider(m_provider.put()), S_OK);
        ASSERT_EQ(m_host->GetBinder(m_binder.put()), S_OK);
        const std::basic_string<OLECHAR> className(
            m_program.fields[m_program.globalClass].name.begin(),
            m_program.fields[m_program.globalClass].name.end());
        m_cxt = ComPtr<ExpressionContext>::Adopt(ExpressionContext::Create(
            m_provider.get(), withBinder ? m_binder.get() : nullptr, nullptr, className.c_str()));
        ASSERT_TRUE(m_cxt);
    }

    // A member of the program class by name.
    ComPtr<IDebugField> Member(const OLECHAR* name) {
        ComPtr<IDebugClassField> cls;
        ComPtr<IDebugField> field;
        if (m_provider->GetClassTypeByName(m_cxt->ClassName, nmCaseInsensitive, cls.put()) == S_OK)
            FindClassField(cls.get(), name, field);
        return field;
    }

    InfoPtr MethodInfo(const OLECHAR* name) {
        ComPtr<IDebugField> method = Member(name);
        EXPECT_TRUE(method);
        return InfoPtr::Adopt(method ? GetOurDebugInfo(method.get(), m_cxt.get()) : nullptr);
    }
    InfoPtr StaticInfo(const char* name) {
        return InfoPtr::Adopt(GetOurDebugInfo(name, m_cxt.get()));
    }

    // The bytes of a field's attribute in the program as built.
    std::vector<uint8_t> Attribute(const std::string& field,
                                   const std::string& name = "Kestrin.Fortran.DebugInfoAttribute") {
        const sim::FieldId id = m_program.FindChild(m_program.globalClass, field);
        if (!m_program.IsField(id)) return {};
        const auto& attributes = m_program.fields[static_cast<size_t>(id)].attributes;
        auto it = attributes.find(name);
        return it == attributes.end() ? std::vector<uint8_t>{} : it->second;
    }

    static std::vector<uint8_t> From(const std::vector<uint8_t>& blob, size_t offset) {
        return blob.size() < offset ? std::vector<uint8_t>{}
                                    : std::vector<uint8_t>(blob.begin() + offset, blob.end());
    }

    HostProgram m_program;
    std::unique_ptr<sim::SimHost> m_host;
    ComPtr<IDebugSymbolProvider> m_provider;
    ComPtr<IDebugBinder> m_binder;
    ComPtr<ExpressionContext> m_cxt;
};

} // namespace orvel::acquisition::test
