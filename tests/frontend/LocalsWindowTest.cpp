// The locals window as a debugger host drives it: the method property at the stop
// address, its views by filter, .NET objects expanded into members, values edited.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WatchSession.h"
#include "host/HostIds.h"

namespace {

using orvel::ComPtr;
using orvel::test::Row;

class LocalsWindow : public orvel::test::WatchSession {
protected:
    ComPtr<IDebugProperty2> Method() {
        ComPtr<IDebugProperty2> method;
        EXPECT_EQ(m_evaluator->GetMethodProperty(m_provider.get(), m_stop.get(), m_binder.get(),
                                                 FALSE, method.put()),
                  S_OK);
        return method;
    }
    std::vector<Row> View(const GUID& filter) {
        ComPtr<IDebugProperty2> method = Method();
        ComPtr<IEnumDebugPropertyInfo2> rows;
        if (!method ||
            method->EnumChildren(DEBUGPROP_INFO_ALL, 10, filter, 0, nullptr, 0, rows.put()) != S_OK)
            return {};
        return orvel::test::Drain(rows.get());
    }
};

constexpr DBG_ATTRIB_FLAGS Member = DBG_ATTRIB_DATA | DBG_ATTRIB_ACCESS_PUBLIC;

// Every view but the arguments lists the method's Fortran variables: arguments, locals,
// SAVE variables, COMMON members and module variables alike.
TEST_F(LocalsWindow, ViewsOfTheStopRoutine) {
    Start("heat.json");
    for (const GUID* filter : {&guidFilterLocalsPlusArgs, &guidFilterLocals, &guidFilterThis}) {
        const std::vector<Row> rows = View(*filter);
        ASSERT_EQ(rows.size(), 34u);
        struct Expected {
            size_t at;
            const char *name, *type, *value;
            DBG_ATTRIB_FLAGS attrib;
        } expected[] = {
            {0, "N", "INTEGER*4", "8", Member},
            {1, "U", "REAL*8 (8)", "REAL*8 (8)", Member | DBG_ATTRIB_OBJ_IS_EXPANDABLE},
            {2, "TITLE", "CHARACTER*12", "'Copper rod A'", Member},
            {3, "I", "INTEGER*4", "3", Member},
            {18, "NMAX", "INTEGER*4, PARAMETER ::", "1000", Member},
            {22, "CALLS", "INTEGER*4", "12", Member},
            {25, "NSTEPS", "INTEGER*4", "500", Member},
            {33, "MESH", "TYPE(GRID)", "TYPE(HEATMOD!GRID)", Member | DBG_ATTRIB_OBJ_IS_EXPANDABLE},
        };
        for (const Expected& e : expected) {
            SCOPED_TRACE(e.name);
            EXPECT_EQ(rows[e.at].Name, e.name);
            EXPECT_EQ(rows[e.at].FullName, e.name);
            EXPECT_EQ(rows[e.at].Type, e.type);
            EXPECT_EQ(rows[e.at].Value, e.value);
            EXPECT_EQ(rows[e.at].Attrib, e.attrib);
            EXPECT_TRUE(rows[e.at].Property);
        }
    }
}

// The arguments view lists the host's parameters, hidden lengths included, with the
// host's names and the Fortran variables' texts.
TEST_F(LocalsWindow, ArgumentsViewListsTheHostsParameters) {
    Start("heat.json");
    const std::vector<Row> rows = View(guidFilterArgs);
    ASSERT_EQ(rows.size(), 4u);
    const char* names[] = {"N", "U", "TITLE", "_Length_of_TITLE_"};
    const char* values[] = {"8", "REAL*8 (8)", "'Copper rod A'", "12"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Name, names[i]);
        EXPECT_EQ(rows[i].FullName, std::string("HEAT.DIFFUSE.") + names[i]);
        EXPECT_EQ(rows[i].Value, values[i]);
        EXPECT_EQ(rows[i].Attrib & DBG_ATTRIB_DATA, DBG_ATTRIB_DATA);
    }
    // An array argument expands into its elements.
    ComPtr<IEnumDebugPropertyInfo2> elements;
    ASSERT_EQ(rows[1].Property->EnumChildren(DEBUGPROP_INFO_ALL, 10, guidFilterArgs, 0, nullptr, 0,
                                             elements.put()),
              S_OK);
    const std::vector<Row> u = orvel::test::Drain(elements.get());
    ASSERT_EQ(u.size(), 8u);
    EXPECT_EQ(u[2].FullName, "U(3)");
    EXPECT_EQ(u[2].Value, "23");
}

