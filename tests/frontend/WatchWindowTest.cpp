// The watch window as a debugger host drives it: the class factory's evaluator parses a
// text, the parsed expression evaluates it at the stop address into a row, and the row
// expands into array elements and members.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WatchSession.h"
#include "platform/Bstr.h"

namespace {

using orvel::ComPtr;
using orvel::test::Row;
using orvel::test::Wide;

constexpr DBG_ATTRIB_FLAGS Member = DBG_ATTRIB_DATA | DBG_ATTRIB_ACCESS_PUBLIC;

struct Valued {
    const char *text, *type, *value;
};

class WatchWindow : public orvel::test::WatchSession {
protected:
    // A row named as typed, with these type and value texts.
    void ExpectRow(const Valued& c) {
        SCOPED_TRACE(c.text);
        const Row row = Watch(c.text);
        ASSERT_EQ(row.Hr, S_OK);
        EXPECT_EQ(row.Name, c.text);
        EXPECT_EQ(row.Type, c.type);
        EXPECT_EQ(row.Value, c.value);
    }
};

TEST_F(WatchWindow, RowsOfTheDemonstrationProgram) {
    struct Case {
        const char *text, *name, *type, *value;
        DBG_ATTRIB_FLAGS attrib;
    };
    const Case cases[] = {
        {"i", "I", "INTEGER*4", "3", 0},
        {"u(3) * 2 + n", "U(3) * 2 + N", "REAL*8", "54", 0},
        {"flux", "FLUX", "REAL*4 (4,-1:0)", "REAL*4 (4,-1:0)", DBG_ATTRIB_OBJ_IS_EXPANDABLE},
        {"sensor", "SENSOR", "TYPE(PROBE)", "TYPE(PROBE)", DBG_ATTRIB_OBJ_IS_EXPANDABLE},
        {"work", "WORK", "REAL*8, ALLOCATABLE :: (5)", "{...}", DBG_ATTRIB_OBJ_IS_EXPANDABLE},
        {"status", "STATUS", "CHARACTER*12", "'converging  '", 0},
        {"ncells", "NCELLS", "INTEGER*4", "64", 0},
        // Error rows: the text as typed, no type, the message, no attribute at all.
        {"NOSUCH", "NOSUCH", "", "Unknown FORTRAN variable", 0},
        {"x + y", "x + y", "", "Unknown FORTRAN variable", 0},
        {"1/0", "1/0", "", "Division by zero", 0},
        {"spare(1)", "spare(1)", "", "Expected an array", 0},
    };
    Start("heat.json");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Row row = Watch(c.text);
        ASSERT_EQ(row.Hr, S_OK);
        EXPECT_EQ(row.Fields, DEBUGPROP_INFO_FULLNAME | DEBUGPROP_INFO_NAME | DEBUGPROP_INFO_TYPE |
                                  DEBUGPROP_INFO_VALUE | DEBUGPROP_INFO_ATTRIB |
                                  DEBUGPROP_INFO_PROP);
        EXPECT_EQ(row.Name, c.name);
        EXPECT_EQ(row.FullName, c.name);
        EXPECT_EQ(row.Type, c.type);
        EXPECT_EQ(row.Value, c.value);
        EXPECT_EQ(row.Attrib, c.attrib);
        EXPECT_TRUE(row.Property);
    }
}

TEST_F(WatchWindow, ParseChecksSyntaxOnly) {
    const std::string tooLong = "1" + std::string(600, '+') + "1";
    struct Case {
        std::basic_string<OLECHAR> text;
        HRESULT hr;
    } cases[] = {
        {Wide("1 +"), S_FALSE},
        {Wide("NOSUCH + 1"), S_OK}, // names are looked up only when evaluated
        {Wide("X(1) + + +"), S_OK}, // the check ends at the subscript's ')'
        {Wide("(1"), S_FALSE},
        {Wide("'\xcf\x80'"), S_FALSE},       // no 8-bit form: not checked as '?'
        {Wide("'\xc3\xa9t\xc3\xa9'"), S_OK}, // é has one
        {Wide(tooLong.c_str()), S_FALSE},
    };
    for (const Case& c : cases) {
        ComPtr<IDebugParsedExpression> parsed;
        OLECHAR marker[] = OLESTR("x");
        BSTR error = marker;
        UINT at = 77;
        EXPECT_EQ(m_evaluator->Parse(c.text.c_str(), 0, 10, &error, &at, parsed.put()), c.hr);
        EXPECT_EQ(error, nullptr);
        EXPECT_EQ(at, 77u) << "the error position is never written";
        EXPECT_EQ(parsed != nullptr, c.hr == S_OK);
    }
}

