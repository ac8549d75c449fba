// The record reader against the hand-written blobs of tests/data/record-blobs.json: each
// decodes to the records listed there, and every shorter prefix of it decodes to the
// records it holds whole, without a read past its end.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "../support/LiveObjectCheck.h"
#include "RecordTestSupport.h"
#include "model/LiveCounts.h"
#include "platform/ProcessMemory.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/debuggee/DebuggeeProcess.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

using namespace orvel::test;
using nlohmann::json;

const char kBlobFile[] = ORVEL_TEST_DATA_DIR "/record-blobs.json";

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string ToHex(const uint8_t* bytes, int32_t count) {
    std::string hex;
    char two[3];
    for (int32_t i = 0; bytes && i < count; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        hex += two;
    }
    return hex;
}

struct BlobCase {
    std::string name;
    json data;
};

std::vector<BlobCase> LoadCases() {
    std::ifstream in(kBlobFile);
    json doc = json::parse(in, nullptr, /*allow_exceptions=*/false);
    std::vector<BlobCase> cases;
    if (!doc.is_object() || !doc.contains("cases")) {
        cases.push_back({"unreadable_blob_file", json()});
        return cases;
    }
    for (const json& c : doc["cases"])
        cases.push_back({c.value("name", std::string("unnamed")), c});
    return cases;
}

// Every field a reader sets, one per line, so that a difference reads as a diff.
std::string Describe(const ExtraInfo& ex, const uint8_t* blob) {
    std::ostringstream out;
    out << "Name=" << ex.Name << "\nFullName=" << ex.FullName
        << "\nType=" << (ElementTypeName(ex.Type) ? ElementTypeName(ex.Type) : "?")
        << "\nSize=" << ex.Size << "\nflags=";
    const struct {
        uint8_t set;
        const char* name;
    } flags[] = {{ex.AddressKnown, "AddressKnown"}, {ex.IsAllocatable, "IsAllocatable"},
                 {ex.IsArgument, "IsArgument"},     {ex.IsArray, "IsArray"},
                 {ex.IsCommon, "IsCommon"},         {ex.IsConst, "IsConst"},
                 {ex.IsLocal, "IsLocal"},           {ex.IsMangled, "IsMangled"},
                 {ex.IsModule, "IsModule"},         {ex.IsPointer, "IsPointer"},
                 {ex.IsStatic, "IsStatic"},         {ex.IsTarget, "IsTarget"},
                 {ex.IsToBeHidden, "IsToBeHidden"}};
    for (const auto& f : flags)
        if (f.set) out << f.name << ' ';
    out << "\nElemSize=" << ex.ElemSize << "\nRank=" << ex.Rank;
    for (int d = 0; d < ex.Rank && d < ExtraInfo::MaxRank; ++d)
        out << "\ndim" << d << "=" << ex.Bits[d] << ' ' << ex.Base[d] << ' ' << ex.DimSize[d] << ' '
            << ex.Stride[d] << ' ' << ex.BoundSizes[d] << ' ' << ex.BoundOfset[d];
    out << "\nAddress=" << ex.Address << "\nModuleBase=" << ex.ModuleBase
        << "\nOffset=" << ex.Offset << "\nConstLength=" << ex.ConstLength
        << "\nConstBytes=" << (ex.ConstValue ? ToHex(ex.ConstValue, ex.ConstLength) : "")
        << "\nConstInBlob=" << (ex.ConstValue && blob ? ex.ConstValue - blob : -1)
        << "\nExtraTypeInfo=" << ex.ExtraTypeInfo << "\nMemberCount=" << ex.MemberCount
        << "\nCommonInstance=" << ex.CommonInstance;
    return out.str();
}