TEST_F(LocalsWindow, NullObjectsHaveNoMembers) {
    Start("heat.json");
    ComPtr<IDebugProperty2> nolog = Evaluate("nolog");
    ASSERT_TRUE(nolog);
    ComPtr<IEnumDebugPropertyInfo2> rows;
    ASSERT_EQ(nolog->EnumChildren(DEBUGPROP_INFO_ALL, 10, GUID{}, 0, nullptr, 0, rows.put()), S_OK);
    ULONG count = 7;
    EXPECT_EQ(rows->GetCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    DEBUG_PROPERTY_INFO info{};
    ULONG fetched = 3;
    EXPECT_EQ(rows->Next(1, &info, &fetched), E_FAIL);
    EXPECT_EQ(fetched, 0u);
    ComPtr<IEnumDebugPropertyInfo2> clone;
    EXPECT_EQ(rows->Clone(clone.put()), E_NOTIMPL);
}

Row FindRow(const std::vector<Row>& rows, const char* name) {
    for (const Row& row : rows)
        if (row.Name == name) return row;
    ADD_FAILURE() << "no row " << name;
    return Row();
}

// Members of a .NET object: their values through the binder, null references, objects.
TEST_F(LocalsWindow, ObjectMembersThroughTheBinder) {
    Start("heat.json");
    const std::vector<Row> members = Children("log");
    ASSERT_EQ(members.size(), 4u);
    const char* names[] = {"Name", "Lines", "Enabled", "Next"};
    const char* values[] = {"heat.log", "42", "true", "Null Reference"};
    for (size_t i = 0; i < members.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(members[i].Name, names[i]);
        EXPECT_EQ(members[i].FullName, std::string("Kestrin.Demo.Logger.") + names[i]);
        EXPECT_EQ(members[i].Value, values[i]);
        EXPECT_EQ(members[i].Attrib, Member) << "a null reference is not expandable";
        ASSERT_TRUE(members[i].Property);
    }
    // The member's own property, asked afterwards, reads the same value.
    DEBUG_PROPERTY_INFO info{};
    ASSERT_EQ(members[1].Property->GetPropertyInfo(DEBUGPROP_INFO_VALUE, 10, 0, nullptr, 0, &info),
              S_OK);
    EXPECT_EQ(orvel::test::TakeRow(info).Value, "42");
}

// Editing: an argument of the arguments view and a member of an object are stored in the
// debuggee; a Fortran variable row only evaluates the text.
TEST_F(LocalsWindow, EditedValuesLandWhereTheRowSays) {
    Start("heat.json");
    struct Case {
        const char* text;
        HRESULT hr;
        const char* shown; // N read back through the watch window
    } cases[] = {
        {"N * 2 + 1", S_OK, "17"},
        {"0x10", S_OK, "16"},
        {"1 +", E_FAIL, "16"},
        {"Q", E_FAIL, "16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Row n = FindRow(View(guidFilterArgs), "N");
        ASSERT_TRUE(n.Property);
        EXPECT_EQ(n.Property->SetValueAsString(orvel::test::Wide(c.text).c_str(), 10, 0), c.hr);
        EXPECT_EQ(Watch("N").Value, c.shown);
        EXPECT_EQ(FindRow(View(guidFilterArgs), "N").Value, c.shown);
    }

    const Row lines = FindRow(Children("log"), "Lines");
    ASSERT_EQ(lines.Property->SetValueAsString(OLESTR("40 + 3"), 10, 0), S_OK);
    EXPECT_EQ(FindRow(Children("log"), "Lines").Value, "43");
    const Row name = FindRow(Children("log"), "Name");
    EXPECT_EQ(name.Property->SetValueAsString(OLESTR("7"), 10, 0), S_OK);
    EXPECT_EQ(FindRow(Children("log"), "Name").Value, "7") << "a number written as text";

    // A Fortran variable's row reports the outcome and leaves the variable alone.
    const Row step = FindRow(View(guidFilterLocalsPlusArgs), "STEP");
    EXPECT_EQ(step.Property->SetValueAsString(OLESTR("5"), 10, 0), S_OK);
    EXPECT_EQ(step.Property->SetValueAsString(OLESTR("5 /"), 10, 0), E_FAIL);
    EXPECT_EQ(Watch("STEP").Value, "17");
}

} // namespace

// A routine whose attribute carries no records: its parameters have no Fortran kind, so
// the arguments view shows them as unknown rather than as a guessed LOGICAL*1.
TEST_F(LocalsWindow, ArgumentsWithoutRecordsAreUnknown) {
    StartInline(R"({"format": "orvel-snapshot/1", "program": "P", "stop": "S",
        "routines": [{"name": "S", "arguments": [{"name": "K", "type": "integer_4", "value": 5}]}],
        "raw": {"attributes": [{"routine": "S", "blob": "01 00 00 00 00 00"}]}})");
    const std::vector<Row> rows = View(guidFilterArgs);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Name, "K");
    EXPECT_EQ(rows[0].Value, "UNKNOWN");
    EXPECT_EQ(rows[0].Type, "dbg error");
}

// The host lists a class's methods among its members; an object's rows are its fields.
TEST_F(LocalsWindow, ObjectRowsLeaveOutTheClassMethods) {
    StartInline(R"({"format": "orvel-snapshot/1", "program": "P", "stop": "S",
        "classes": [{"name": "Demo.Counter", "methods": ["Reset", "Bump"],
                     "fields": [{"name": "Count", "type": "System.Int32"},
                                {"name": "Label", "type": "System.String"}]}],
        "objects": [{"id": "c", "class": "Demo.Counter", "fields": {"Count": 3, "Label": "x"}}],
        "routines": [{"name": "S", "locals": [
            {"name": "C", "type": "object:Demo.Counter", "value": "c"}]}]})");
    const std::vector<Row> members = Children("c");
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].Name, "Count");
    EXPECT_EQ(members[0].Value, "3");
    EXPECT_EQ(members[1].Name, "Label");
    EXPECT_EQ(members[1].Value, "x");
}
