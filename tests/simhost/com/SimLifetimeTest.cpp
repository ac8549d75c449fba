// The host's life around the debuggee process: the published process id, writes that
// reach the debuggee, references that keep it alive, and the boundary's argument checks.
#include <cstring>
#include <functional>

#include "SimTestProgram.h"
#include "platform/ProcessMemory.h"

namespace orvel::sim::test {
namespace {

// Reads the debuggee directly, as the evaluator does.
std::vector<uint8_t> ReadDebuggeeBytes(uint32_t pid, uint32_t address, size_t size) {
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    EXPECT_NE(process, nullptr);
    std::vector<uint8_t> bytes(size);
    if (!process) return {};
    size_t got = ReadDebuggee(process, address, bytes.data(), size);
    CloseHandle(process);
    bytes.resize(got);
    return bytes;
}

bool ProcessAlive(uint32_t pid) {
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    if (!process) return false;
    uint8_t byte = 0;
    bool readable = ReadDebuggee(process, kCounterAddress, &byte, 1) == 1;
    CloseHandle(process);
    return readable;
}

TEST_F(SimHostTest, TheDebuggeeHoldsTheImageAndItsOwnId) {
    Start();
    ASSERT_NE(m_host->ProcessId(), 0u);
    EXPECT_EQ(ReadDebuggeeBytes(m_host->ProcessId(), kCounterAddress, 4), Le32(42));
    EXPECT_EQ(ReadDebuggeeBytes(m_host->ProcessId(), kDebugInfoAddress, 4),
              Le32(m_host->ProcessId()));
}

TEST_F(SimHostTest, AProgramWithoutMemoryStillRunsAProcess) {
    TestProgram t;
    t.program.globalClass = t.program.AddClass("Empty");
    ValueId pid = t.program.AddScalar({});
    t.program.processIdValues.push_back(pid);
    Start(std::move(t));
    EXPECT_NE(m_host->ProcessId(), 0u);
    EXPECT_EQ(m_host->ValueNow(pid).bytes, Le32(m_host->ProcessId()));
}

struct WriteCase {
    const char* what;
    const OLECHAR* local;
    std::vector<uint8_t> written;
    HRESULT result;
    bool inDebuggee; // the value has an address, so the debuggee sees the write
};

class SimWriteTest : public SimHostTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(SimWriteTest, SetValueReachesTheModelAndTheDebuggee) {
    Start();
    const WriteCase& c = GetParam();
    ComPtr<IDebugObject> object = Bind(FrameField(c.local).get());
    std::vector<uint8_t> before = ValueOf(object.get());
    std::vector<uint8_t> bytes = c.written;
    EXPECT_EQ(object->SetValue(bytes.data(), static_cast<UINT>(bytes.size())), c.result);

