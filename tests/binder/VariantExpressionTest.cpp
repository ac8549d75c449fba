// The evaluator of typed values: integer and boolean arithmetic over constants and the
// fields visible at the stop of the demonstration program, its first message, and the
// plain syntax check it falls back to without a host.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "../frontend/WatchSession.h"
#include "binder/VariantExpression.h"
#include "platform/Bstr.h"

namespace {

using orvel::test::Utf8;
using orvel::test::Wide;

struct Outcome {
    HRESULT Hr;
    VARTYPE Vt;
    LONG Value;
    std::string Message;
};

Outcome EvaluateText(IDebugSymbolProvider* provider, IDebugAddress* address, IDebugBinder* binder,
                     const std::string& text) {
    const std::basic_string<OLECHAR> wide = Wide(text.c_str());
    BSTR message = nullptr;
    VARIANT result;
    Outcome out;
    out.Hr = EvaluateVariantExpression(provider, address, binder, wide.c_str(), &message, &result);
    out.Vt = result.vt;
    out.Value = result.vt == VT_I4 || result.vt == VT_BOOL ? result.lVal : 0;
    out.Message = Utf8(message);
    SysFreeString(message);
    VariantClear(&result);
    return out;
}

// Statics of the program's class, visible from the routine; each type spelled as the
// host's binder reports it.
constexpr const char* kProgram = R"({
  "format": "orvel-snapshot/1", "program": "VX", "stop": "EDIT",
  "classes": [
    {"name": "Demo.Logger", "fields": [{"name": "Lines", "type": "System.Int32"}]},
    {"name": "VX", "fields": [
      {"name": "LINES", "type": "System.Int32", "static": true, "value": 42,
       "hostType": {"name": "System.Int32", "size": 4}},
      {"name": "LIMIT", "type": "System.Int32", "static": true, "value": -1,
       "hostType": {"name": "whole", "size": 4}},
      {"name": "ENABLED", "type": "System.Boolean", "static": true, "value": true,
       "hostType": {"name": "System.Boolean", "size": 1}},
      {"name": "COUNT", "type": "System.String", "static": true, "value": "12",
       "hostType": {"name": "System.String", "size": 0}},
      {"name": "TITLE", "type": "System.String", "static": true, "value": "abc",
       "hostType": {"name": "System.String", "size": 0}},
      {"name": "LOG", "type": "Demo.Logger", "static": true, "value": "log"}
    ]}
  ],
  "objects": [{"id": "log", "class": "Demo.Logger", "fields": {"Lines": 7}}],
  "routines": [{"name": "EDIT", "arguments": [{"name": "N", "type": "integer_4", "value": 3}]}]
})";

class VariantExpression : public orvel::test::WatchSession {
protected:
    void SetUp() override {
        WatchSession::SetUp();
        StartInline(kProgram);
    }
    Outcome AtStop(const std::string& text) {
        return EvaluateText(m_provider.get(), m_stop.get(), m_binder.get(), text);
    }
};