TEST_F(WatchWindow, ArrayRowsAreNamedBySubscriptsInColumnOrder) {
    Start("coverage.json");
    const std::vector<Row> rows = Children("grid");
    const char* names[] = {"(0,-1)", "(1,-1)", "(2,-1)", "(0,0)", "(1,0)",
                           "(2,0)",  "(0,1)",  "(1,1)",  "(2,1)"};
    ASSERT_EQ(rows.size(), std::size(names));
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Name, names[i]);
        EXPECT_EQ(rows[i].FullName, std::string("GRID") + names[i]);
        EXPECT_EQ(rows[i].Value, std::to_string(i + 1));
        EXPECT_EQ(rows[i].Type, "INTEGER*2");
        EXPECT_EQ(rows[i].Attrib, Member);
    }
}

TEST_F(WatchWindow, MembersOfStructuresAndPointerTargets) {
    Start("heat.json");
    for (const char* text : {"sensor", "current"}) {
        SCOPED_TRACE(text);
        const std::vector<Row> rows = Children(text);
        ASSERT_EQ(rows.size(), 4u);
        const char* names[] = {"ID", "POS", "READING", "NEXT"};
        const char* values[] = {"7", "REAL*4 (3)", "23.75", "Null"};
        const DBG_ATTRIB_FLAGS expandable[] = {0, DBG_ATTRIB_OBJ_IS_EXPANDABLE, 0,
                                               DBG_ATTRIB_OBJ_IS_EXPANDABLE};
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].Name, names[i]);
            EXPECT_EQ(rows[i].FullName, names[i]);
            EXPECT_EQ(rows[i].Value, values[i]);
            EXPECT_EQ(rows[i].Attrib, Member | expandable[i]);
        }
        // A member's row expands further through its own property.
        ComPtr<IEnumDebugPropertyInfo2> pos;
        ASSERT_EQ(rows[1].Property->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0,
                                                 pos.put()),
                  S_OK);
        const std::vector<Row> elements = orvel::test::Drain(pos.get());
        ASSERT_EQ(elements.size(), 3u);
        EXPECT_EQ(elements[0].FullName, "POS(1)");
        EXPECT_EQ(elements[0].Value, "0.250000");
    }
}

TEST_F(WatchWindow, EnumeratorsSkipResetAndClone) {
    Start("heat.json");
    for (const char* text : {"flux", "sensor"}) {
        SCOPED_TRACE(text);
        ComPtr<IDebugProperty2> property = Evaluate(text);
        ASSERT_TRUE(property);
        ComPtr<IEnumDebugPropertyInfo2> rows;
        ASSERT_EQ(
            property->EnumChildren(DEBUGPROP_INFO_NAME, 10, GUID{}, 0, nullptr, 0, rows.put()),
            S_OK);
        const std::vector<Row> all = orvel::test::Drain(rows.get());
        ASSERT_GE(all.size(), 4u);
        ASSERT_EQ(rows->Reset(), S_OK);
        ASSERT_EQ(rows->Skip(2), S_OK);
        std::vector<Row> rest = orvel::test::Drain(rows.get(), 1);
        ASSERT_EQ(rest.size(), all.size() - 2);
        EXPECT_EQ(rest[0].Name, all[2].Name);
        EXPECT_EQ(rest[0].Fields, DEBUGPROP_INFO_NAME) << "only the requested field is filled";

        // Past the end: nothing, and still S_OK.
        ASSERT_EQ(rows->Skip(100), S_OK);
        DEBUG_PROPERTY_INFO info{};
        ULONG fetched = 9;
        EXPECT_EQ(rows->Next(1, &info, &fetched), S_OK);
        EXPECT_EQ(fetched, 0u);

        ComPtr<IEnumDebugPropertyInfo2> clone;
        ASSERT_EQ(rows->Clone(clone.put()), S_OK);
        ULONG count = 0;
        ASSERT_EQ(clone->GetCount(&count), S_OK);
        EXPECT_EQ(count, all.size());
        const std::vector<Row> again = orvel::test::Drain(clone.get(), 3);
        ASSERT_EQ(again.size(), all.size());
        EXPECT_EQ(again[0].Name, all[0].Name) << "a clone starts at the first row";
    }
}

