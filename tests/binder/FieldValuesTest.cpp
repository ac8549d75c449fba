// The binder layer against a stopped program: .NET fields of every type the binder knows
// are read into VARIANTs, shown, converted and written back, and names are found in the
// host's scopes and then among the Fortran records. Each test starts fields.json afresh.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "../model/ModelTestSupport.h"
#include "../support/LiveObjectCheck.h"
#include "binder/FieldValues.h"
#include "binder/VariantText.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/LiveCounts.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

using orvel::ComPtr;
using orvel::test::TakeString;
using orvel::test::WideCopy;

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(hr));
    return text;
}

// A VARIANT cleared at the end of its scope.
struct Var {
    VARIANT v;
    Var() { VariantInit(&v); }
    Var(const Var&) = delete;
    ~Var() { VariantClear(&v); }
};

class FieldValues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(orvel::sim::LiveObjects(), 0) << "objects left by an earlier test";
        CacheClear();
        m_live.Take();
        orvel::sim::HostProgram program;
        std::string error;
        ASSERT_TRUE(orvel::sim::LoadSnapshotFile(
            std::string(ORVEL_TEST_DATA_DIR) + "/snapshots/fields.json", &program, &error))
            << error;
        ASSERT_EQ(orvel::sim::SimHost::Start(std::move(program), &m_host, &error), S_OK) << error;
        ASSERT_EQ(m_host->GetSymbolProvider(m_provider.put()), S_OK);
        ASSERT_EQ(m_host->GetBinder(m_binder.put()), S_OK);
        ASSERT_EQ(m_host->GetStopAddress(m_stop.put()), S_OK);
    }

    void TearDown() override {
        m_provider = nullptr;
        m_binder = nullptr;
        m_stop = nullptr;
        m_host.reset();
        CacheClear();
        m_live.ExpectNoneLeft();
    }

    HRESULT Find(const char* name, ComPtr<IDebugField>& field) {
        orvel::BstrHolder wide(WideCopy(name));
        return FindFieldByName(m_provider.get(), m_stop.get(), m_binder.get(), wide.get(),
                               field.put());
    }

    ComPtr<IDebugField> Field(const char* name) {
        ComPtr<IDebugField> field;
        EXPECT_EQ(Find(name, field), S_OK) << name;
        return field;
    }

    std::string Text(const VARIANT& v, DWORD radix = 10) {
        BSTR text = nullptr;
        const HRESULT hr = VariantValueText(radix, m_binder.get(), &v, &text);
        if (FAILED(hr)) return "<" + Hex(hr) + ">";
        return TakeString(text);
    }

    // The field's value text after a fresh read through the binder.
    std::string Read(const char* name) {
        Var value;
        const HRESULT hr = GetFieldValue(m_binder.get(), Field(name).get(), &value.v, nullptr);
        if (FAILED(hr)) return "<" + Hex(hr) + ">";
        return Text(value.v);
    }

    // The raw bytes of a field's bound object.
    std::string RawBytes(const char* name) {
        ComPtr<IDebugObject> object;
        if (FAILED(m_binder->Bind(nullptr, Field(name).get(), object.put()))) return "<bind>";
        UINT size = 0;
        object->GetSize(&size);
        std::string bytes(size, '\0');
        object->GetValue(reinterpret_cast<BYTE*>(bytes.data()), size);
        return bytes;
    }

    std::unique_ptr<orvel::sim::SimHost> m_host;
    ComPtr<IDebugSymbolProvider> m_provider;
    ComPtr<IDebugBinder> m_binder;
    ComPtr<IDebugAddress> m_stop;
    orvel::test::LiveObjectCheck m_live;
};

struct TypedRead {
    const char* field;
    VARTYPE vt;
    const char* decimal;
    const char* hex;
    const char* typeName;
};