// The same text from an expected record of the file.
std::string Describe(const json& r) {
    std::ostringstream out;
    out << "Name=" << r.value("Name", "") << "\nFullName=" << r.value("FullName", "")
        << "\nType=" << r.value("Type", "") << "\nSize=" << r.value("Size", 0) << "\nflags=";
    std::vector<std::string> flags = r.value("flags", std::vector<std::string>{});
    std::sort(flags.begin(), flags.end());
    for (const std::string& f : flags)
        out << f << ' ';
    out << "\nElemSize=" << r.value("ElemSize", 0) << "\nRank=" << r.value("Rank", 0);
    int d = 0;
    const json bounds = r.value("bounds", json::array());
    for (const json& b : bounds)
        out << "\ndim" << d++ << "=" << b.value("Bits", 0u) << ' ' << b.value("Base", 0) << ' '
            << b.value("Size", 0) << ' ' << b.value("Stride", 0) << ' ' << b.value("BoundSizes", 0)
            << ' ' << b.value("BoundOfset", 0);
    const bool isConst = r.contains("ConstOffset");
    // A constant's Address is the offset of its bytes in the blob.
    const uint32_t address = isConst ? r.value("ConstOffset", 0u) : r.value("Address", 0u);
    out << "\nAddress=" << address << "\nModuleBase=" << r.value("ModuleBase", 0u)
        << "\nOffset=" << r.value("Offset", 0) << "\nConstLength=" << r.value("ConstLength", 0)
        << "\nConstBytes=" << r.value("ConstBytes", "")
        << "\nConstInBlob=" << (isConst ? r.value("ConstOffset", 0) : -1)
        << "\nExtraTypeInfo=" << r.value("ExtraTypeInfo", "")
        << "\nMemberCount=" << r.value("MemberCount", 0)
        << "\nCommonInstance=" << r.value("CommonInstance", 0);
    return out.str();
}

// A stopped program whose stop routine has the given integer variables as locals.
std::string IntegersSnapshot(const json& integers) {
    json locals = json::array();
    for (const auto& [name, value] : integers.items())
        locals.push_back({{"name", name}, {"type", "integer_4"}, {"value", value}});
    return json{{"format", "orvel-snapshot/1"},
                {"program", "DEMO"},
                {"stop", "SOLVE"},
                {"routines", json::array({{{"name", "SOLVE"}, {"locals", locals}}})}}
        .dump();
}

class RecordBlobs : public ::testing::TestWithParam<BlobCase> {
protected:
    void SetUp() override {
        ASSERT_EQ(orvel::sim::LiveObjects(), 0) << "objects left by an earlier test";
        CacheClear();
        m_live.Take();
    }

    void TearDown() override {
        m_cxt = nullptr;
        m_host.reset();
        CacheClear();
        m_live.ExpectNoneLeft();
    }

    // The records' context at the stop of a program holding the integers, which the
    // records name (bounds, lengths) and look up through the host's scopes.
    void StartHost(const json& integers) {
        orvel::sim::HostProgram program;
        std::string error;
        ASSERT_TRUE(orvel::sim::LoadSnapshot(IntegersSnapshot(integers), &program, &error))
            << error;
        ASSERT_EQ(orvel::sim::SimHost::Start(std::move(program), &m_host, &error), S_OK) << error;
        orvel::ComPtr<IDebugSymbolProvider> provider;
        orvel::ComPtr<IDebugBinder> binder;
        orvel::ComPtr<IDebugAddress> stop;
        ASSERT_EQ(m_host->GetSymbolProvider(provider.put()), S_OK);
        ASSERT_EQ(m_host->GetBinder(binder.put()), S_OK);
        ASSERT_EQ(m_host->GetStopAddress(stop.put()), S_OK);
        m_cxt = ContextPtr::Adopt(
            ExpressionContext::Create(provider.get(), binder.get(), stop.get(), nullptr));
        ASSERT_TRUE(m_cxt);
    }

    // Makes m_cxt answer as the case says; false when it cannot.
    bool Arrange(const json& context) {
        if (context.contains("integers")) {
            StartHost(context["integers"]);
            if (HasFatalFailure()) return false;
        } else {
            m_cxt = NewContext(&m_binder);
        }
        const json bases = context.value("moduleBases", json::object());
        for (const auto& [module, base] : bases.items())
            CacheAddAddress(("MODULE " + module).c_str(), base.get<uint32_t>());
        std::vector<GlobalInfoRecord> globals;
        const json globalNames = context.value("globalNames", json::array());
        for (const json& g : globalNames)
            globals.push_back({g.at("value").get<uint32_t>(), g.at("name").get<std::string>(), ""});
        SetGlobalInfoRecords(std::move(globals));
        std::vector<orvel::sim::Region> regions;
        const json memory = context.value("memory", json::array());
        for (const json& m : memory)
            regions.push_back(
                {m.at("address").get<uint32_t>(), FromHex(m.at("hex").get<std::string>())});
        if (!regions.empty()) {
            std::string error;
            m_debuggee = orvel::sim::DebuggeeProcess::Start(regions, &error);
            EXPECT_NE(nullptr, m_debuggee) << error;
            if (!m_debuggee) return false;
            SetDebuggeeProcessHandle(OpenProcess(PROCESS_VM_READ, FALSE, m_debuggee->Pid()));
            EXPECT_NE(nullptr, DebuggeeProcessHandle());
        }
        return true;
    }