TEST_F(WatchWindow, ArraysListAtMostAMillionRows) {
    StartInline(R"({"format": "orvel-snapshot/1", "program": "P", "stop": "S",
        "routines": [{"name": "S", "locals": [
            {"name": "FLAGS", "type": "logical_1", "dims": [2000000], "value": {"fill": true}}]}]})");
    ComPtr<IDebugProperty2> property = Evaluate("FLAGS");
    ASSERT_TRUE(property);
    ComPtr<IEnumDebugPropertyInfo2> rows;
    ASSERT_EQ(property->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put()),
              S_OK);
    ULONG count = 0;
    ASSERT_EQ(rows->GetCount(&count), S_OK);
    EXPECT_EQ(count, 1000000u);
    ASSERT_EQ(rows->Skip(999999), S_OK);
    const std::vector<Row> last = orvel::test::Drain(rows.get(), 5);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].FullName, "FLAGS(1000000)");
    EXPECT_EQ(last[0].Value, ".TRUE.");
}

TEST_F(WatchWindow, NullArgumentsAndUnsupportedOperations) {
    Start("heat.json");
    BSTR error = nullptr;
    UINT at = 0;
    ComPtr<IDebugParsedExpression> parsed;
    EXPECT_EQ(m_evaluator->Parse(OLESTR("I"), 0, 10, &error, nullptr, parsed.put()), E_INVALIDARG);
    EXPECT_EQ(m_evaluator->Parse(OLESTR("I"), 0, 10, nullptr, &at, parsed.put()), E_INVALIDARG);
    EXPECT_EQ(m_evaluator->Parse(OLESTR("I"), 0, 10, &error, &at, nullptr), E_INVALIDARG);
    ASSERT_EQ(m_evaluator->Parse(OLESTR("I"), 0, 10, &error, &at, parsed.put()), S_OK);
    IDebugProperty2* untouched = reinterpret_cast<IDebugProperty2*>(&at);
    IDebugProperty2* result = untouched;
    EXPECT_EQ(parsed->EvaluateSync(0, 0, m_provider.get(), m_stop.get(), nullptr, nullptr, &result),
              E_INVALIDARG);
    EXPECT_EQ(result, untouched);
    EXPECT_EQ(parsed->EvaluateSync(0, 0, nullptr, m_stop.get(), m_binder.get(), nullptr, &result),
              E_INVALIDARG);
    ComPtr<IDebugProperty2> method;
    EXPECT_EQ(m_evaluator->GetMethodLocationProperty(OLESTR("S+0"), nullptr, nullptr, nullptr,
                                                     method.put()),
              E_NOTIMPL);
    EXPECT_EQ(m_evaluator->SetLocale(1033), E_NOTIMPL);
    EXPECT_EQ(m_evaluator->SetRegistryRoot(OLESTR("x")), E_NOTIMPL);

    // A value row and an error row answer the same questions.
    for (const char* text : {"flux", "NOSUCH"}) {
        SCOPED_TRACE(text);
        const bool value = std::string(text) == "flux";
        ComPtr<IDebugProperty2> row = Evaluate(text);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->GetPropertyInfo(DEBUGPROP_INFO_ALL, 10, 0, nullptr, 0, nullptr),
                  E_INVALIDARG);
        DEBUG_PROPERTY_INFO info;
        info.dwFields = 0xDEAD;
        ASSERT_EQ(row->GetPropertyInfo(DEBUGPROP_INFO_VALUE_AUTOEXPAND, 10, 0, nullptr, 0, &info),
                  S_OK);
        EXPECT_EQ(info.dwFields, 0u);
        EXPECT_EQ(info.bstrValue, nullptr);

        EXPECT_EQ(row->EnumChildren(0, 10, GUID{}, 0, nullptr, 0, nullptr),
                  value ? E_INVALIDARG : E_FAIL);
        if (!value) {
            EXPECT_EQ(row->SetValueAsString(OLESTR("1"), 10, 0), E_FAIL);
        }
        ComPtr<IDebugProperty2> parent;
        EXPECT_EQ(row->GetParent(parent.put()), E_NOTIMPL);
        EXPECT_EQ(row->GetParent(nullptr), E_INVALIDARG);
        ComPtr<IDebugMemoryContext2> memory;
        EXPECT_EQ(row->GetMemoryContext(memory.put()), E_NOTIMPL);
        EXPECT_FALSE(memory);
        DWORD size = 5;
        EXPECT_EQ(row->GetSize(&size), E_NOTIMPL);
        EXPECT_EQ(size, 0u);
        VARIANT extended;
        EXPECT_EQ(row->GetExtendedInfo(GUID{}, &extended), E_NOTIMPL);
        EXPECT_EQ(extended.vt, VT_EMPTY);
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(row->QueryInterface(IID_IDebugExpressionEvaluator,
                                      reinterpret_cast<void**>(unknown.put())),
                  E_NOINTERFACE);
    }

    ComPtr<IDebugProperty2> array = Evaluate("flux");
    ComPtr<IEnumDebugPropertyInfo2> rows;
    ASSERT_EQ(array->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put()), S_OK);
    ULONG fetched = 3;
    EXPECT_EQ(rows->Next(1, nullptr, &fetched), E_INVALIDARG);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(rows->GetCount(nullptr), E_INVALIDARG);
    EXPECT_EQ(rows->Clone(nullptr), E_INVALIDARG);
}