TEST_F(FieldValues, ReadsEveryRowOfTheTypeTable) {
    const TypedRead reads[] = {
        {"W1", VT_I1, "A", "0x41", "INTEGER*1"},
        {"W2", VT_I2, "-2", "0xfffe", "INTEGER*2"},
        {"W4", VT_I4, "-1", "0xffffffff", "INTEGER*4"},
        {"W8", VT_I8, "-5000000000", "0xfffffffed5fa0e00", "INTEGER*8"},
        {"U1", VT_UI1, "200", "0xc8", "byte"},
        {"U2", VT_UI2, "65535", "0xffff", "char"},
        {"U4", VT_UI4, "4294967295", "0xffffffff", "unsigned int"},
        {"U8", VT_UI8, "9223372036854775807", "0x7fffffffffffffff", "unsigned int64"},
        {"R4", VT_R4, "1.5", "1.5", "REAL*4"},
        {"R8", VT_R8, "0.25", "0.25", "REAL*8"},
        {"B1", VT_BOOL, "true", "true", "bool"},
        {"B2", VT_BOOL, "false", "false", "bool"},
        {"B4", VT_BOOL, "true", "true", "bool"},
        {"S", VT_BSTR, "abc", "abc", "string"},
        {"NI4", VT_I4, "-123456", "0xfffe1dc0", "INTEGER*4"},
        {"NCH", VT_UI2, "65", "0x41", "char"},
        {"NB2", VT_BOOL, "true", "true", "bool"},
        {"NS", VT_BSTR, "hello", "hello", "string"},
        {"NOTEXT", VT_BSTR, "", "", "string"},
        {"NULLS", VT_BSTR, "", "", "string"},
        // Sixteen value bytes: only the first eight reach the VARIANT.
        {"WIDE", VT_I8, "578437695752307201", "0x807060504030201", "INTEGER*8"},
    };
    for (const TypedRead& r : reads) {
        SCOPED_TRACE(r.field);
        ComPtr<IDebugField> field = Field(r.field);
        Var value, type, asField;
        ASSERT_EQ(GetFieldValue(m_binder.get(), field.get(), &value.v, nullptr), S_OK);
        EXPECT_EQ(value.v.vt, r.vt);
        EXPECT_EQ(Text(value.v, 10), r.decimal);
        EXPECT_EQ(Text(value.v, 16), r.hex);
        ASSERT_EQ(GetFieldType(field.get(), &type.v), S_OK);
        EXPECT_EQ(type.v.vt, r.vt);
        BSTR name = nullptr;
        EXPECT_EQ(VariantTypeName(&type.v, &name), S_OK);
        EXPECT_EQ(TakeString(name), r.typeName);
        // A field-valued VARIANT shows the field's value.
        ASSERT_EQ(FieldAsVariant(field.get(), &asField.v), S_OK);
        EXPECT_EQ(Text(asField.v, 10), r.decimal);
    }
}

TEST_F(FieldValues, TypesOutsideTheTableAreObjectsAndDoNotRead) {
    const std::pair<const char*, const char*> fields[] = {
        {"LOWER", "system.int32"}, // letter case counts
        {"CHAR2", "System.Char"},  // a char of 2 bytes is no row
        {"PLAIN", "Int32"},        // a simple name is no row
        {"HEAD", "Node"},
    };
    for (const auto& [name, typeName] : fields) {
        SCOPED_TRACE(name);
        ComPtr<IDebugField> field = Field(name);
        Var value, type;
        value.v.vt = VT_I4; // an out-value: initialised, not cleared
        EXPECT_EQ(GetFieldValue(m_binder.get(), field.get(), &value.v, nullptr), E_FAIL);
        EXPECT_EQ(value.v.vt, VT_EMPTY);
        ASSERT_EQ(GetFieldType(field.get(), &type.v), S_OK);
        ASSERT_EQ(type.v.vt, VT_UNKNOWN);
        BSTR text = nullptr;
        EXPECT_EQ(VariantTypeName(&type.v, &text), S_OK);
        EXPECT_EQ(TakeString(text), typeName);
    }
}

struct Write {
    const char* field;
    VARTYPE vt;    // of the value written; VT_UNKNOWN: the field named by text
    double number; // VT_R8, or the integer of the other numeric tags
    const char* text;
    HRESULT result;
    const char* after; // the field's value text read afterwards
};

TEST_F(FieldValues, WritesLandInTheDebuggeeAndReadBack) {
    const Write writes[] = {
        {"W4", VT_I4, 7, nullptr, S_OK, "7"},
        {"W1", VT_I4, 66, nullptr, S_OK, "B"},
        {"W2", VT_BSTR, 0, "-300", S_OK, "-300"},
        {"U4", VT_R8, 2.5, nullptr, S_OK, "2"}, // half to even
        {"R8", VT_BSTR, 0, "0.5", S_OK, "0.5"},
        {"B1", VT_I4, 0, nullptr, S_OK, "false"},
        {"NCH", VT_BSTR, 0, "90", S_OK, "90"},
        {"S", VT_BSTR, 0, "xyz", S_OK, "xyz"},
        {"NS", VT_I4, 12, nullptr, S_OK, "12"},
        // A field's value is read, then converted: W4 holds 7 by now.
        {"NI4", VT_UNKNOWN, 0, "W4", S_OK, "7"},
        // Failures leave the field as it was.
        {"NI2", VT_I4, 70000, nullptr, DISP_E_OVERFLOW, "300"},
        {"W8", VT_BSTR, 0, "abc", DISP_E_TYPEMISMATCH, "-5000000000"},
        {"U1", VT_UNKNOWN, 0, "HEAD", E_FAIL, "200"}, // an object is no byte
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.field);
        Var value;
        value.v.vt = w.vt;
        if (w.vt == VT_BSTR) {
            value.v.bstrVal = WideCopy(w.text);
        } else if (w.vt == VT_UNKNOWN) {
            VariantInit(&value.v);
            ASSERT_EQ(FieldAsVariant(Field(w.text).get(), &value.v), S_OK);
        } else if (w.vt == VT_R8) {
            value.v.dblVal = w.number;
        } else {
            value.v.lVal = static_cast<LONG>(w.number);
        }
        EXPECT_EQ(Hex(SetFieldValue(m_binder.get(), Field(w.field).get(), &value.v)),
                  Hex(w.result));
        EXPECT_EQ(Read(w.field), w.after);
    }
}

