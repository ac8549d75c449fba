// The debuggee's address lookup, evaluated through a function object.
#include "SimTestProgram.h"

namespace orvel::sim::test {
namespace {

class SimFunctionTest : public SimHostTest {
protected:
    // The lookup method, bound: as the evaluator reaches it.
    ComPtr<IDebugFunctionObject> Lookup() {
        ComPtr<IEnumDebugFields> methods;
        EXPECT_EQ(m_provider->GetMethodFieldsByName(OLESTR("Kestrin.Debug.DebugHelper."
                                                           "LookupStaticAddress"),
                                                    nmCaseInsensitive, methods.put()),
                  S_OK);
        ComPtr<IDebugField> method;
        EXPECT_EQ(methods->Next(1, method.put(), nullptr), S_OK);
        ComPtr<IDebugFunctionObject> function;
        EXPECT_EQ(Bind(method.get()).As(IID_IDebugFunctionObject, function), S_OK);
        return function;
    }

    HRESULT Evaluate(IDebugFunctionObject* function, LPCOLESTR name, uint32_t* answer) {
        ComPtr<IDebugObject> argument;
        HRESULT hr = function->CreateStringObject(name, argument.put());
        if (FAILED(hr)) return hr;
        IDebugObject* arguments[] = {argument.get()};
        ComPtr<IDebugObject> result;
        hr = function->Evaluate(arguments, 1, 0xFFFFFFFF, result.put());
        if (FAILED(hr)) return hr;
        std::vector<uint8_t> bytes = ValueOf(result.get());
        EXPECT_EQ(bytes.size(), 4u);
        *answer = bytes.size() == 4
                      ? bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24
                      : 0;
        return S_OK;
    }
};

struct LookupCase {
    const OLECHAR* name;
    uint32_t answer;
};

class SimLookupTest : public SimFunctionTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(SimLookupTest, AnswersFromTheLookupTable) {
    Start();
    uint32_t answer = 1;
    ASSERT_EQ(Evaluate(Lookup().get(), GetParam().name, &answer), S_OK);
    EXPECT_EQ(answer, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(Names, SimLookupTest,
                         ::testing::Values(LookupCase{OLESTR("Program.COUNTER"), kCounterAddress},
                                           LookupCase{OLESTR("Program.ZERO"), 0},
                                           LookupCase{OLESTR("Program.MISSING"), kLookupMissing},
                                           LookupCase{OLESTR(""), kLookupMissing}));

TEST_F(SimFunctionTest, OnlyTheLookupMethodEvaluates) {
    Start();
    ComPtr<IDebugFunctionObject> other;
    ASSERT_EQ(Bind(Static(OLESTR("OTHER")).get()).As(IID_IDebugFunctionObject, other), S_OK);
    uint32_t answer = 0;
    EXPECT_EQ(Evaluate(other.get(), OLESTR("Program.COUNTER"), &answer), E_NOTIMPL);

    ComPtr<IDebugFunctionObject> factory;
    ASSERT_EQ(m_binder->GetFunctionObject(factory.put()), S_OK);
    EXPECT_EQ(Evaluate(factory.get(), OLESTR("Program.COUNTER"), &answer), E_NOTIMPL);
}

TEST_F(SimFunctionTest, EvaluateWantsOneStringArgument) {
    Start();
    ComPtr<IDebugFunctionObject> lookup = Lookup();
    ComPtr<IDebugObject> result;
    EXPECT_EQ(lookup->Evaluate(nullptr, 0, 0xFFFFFFFF, result.put()), E_INVALIDARG);
    ComPtr<IDebugObject> number = Bind(Static(OLESTR("COUNTER")).get());
    IDebugObject* arguments[] = {number.get()};
    EXPECT_EQ(lookup->Evaluate(arguments, 1, 0xFFFFFFFF, result.put()), E_INVALIDARG);
    EXPECT_FALSE(result);
}

} // namespace
} // namespace orvel::sim::test