// An operator left of an array applies to the element, whatever the subscripts hold;
// component selection and -> bind before the subscript, and subscripts nest.
TEST_F(WatchWindow, OperatorsInsideASubscriptStayInsideDemo) {
    const Valued cases[] = {
        {"N + U(I+1)", "REAL*8", "32.5"},
        {"MESH%NX + U(I+1)", "REAL*8", "88.5"},
        {"-U(I+1)", "REAL*8", "-24.5"},
        {"N + U[I+1]", "REAL*8", "32.5"},
        {"2 * FLUX(I-2, -1) + 1", "REAL*4", "2.00000"},
        {"SENSOR%POS(I-1) + 1", "REAL*4", "1.00000"},
        {"-SENSOR%POS(I-2)", "REAL*4", "-0.250000"},
        {"N + SLICE(I+1)", "REAL*8", "32.5"},
        {"N + WORK(I+1)", "REAL*8", "8.75"},
        {"N .EQ. U(I+1)", "LOGICAL*4", ".FALSE."},
        {"U(1) + U(1+1)", "REAL*8", "41.5"},
        {"N + U(SLICE(I)-1)", "", "Array subscript must be an integer"},
    };
    Start("heat.json");
    for (const Valued& c : cases)
        ExpectRow(c);
}

TEST_F(WatchWindow, OperatorsInsideASubscriptStayInsideCoverage) {
    const Valued cases[] = {
        {"GRID(1,1) - GRID(0,-1)", "INTEGER*2", "7"},
        {"N * A(N-1,M)", "REAL*8", "6"},
        {"N * KV(KLO+1)", "INTEGER*4", "24"},
        {"-KV(KLO+1)", "INTEGER*4", "-8"},
        {"N + S(N-1,2)", "INTEGER*4", "6"},
        {"HEAD%HIST(N-1) + 1", "INTEGER*4", "4"},
        {"N + PN->HIST(N-1)", "INTEGER*4", "6"},
        {"SEG%A%X + PTS(N-1)%Y", "REAL*4", "5.00000"},
        {"A(KV(KLO)-6, N-1)", "REAL*8", "7"},
        {"A(KV(KLO+N-2)-7, M+1) * 2", "REAL*8", "8"},
        {"GRID(1,0) - GRID(-1,2)", "", "Array subscript out of bounds"},
    };
    Start("coverage.json");
    for (const Valued& c : cases)
        ExpectRow(c);
}

} // namespace