TEST_F(FieldValues, ObjectFieldsTakeObjectsOfTheSameTypeName) {
    const std::string head = RawBytes("HEAD");
    ASSERT_NE(head, std::string(4, '\0'));
    Var node, other, converted;
    ASSERT_EQ(FieldAsVariant(Field("HEAD").get(), &node.v), S_OK);
    ASSERT_EQ(FieldAsVariant(Field("OTHER").get(), &other.v), S_OK);

    EXPECT_EQ(ConvertToFieldType(m_binder.get(), Field("SPARE").get(), &other.v, &converted.v),
              S_FALSE);
    EXPECT_EQ(SetFieldValue(m_binder.get(), Field("SPARE").get(), &other.v), E_FAIL);
    EXPECT_EQ(RawBytes("SPARE"), std::string(4, '\0'));

    EXPECT_EQ(SetFieldValue(m_binder.get(), Field("SPARE").get(), &node.v), S_OK);
    EXPECT_EQ(RawBytes("SPARE"), head);
}

TEST_F(FieldValues, ConversionsReadFieldsFirstAndMayWorkInPlace) {
    Var v;
    ASSERT_EQ(FieldAsVariant(Field("NU2").get(), &v.v), S_OK);
    ASSERT_EQ(ConvertVariant(m_binder.get(), VT_BSTR, &v.v, &v.v), S_OK);
    ASSERT_EQ(v.v.vt, VT_BSTR);
    EXPECT_EQ(Text(v.v), "1000");

    Var field, number;
    ASSERT_EQ(FieldAsVariant(Field("NI2").get(), &field.v), S_OK);
    ASSERT_EQ(ConvertVariant(m_binder.get(), VT_I4, &field.v, &number.v), S_OK);
    EXPECT_EQ(number.v.vt, VT_I4);
    EXPECT_EQ(number.v.lVal, 300);
    EXPECT_EQ(field.v.vt, VT_UNKNOWN); // the source stays as it was

    ASSERT_EQ(ResolveVariant(m_binder.get(), &field.v, &field.v), S_OK);
    EXPECT_EQ(field.v.vt, VT_I2);

    // Only an interface changes to VT_UNKNOWN; the failure leaves the destination empty.
    Var out;
    out.v.vt = VT_I4;
    EXPECT_EQ(ConvertVariant(m_binder.get(), VT_UNKNOWN, &number.v, &out.v), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(out.v.vt, VT_EMPTY);
    EXPECT_EQ(ConvertVariant(nullptr, VT_I4, &number.v, &out.v), E_INVALIDARG);
}

struct Lookup {
    const char* name;
    HRESULT result;
    const char* type; // FIF_TYPE of what was found
    bool fortran;     // a variable of the debug information rather than a host field
    DWORD modifiers;  // Fortran variables only
};

TEST_F(FieldValues, FindsHostFieldsBeforeFortranRecords) {
    const Lookup lookups[] = {
        {"K", S_OK, "System.Int32", false, 0},    // a local of the method
        {"n", S_OK, "System.Int32", false, 0},    // an argument, any letter case
        {"nu8", S_OK, "System.UInt64", false, 0}, // the class's static hides the SAVE variable
        {"calls", S_OK, "INTEGER*4", true, 0x2},  // SAVE variables are records only
        {"HIST", S_OK, "INTEGER*4 (3)", true, 0x2},
        {"KMAX", S_OK, "INTEGER*4, PARAMETER ::", true, 0x42},
        {"NOSUCH", S_FALSE, nullptr, false, 0},
    };
    for (const Lookup& l : lookups) {
        SCOPED_TRACE(l.name);
        ComPtr<IDebugField> field;
        EXPECT_EQ(Find(l.name, field), l.result);
        if (!field) {
            EXPECT_NE(l.result, S_OK);
            continue;
        }
        FIELD_INFO info{};
        ASSERT_EQ(field->GetInfo(FIF_TYPE | FIF_MODIFIERS, &info), S_OK);
        EXPECT_EQ(TakeString(info.bstrType), l.type);
        ComPtr<IDebugAddress> address;
        const HRESULT hr = field->GetAddress(address.put());
        if (l.fortran) {
            EXPECT_EQ(info.dwModifiers, l.modifiers);
            // A wrapper carries the code address it was found at.
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(address.get(), m_stop.get());
        }
    }
}

TEST(ErrorText, SystemMessageOrTheCode) {
    const std::pair<HRESULT, const char*> codes[] = {
        {E_FAIL, "Unspecified error"},
        {E_INVALIDARG, "The parameter is incorrect."},
        {static_cast<HRESULT>(0xA0001234), "Err: 0xa0001234"},
    };
    for (const auto& [code, text] : codes) {
#if ORVEL_WINDOWS
        // The system's own wording, which differs between Windows and Wine.
        if (code != codes[2].first) {
            EXPECT_FALSE(TakeString(ErrorText(code)).empty()) << Hex(code);
            continue;
        }
#endif
        EXPECT_EQ(TakeString(ErrorText(code)), text) << Hex(code);
    }
}

} // namespace