TEST_F(VariantExpression, ValuesAndMessagesAtTheStop) {
    struct Case {
        const char* text;
        HRESULT hr;
        VARTYPE vt;
        LONG value;
        const char* message;
    };
    const Case cases[] = {
        {"1 + 2 * 3", S_OK, VT_I4, 7, ""},
        {"(1 + 2) * 3", S_OK, VT_I4, 9, ""},
        {"10 - 4 - 3", S_OK, VT_I4, 3, ""},
        {"6 & 3 | 8 ^ 1", S_OK, VT_I4, 11, ""},
        {"0x1F", S_OK, VT_I4, 31, ""},
        {"0xa + 0xA + 0xf + 0xF", S_OK, VT_I4, 50, ""},
        {"0xffffffff", S_OK, VT_I4, -1, ""},
        {"4294967297", S_OK, VT_I4, 1, ""},
        {"0x7FFFFFFF + 1", S_OK, VT_I4, INT32_MIN, ""},
        {"0x10000 * 0x10000", S_OK, VT_I4, 0, ""},
        {"7 / 2", S_OK, VT_I4, 3, ""},
        {"0x80000000 / 0xFFFFFFFF", S_OK, VT_I4, INT32_MIN, ""},
        {"1 + 2 < 4", S_OK, VT_BOOL, 1, ""},
        {"1 .AND. 0", S_OK, VT_BOOL, 0, ""},
        {"0 || 0 .OR. 5", S_OK, VT_BOOL, 1, ""},
        {"5 .EQ. 5 && 2 != 3", S_OK, VT_BOOL, 1, ""},
        {"(1 < 2) + 1", S_OK, VT_I4, 2, ""},
        {"LINES * 2 + LIMIT", S_OK, VT_I4, 83, ""},
        {"lines >= 42 .AND. ENABLED", S_OK, VT_BOOL, 1, ""},
        {"COUNT + 1", S_OK, VT_I4, 13, ""},
        {"0xG", E_FAIL, VT_EMPTY, 0, "expecting hexadecimal number (at 'G')"},
        {"1 < 2 < 3", S_FALSE, VT_EMPTY, 0, "ambiguous use of '<'"},
        {"1 .LT. 2 == 3", S_FALSE, VT_EMPTY, 0, "ambiguous use of '=='"},
        {"-1", S_FALSE, VT_EMPTY, 0, "invalid expression (at '-1')"},
        {"1 +", S_FALSE, VT_EMPTY, 0, "invalid expression (at 'end')"},
        {"2 3", S_FALSE, VT_EMPTY, 0, "invalid expression (at '3')"},
        {"LINES+E", S_FALSE, VT_EMPTY, 0, "invalid expression (at '+E')"},
        {"LINES .and. 1", S_FALSE, VT_EMPTY, 0, "invalid expression (at '.and. 1')"},
        {"(1 + 2", S_FALSE, VT_EMPTY, 0, "unbalanced parenthesis"},
        {"4 / 0", S_FALSE, VT_EMPTY, 0, "divide by zero"},
        {"Q", S_FALSE, VT_EMPTY, 0, "symbol 'Q' is not defined"},
        // The first message stands: the later "invalid expression" is not kept.
        {"1 + Q * (2", S_FALSE, VT_EMPTY, 0, "symbol 'Q' is not defined"},
        {"(1 < 2 < 3", S_FALSE, VT_EMPTY, 0, "ambiguous use of '<'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Outcome out = AtStop(c.text);
        EXPECT_EQ(out.Hr, c.hr);
        EXPECT_EQ(out.Vt, c.vt);
        EXPECT_EQ(out.Value, c.value);
        EXPECT_EQ(out.Message, c.message);
    }
}

TEST_F(VariantExpression, FieldsAreReadOnlyWhenAnOperatorNeedsThem) {
    BSTR message = nullptr;
    VARIANT result;
    EXPECT_EQ(EvaluateVariantExpression(m_provider.get(), m_stop.get(), m_binder.get(),
                                        OLESTR("LOG"), &message, &result),
              S_OK);
    EXPECT_EQ(result.vt, VT_UNKNOWN);
    EXPECT_EQ(message, nullptr);
    VariantClear(&result);

    // An object, or text that is no number, is no integer.
    const std::pair<const char*, const char*> cases[] = {{"LOG + 1", "+"}, {"2 * TITLE", "*"}};
    for (const auto& [text, op] : cases) {
        SCOPED_TRACE(text);
        const Outcome out = AtStop(text);
        EXPECT_TRUE(FAILED(out.Hr)) << std::hex << out.Hr;
        EXPECT_EQ(out.Vt, VT_EMPTY);
        EXPECT_EQ(out.Message, std::string("illegal operand types for '") + op + "'");
    }
}

TEST_F(VariantExpression, HostileTextIsBounded) {
    const std::string deepest = std::string(100, '(') + "1" + std::string(100, ')');
    EXPECT_EQ(AtStop(deepest).Hr, S_OK);
    EXPECT_EQ(AtStop("(" + deepest + ")").Hr, S_FALSE);
    const Outcome longRest = AtStop("2 " + std::string(1000, 'x'));
    EXPECT_EQ(longRest.Message.size(), 255u);
    const Outcome longName = AtStop(std::string(600, 'Z'));
    EXPECT_EQ(longName.Hr, S_FALSE);
    EXPECT_EQ(longName.Message.substr(0, 8), "symbol '");
}

// Without a host the text is only checked: names stand for nothing, no operator runs.
TEST(VariantExpressionCheck, TextWithoutHost) {
    struct Case {
        const char* text;
        HRESULT hr;
        const char* message;
    };
    const Case cases[] = {
        {"1 + 2 * 3", S_OK, ""},
        {"4 / 0", S_OK, ""},
        {"Q + 1", S_OK, ""},
        {"", S_FALSE, "invalid expression (at 'end')"},
        {"A+E", S_FALSE, "invalid expression (at '+E')"},
        {"a .and. b", S_FALSE, "invalid expression (at '.and. b')"},
        {"1 < 2 < 3", S_FALSE, "ambiguous use of '<'"},
        {"0x", E_FAIL, "expecting hexadecimal number (at '')"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Outcome out = EvaluateText(nullptr, nullptr, nullptr, c.text);
        EXPECT_EQ(out.Hr, c.hr);
        EXPECT_EQ(out.Message, c.message);
        if (c.hr != S_OK) {
            EXPECT_EQ(out.Vt, VT_EMPTY);
        }
    }
    EXPECT_EQ(EvaluateVariantExpression(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(EvaluateVariantExpression(nullptr, nullptr, nullptr, OLESTR("2 3"), nullptr, nullptr),
              S_FALSE);
}

} // namespace
