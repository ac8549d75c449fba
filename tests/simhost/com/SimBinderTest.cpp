// Binding fields to objects and reading them: values, members, null references,
// pointers, arrays, strings, memory contexts and injected failures.
#include <cstdlib>
#include <cstring>

#include "SimTestProgram.h"
#include "simhost/com/SimResults.h"

namespace orvel::sim::test {
namespace {

// --- values --------------------------------------------------------------------------

struct ValueCase {
    const char* what;
    bool onFrame; // an argument or local of MAIN, else a static of Program
    const OLECHAR* name;
    std::vector<uint8_t> bytes;
};

class SimValueTest : public SimHostTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(SimValueTest, BindingWithNoContainerGivesTheValue) {
    Start();
    const ValueCase& c = GetParam();
    ComPtr<IDebugField> field = c.onFrame ? FrameField(c.name) : Static(c.name);
    ASSERT_TRUE(field);
    ComPtr<IDebugObject> object = Bind(field.get());
    ASSERT_TRUE(object);
    EXPECT_EQ(ValueOf(object.get()), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SimValueTest,
    ::testing::Values(ValueCase{"argument", true, OLESTR("n"), Le32(7)},
                      ValueCase{"local_with_address", true, OLESTR("X"), Le32(0x40490FDB)},
                      ValueCase{"two_byte_local", true, OLESTR("Y"), {0x34, 0x12}},
                      ValueCase{"hidden_local", true, OLESTR("T#1"), Le32(1)},
                      ValueCase{"static", false, OLESTR("COUNTER"), Le32(42)},
                      ValueCase{"object_reference", false, OLESTR("OBJ"), Le32(0x01000000)}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimHostTest, GetValueRefusesAShortBufferAndFillsALongOne) {
    Start();
    ComPtr<IDebugObject> counter = Bind(Static(OLESTR("COUNTER")).get());
    BYTE buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(counter->GetValue(buffer, 3), kInsufficientBuffer);
    EXPECT_EQ(counter->GetValue(buffer, 8), S_OK);
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 5), (std::vector<BYTE>{42, 0, 0, 0, 0xEE}));
}

TEST_F(SimHostTest, StringsCountInUtf16Units) {
    Start();
    ComPtr<IDebugObject> names = Bind(Static(OLESTR("~DebugInfoNames~")).get());
    UINT units = 0;
    ASSERT_EQ(names->GetSize(&units), S_OK);
    ASSERT_EQ(units, 7u);
    std::vector<OLECHAR> text(units + 1, 0);
    ASSERT_EQ(names->GetValue(reinterpret_cast<BYTE*>(text.data()), units), S_OK);
    EXPECT_EQ(std::u16string(text.begin(), text.begin() + units), u"COUNTER");
}

// --- members and null references -----------------------------------------------------

TEST_F(SimHostTest, MembersBindUnderTheirObject) {
    Start();
    ComPtr<IDebugObject> obj = Bind(Static(OLESTR("OBJ")).get());
    ComPtr<IDebugField> val = Child(Class(OLESTR("Node")).get(), OLESTR("val"));
    ComPtr<IDebugObject> member = Bind(val.get(), obj.get());
    ASSERT_TRUE(member);
    EXPECT_EQ(ValueOf(member.get()), Le32(5));

    ComPtr<IDebugObject> none;
    EXPECT_EQ(m_binder->Bind(nullptr, val.get(), none.put()), E_FAIL)
        << "an instance member needs its object";
    EXPECT_FALSE(none);

    ComPtr<IDebugObject> nullObj = Bind(Static(OLESTR("NULLOBJ")).get());
    EXPECT_EQ(m_binder->Bind(nullObj.get(), val.get(), none.put()), E_EVAL_NULL_REFERENCE);
    EXPECT_FALSE(none);
}

TEST_F(SimHostTest, AClassBindsToTheHolderOfItsStatics) {
    Start();
    ComPtr<IDebugClassField> cls = Class(OLESTR("Program"));
    ComPtr<IDebugObject> holder = Bind(cls.get());
    ASSERT_TRUE(holder);
    ComPtr<IDebugObject> counter = Bind(Static(OLESTR("COUNTER")).get(), holder.get());
    ASSERT_TRUE(counter);
    EXPECT_EQ(ValueOf(counter.get()), Le32(42));
    ComPtr<IDebugObject> again = Bind(cls.get());
    BOOL same = FALSE;
    EXPECT_EQ(holder->IsEqual(again.get(), &same), S_OK);
    EXPECT_TRUE(same) << "one holder per class";
}

struct NullCase {
    bool onFrame;
    const OLECHAR* name;
    BOOL isNull;
};

class SimNullTest : public SimHostTest, public ::testing::WithParamInterface<NullCase> {};

TEST_P(SimNullTest, IsNullReferenceReportsTheModel) {
    Start();
    const NullCase& c = GetParam();
    ComPtr<IDebugObject> object = Bind((c.onFrame ? FrameField(c.name) : Static(c.name)).get());
    BOOL isNull = 7;
    ASSERT_EQ(object->IsNullReference(&isNull), S_OK);
    EXPECT_EQ(isNull, c.isNull);
}

INSTANTIATE_TEST_SUITE_P(Nulls, SimNullTest,
                         ::testing::Values(NullCase{false, OLESTR("NULLOBJ"), TRUE},
                                           NullCase{false, OLESTR("OBJ"), FALSE},
                                           NullCase{true, OLESTR("NULLP"), TRUE},
                                           NullCase{true, OLESTR("P"), FALSE},
                                           NullCase{true, OLESTR("N"), FALSE}));

// --- memory contexts -----------------------------------------------------------------

struct AddressCase {
    bool onFrame;
    const OLECHAR* name;
    bool hasAddress;
    uint32_t address;
};

class SimMemoryContextTest : public SimHostTest,
                             public ::testing::WithParamInterface<AddressCase> {};

TEST_P(SimMemoryContextTest, AddressTextParsesWithAutomaticBase) {
    Start();
    const AddressCase& c = GetParam();
    ComPtr<IDebugObject> object = Bind((c.onFrame ? FrameField(c.name) : Static(c.name)).get());
    ComPtr<IDebugMemoryContext2> context;
    HRESULT hr = object->GetMemoryContext(context.put());
    if (!c.hasAddress) {
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_FALSE(context);
        return;
    }
    ASSERT_EQ(hr, S_OK);
    CONTEXT_INFO info;
    std::memset(&info, 0xCD, sizeof info);
    ASSERT_EQ(context->GetInfo(CIF_ADDRESS, &info), S_OK);
    EXPECT_EQ(info.dwFields, DWORD(CIF_ADDRESS));
    EXPECT_EQ(info.bstrModuleUrl, nullptr);
    ASSERT_NE(info.bstrAddress, nullptr);
    std::string text;
    for (UINT i = 0; i < SysStringLen(info.bstrAddress); ++i)
        text += static_cast<char>(info.bstrAddress[i]);
    SysFreeString(info.bstrAddress);
    char* end = nullptr;
    EXPECT_EQ(std::strtoul(text.c_str(), &end, 0), c.address) << text;
    EXPECT_EQ(*end, '\0') << text;
}

INSTANTIATE_TEST_SUITE_P(Addresses, SimMemoryContextTest,
                         ::testing::Values(AddressCase{false, OLESTR("COUNTER"), true,
                                                       kCounterAddress},
                                           AddressCase{true, OLESTR("X"), true, kXAddress},
                                           AddressCase{true, OLESTR("Y"), false, 0},
                                           AddressCase{true, OLESTR("N"), false, 0}));

// --- pointers and arrays -------------------------------------------------------------

TEST_F(SimHostTest, PointersDereferenceToTheirTarget) {
    Start();
    ComPtr<IDebugPointerObject> p;
    ASSERT_EQ(Bind(FrameField(OLESTR("P")).get()).As(IID_IDebugPointerObject, p), S_OK);
    EXPECT_EQ(ValueOf(p.get()), Le32(kTargetAddress)) << "a pointer's value is its target address";
    ComPtr<IDebugObject> target;
    ASSERT_EQ(p->Dereference(0, target.put()), S_OK);
    EXPECT_EQ(ValueOf(target.get()), Le32(99));

    ComPtr<IDebugPointerObject> nullp;
    ASSERT_EQ(Bind(FrameField(OLESTR("NULLP")).get()).As(IID_IDebugPointerObject, nullp), S_OK);
    EXPECT_EQ(nullp->Dereference(0, target.put()), E_FAIL);
    EXPECT_FALSE(target);

    ComPtr<IDebugPointerObject> notPointer;
    EXPECT_EQ(Bind(FrameField(OLESTR("N")).get()).As(IID_IDebugPointerObject, notPointer),
              E_NOINTERFACE);
    ComPtr<IDebugArrayObject> notArray;
    EXPECT_EQ(Bind(FrameField(OLESTR("P")).get()).As(IID_IDebugArrayObject, notArray),
              E_NOINTERFACE);
}

TEST_F(SimHostTest, ArrayElementsComeInIndexOrder) {
    Start();
    ComPtr<IDebugArrayObject> info;
    ASSERT_EQ(Bind(Static(OLESTR("~DebugInfo~")).get()).As(IID_IDebugArrayObject, info), S_OK);
    DWORD count = 0;
    ASSERT_EQ(info->GetCount(&count), S_OK);
    EXPECT_EQ(count, 2u);

    ComPtr<IEnumDebugObjects> elements;
    ASSERT_EQ(info->GetElements(elements.put()), S_OK);
    ComPtr<IDebugObject> first;
    ULONG fetched = 0;
    ASSERT_EQ(elements->Next(1, first.put(), &fetched), S_OK);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(ValueOf(first.get()), Le32(m_host->ProcessId())) << "element 0 is the process id";

    IDebugObject* rest[3] = {};
    EXPECT_EQ(elements->Next(3, rest, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    ComPtr<IDebugObject> second = ComPtr<IDebugObject>::Adopt(rest[0]);
    EXPECT_EQ(rest[1], nullptr);
    EXPECT_EQ(ValueOf(second.get()), Le32(kCounterAddress));
    EXPECT_EQ(elements->Next(1, first.put(), &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_FALSE(first);
}

// --- injected failures ---------------------------------------------------------------

struct FailureCase {
    const char* what;
    std::string field; // as the model names it
    HostOp op;
    HRESULT injected;
};

class SimFailureTest : public SimHostTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SimFailureTest, InjectedFailuresReachTheCaller) {
    const FailureCase& c = GetParam();
    TestProgram t = MakeTestProgram();
    t.program.failures.push_back({c.field, c.op, c.injected});
    Start(std::move(t));
    ComPtr<IDebugField> x = FrameField(OLESTR("X"));
    ComPtr<IDebugField> counter = Static(OLESTR("COUNTER"));
    bool onX = NamesEqual(c.field, "X");
    IDebugField* target = onX ? x.get() : counter.get();
    IDebugField* other = onX ? counter.get() : x.get();

    auto run = [&](IDebugField* field) -> HRESULT {
        switch (c.op) {
        case HostOp::GetType: {
            ComPtr<IDebugField> type;
            HRESULT hr = field->GetType(type.put());
            if (FAILED(hr)) {
                EXPECT_FALSE(type);
            }
            return hr;
        }
        case HostOp::Bind: {
            ComPtr<IDebugObject> object;
            HRESULT hr = m_binder->Bind(nullptr, field, object.put());
            if (FAILED(hr)) {
                EXPECT_FALSE(object);
            }
            return hr;
        }
        case HostOp::GetValue: {
            BYTE buffer[4];
            return Bind(field)->GetValue(buffer, 4);
        }
        case HostOp::GetMemoryContext: {
            ComPtr<IDebugMemoryContext2> context;
            HRESULT hr = Bind(field)->GetMemoryContext(context.put());
            if (FAILED(hr)) {
                EXPECT_FALSE(context);
            }
            return hr;
        }
        case HostOp::Count:
            break;
        }
        return E_UNEXPECTED;
    };
    EXPECT_EQ(run(target), c.injected);
    EXPECT_EQ(run(other), S_OK) << "only the named field fails";
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SimFailureTest,
    ::testing::Values(
        FailureCase{"GetType_by_full_name", "Program.COUNTER", HostOp::GetType, E_FAIL},
        FailureCase{"Bind_by_simple_name", "x", HostOp::Bind, E_ACCESSDENIED},
        FailureCase{"GetValue", "X", HostOp::GetValue, static_cast<HRESULT>(0x80131C30)},
        FailureCase{"GetMemoryContext", "COUNTER", HostOp::GetMemoryContext, E_NOTIMPL}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace
} // namespace orvel::sim::test