    std::unique_ptr<orvel::sim::DebuggeeProcess> m_debuggee;
    std::unique_ptr<orvel::sim::SimHost> m_host;
    CountingBinder m_binder;
    ContextPtr m_cxt;
    orvel::test::LiveObjectCheck m_live;
};

TEST_P(RecordBlobs, DecodesTheListedRecords) {
    const json& c = GetParam().data;
    ASSERT_TRUE(c.is_object()) << "cannot read " << kBlobFile;
    ASSERT_TRUE(Arrange(c.value("context", json::object())));
    const std::vector<uint8_t> bytes = FromHex(c.at("hex").get<std::string>());
    InfoPtr info = InfoPtr::Adopt(ExtraDebugInfo::Create(
        bytes.data(), static_cast<int32_t>(bytes.size()), m_cxt.get(), /*Copy=*/false));
    ASSERT_TRUE(info);

    const std::vector<ExtraInfo> records = Walk(*info, true, true);
    const json& expected = c.at("records");
    ASSERT_EQ(expected.size(), records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Describe(expected[i]), Describe(records[i], bytes.data()));
    }
}

// The end of every record of a blob, as offsets: where a walk's cursor stops.
std::vector<int32_t> RecordEnds(const std::vector<uint8_t>& bytes, ExpressionContext* cxt) {
    InfoPtr info = InfoPtr::Adopt(ExtraDebugInfo::Create(
        bytes.data(), static_cast<int32_t>(bytes.size()), cxt, /*Copy=*/false));
    std::vector<int32_t> ends;
    ExtraInfo ex;
    while (info->Next(ex, true, true, nullptr))
        ends.push_back(static_cast<int32_t>(info->BufPtr - info->Data));
    return ends;
}

TEST_P(RecordBlobs, EveryPrefixGivesTheWholeRecordsItHolds) {
    const json& c = GetParam().data;
    ASSERT_TRUE(c.is_object()) << "cannot read " << kBlobFile;
    const std::vector<uint8_t> bytes = FromHex(c.at("hex").get<std::string>());
    CountingBinder binder;
    ContextPtr cxt = NewContext(&binder);
    const std::vector<int32_t> ends = RecordEnds(bytes, cxt.get());
    InfoPtr whole = NewInfo(Blob().Bytes(bytes), cxt.get());
    const int32_t wholeCount = whole->Count(true);
    const std::vector<std::string> wholeNames = Names(Walk(*whole, true, true));

    for (int32_t length = 0; length < static_cast<int32_t>(bytes.size()); ++length) {
        SCOPED_TRACE(length);
        // Exactly length bytes on the heap, so that a read past them is caught.
        std::unique_ptr<uint8_t[]> cut(new uint8_t[static_cast<size_t>(length)]);
        std::copy(bytes.begin(), bytes.begin() + length, cut.get());
        InfoPtr info =
            InfoPtr::Adopt(ExtraDebugInfo::Create(cut.get(), length, cxt.get(), /*Copy=*/false));
        ASSERT_TRUE(info);

        const size_t wholeRecords = static_cast<size_t>(
            std::count_if(ends.begin(), ends.end(), [&](int32_t end) { return end <= length; }));
        const std::vector<std::string> names = Names(Walk(*info, true, true));
        ASSERT_EQ(wholeRecords, names.size());
        EXPECT_TRUE(std::equal(names.begin(), names.end(), wholeNames.begin()));
        EXPECT_LE(info->Count(true), wholeCount);
        ExtraInfo ex;
        if (!wholeNames.empty()) info->Find(wholeNames.back().c_str(), ex);
        // A walk that ended stays ended.
        EXPECT_FALSE(info->Next(ex, true, true, nullptr));
    }
}

INSTANTIATE_TEST_SUITE_P(Blobs, RecordBlobs, ::testing::ValuesIn(LoadCases()),
                         [](const ::testing::TestParamInfo<BlobCase>& info) {
                             return info.param.name;
                         });

} // namespace