    std::vector<uint8_t> expected = SUCCEEDED(c.result) ? c.written : before;
    EXPECT_EQ(ValueOf(Bind(FrameField(c.local).get()).get()), expected)
        << "a new binding sees the value";
    if (c.inDebuggee) {
        EXPECT_EQ(ReadDebuggeeBytes(m_host->ProcessId(), kXAddress, expected.size()), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writes, SimWriteTest,
    ::testing::Values(WriteCase{"addressed", OLESTR("X"), Le32(0x3F800000), S_OK, true},
                      WriteCase{"in_the_model_only", OLESTR("Y"), {0x78, 0x56}, S_OK, false},
                      WriteCase{"wrong_size", OLESTR("X"), {1, 2}, E_INVALIDARG, true}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimHostTest, StringsTakeTheirNewTextUpToTheNul) {
    Start();
    ComPtr<IDebugObject> names = Bind(Static(OLESTR("~DebugInfoNames~")).get());
    const char16_t text[] = u"A,B";
    BYTE bytes[sizeof text];
    std::memcpy(bytes, text, sizeof text);
    ASSERT_EQ(names->SetValue(bytes, sizeof text), S_OK);
    UINT units = 0;
    ASSERT_EQ(names->GetSize(&units), S_OK);
    EXPECT_EQ(units, 3u);
}

TEST_F(SimHostTest, TheDebuggeeEndsWithTheLastObject) {
    Start();
    uint32_t pid = m_host->ProcessId();
    ComPtr<IDebugObject> kept = Bind(Static(OLESTR("COUNTER")).get());
    m_provider = nullptr;
    m_binder = nullptr;
    m_address = nullptr;
    m_host.reset();
    EXPECT_TRUE(ProcessAlive(pid)) << "an object still refers to the program";
    EXPECT_EQ(ValueOf(kept.get()), Le32(42));
    kept = nullptr;
    EXPECT_FALSE(ProcessAlive(pid));
}

TEST_F(SimHostTest, ForeignFieldsAndObjectsAreRefused) {
    Start();
    std::unique_ptr<SimHost> second;
    ASSERT_EQ(SimHost::Start(MakeTestProgram().program, &second), S_OK);
    ComPtr<IDebugBinder> secondBinder;
    ASSERT_EQ(second->GetBinder(secondBinder.put()), S_OK);
    ComPtr<IDebugObject> object;
    EXPECT_EQ(secondBinder->Bind(nullptr, Static(OLESTR("COUNTER")).get(), object.put()), E_FAIL);
    EXPECT_FALSE(object);

    ComPtr<IDebugSymbolProvider> secondProvider;
    ASSERT_EQ(second->GetSymbolProvider(secondProvider.put()), S_OK);
    ComPtr<IDebugContainerField> method;
    EXPECT_EQ(secondProvider->GetContainerField(m_address.get(), method.put()),
              E_SH_INVALID_ADDRESS);
    EXPECT_FALSE(method);
}

// --- null pointer arguments ----------------------------------------------------------

struct NullArgCase {
    const char* what;
    std::function<HRESULT(SimHostTest&)> call;
};

class SimNullArgTest : public SimHostTest, public ::testing::WithParamInterface<NullArgCase> {
public:
    IDebugSymbolProvider* Provider() { return m_provider.get(); }
    IDebugBinder* Binder() { return m_binder.get(); }
    ComPtr<IDebugMethodField> MethodField() { return Method(); }
    ComPtr<IDebugField> Counter() { return Static(OLESTR("COUNTER")); }
    ComPtr<IDebugField> ModuleM() { return Static(OLESTR("MODULE M")); }
    ComPtr<IDebugObject> CounterObject() { return Bind(Counter().get()); }
};

SimNullArgTest& Self(SimHostTest& t) {
    return static_cast<SimNullArgTest&>(t);
}

TEST_P(SimNullArgTest, NullPointerArgumentsAreInvalid) {
    Start();
    EXPECT_EQ(GetParam().call(*this), E_INVALIDARG);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, SimNullArgTest,
    ::testing::Values(
        NullArgCase{"GetContainerField_address",
                    [](SimHostTest& t) {
                        ComPtr<IDebugContainerField> out;
                        return Self(t).Provider()->GetContainerField(nullptr, out.put());
                    }},
        NullArgCase{"Bind_field",
                    [](SimHostTest& t) {
                        ComPtr<IDebugObject> out;
                        return Self(t).Binder()->Bind(nullptr, nullptr, out.put());
                    }},
        NullArgCase{"Bind_out",
                    [](SimHostTest& t) {
                        return Self(t).Binder()->Bind(nullptr, Self(t).Counter().get(), nullptr);
                    }},
        NullArgCase{"GetInfo",
                    [](SimHostTest& t) { return Self(t).Counter()->GetInfo(FIF_ALL, nullptr); }},
        NullArgCase{"EnumLocals_address",
                    [](SimHostTest& t) {
                        ComPtr<IEnumDebugFields> out;
                        return Self(t).MethodField()->EnumLocals(nullptr, out.put());
                    }},
        NullArgCase{"GetValue",
                    [](SimHostTest& t) { return Self(t).CounterObject()->GetValue(nullptr, 4); }},
        NullArgCase{
            "GetMemoryContext",
            [](SimHostTest& t) { return Self(t).CounterObject()->GetMemoryContext(nullptr); }},
        NullArgCase{"CustomAttribute_length",
                    [](SimHostTest& t) {
                        ComPtr<IDebugCustomAttributeQuery> query;
                        EXPECT_EQ(Self(t).ModuleM().As(IID_IDebugCustomAttributeQuery, query),
                                  S_OK);
                        return query
                                   ? query->GetCustomAttributeByName(OLESTR("A"), nullptr, nullptr)
                                   : E_UNEXPECTED;
                    }}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimHostTest, UnsupportedCallsClearTheirOutValues) {
    Start();
    IDebugField* field = reinterpret_cast<IDebugField*>(1);
    EXPECT_EQ(m_provider->GetField(m_address.get(), m_address.get(), &field), E_NOTIMPL);
    EXPECT_EQ(field, nullptr);
    IDebugContainerField* global = reinterpret_cast<IDebugContainerField*>(1);
    EXPECT_EQ(m_provider->GetGlobalContainer(&global), E_NOTIMPL);
    EXPECT_EQ(global, nullptr);
    IDebugAddress* address = reinterpret_cast<IDebugAddress*>(1);
    EXPECT_EQ(Static(OLESTR("COUNTER"))->GetAddress(&address), E_NOTIMPL);
    EXPECT_EQ(address, nullptr);
}

} // namespace
} // namespace orvel::sim::test
