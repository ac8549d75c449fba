// Fields, their enumerations and their custom attributes, through the host interfaces.
#include <cctype>
#include <cstring>
#include <functional>

#include "SimTestProgram.h"
#include "simhost/com/SimResults.h"

namespace orvel::sim::test {
namespace {

// --- enumerations --------------------------------------------------------------------

struct EnumStep {
    const char* what;
    ULONG skip;                     // Skip first (0: none)
    HRESULT skipResult;             // expected from Skip
    ULONG request;                  // then Next(request)
    HRESULT nextResult;             // expected from Next
    std::vector<std::string> names; // what Next hands out
};

class SimFieldEnumTest : public SimHostTest, public ::testing::WithParamInterface<EnumStep> {};

TEST_P(SimFieldEnumTest, NextAndSkipReportWhatCame) {
    Start();
    const EnumStep& step = GetParam();
    ComPtr<IEnumDebugFields> locals;
    ASSERT_EQ(Method()->EnumLocals(m_address.get(), locals.put()), S_OK);
    if (step.skip) {
        EXPECT_EQ(locals->Skip(step.skip), step.skipResult);
    }

    std::vector<IDebugField*> got(step.request + 1, reinterpret_cast<IDebugField*>(1));
    ULONG fetched = 99;
    EXPECT_EQ(locals->Next(step.request, got.data(), &fetched), step.nextResult);
    ASSERT_EQ(fetched, step.names.size());
    for (ULONG i = 0; i < step.request; ++i) {
        if (i < fetched) {
            ComPtr<IDebugField> field = ComPtr<IDebugField>::Adopt(got[i]);
            EXPECT_EQ(Name(field.get()), step.names[i]);
        } else {
            EXPECT_EQ(got[i], nullptr) << "slots beyond the fetched count are cleared";
        }
    }
}

// EnumLocals of MAIN gives X, Y, NULLP (the hidden T#1 only in EnumAllLocals).
INSTANTIATE_TEST_SUITE_P(
    Locals, SimFieldEnumTest,
    ::testing::Values(EnumStep{"one", 0, S_OK, 1, S_OK, {"X"}},
                      EnumStep{"all", 0, S_OK, 3, S_OK, {"X", "Y", "NULLP"}},
                      EnumStep{"more than there are", 0, S_OK, 5, S_FALSE, {"X", "Y", "NULLP"}},
                      EnumStep{"after a skip", 2, S_OK, 2, S_FALSE, {"NULLP"}},
                      EnumStep{"skip to the end", 3, S_OK, 1, S_FALSE, {}},
                      EnumStep{"skip past the end", 7, S_FALSE, 1, S_FALSE, {}}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST_F(SimHostTest, ResetAndCloneKeepTheirOwnPosition) {
    Start();
    ComPtr<IEnumDebugFields> locals;
    ASSERT_EQ(Method()->EnumLocals(m_address.get(), locals.put()), S_OK);
    ASSERT_EQ(locals->Skip(1), S_OK);
    ComPtr<IEnumDebugFields> clone;
    ASSERT_EQ(locals->Clone(clone.put()), S_OK);

    ComPtr<IDebugField> a, b;
    ASSERT_EQ(clone->Next(1, a.put(), nullptr), S_OK);
    EXPECT_EQ(Name(a.get()), "Y") << "a clone starts where the original stood";
    ASSERT_EQ(locals->Next(1, b.put(), nullptr), S_OK);
    EXPECT_EQ(Name(b.get()), "Y") << "the original did not move with the clone";

    ASSERT_EQ(locals->Reset(), S_OK);
    ASSERT_EQ(locals->Next(1, b.put(), nullptr), S_OK);
    EXPECT_EQ(Name(b.get()), "X");
    ULONG count = 0;
    EXPECT_EQ(clone->GetCount(&count), S_OK);
    EXPECT_EQ(count, 3u);
}

TEST_F(SimHostTest, NextWithoutFetchedCountTakesOnlyOne) {
    Start();
    ComPtr<IEnumDebugFields> locals;
    ASSERT_EQ(Method()->EnumLocals(m_address.get(), locals.put()), S_OK);
    IDebugField* two[2] = {};
    EXPECT_EQ(locals->Next(2, two, nullptr), E_INVALIDARG);
}

struct CountCase {
    const char* what;
    std::function<HRESULT(SimHostTest&, IEnumDebugFields**)> open;
    HRESULT result;
    ULONG count;
};

class SimFieldCountTest : public SimHostTest, public ::testing::WithParamInterface<CountCase> {
public:
    ComPtr<IDebugMethodField> MethodField() { return Method(); }
    ComPtr<IDebugClassField> ProgramClass() { return Class(OLESTR("Program")); }
    IDebugAddress* Address() { return m_address.get(); }
};

TEST_P(SimFieldCountTest, EnumerationsHoldTheModelsFields) {
    Start();
    ComPtr<IEnumDebugFields> fields;
    EXPECT_EQ(GetParam().open(*this, fields.put()), GetParam().result);
    ASSERT_TRUE(fields);
    ULONG count = 99;
    EXPECT_EQ(fields->GetCount(&count), S_OK);
    EXPECT_EQ(count, GetParam().count);
}

SimFieldCountTest& Self(SimHostTest& t) {
    return static_cast<SimFieldCountTest&>(t);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, SimFieldCountTest,
    ::testing::Values(
        CountCase{"parameters",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).MethodField()->EnumParameters(e);
                  },
                  S_OK, 2},
        CountCase{"locals",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).MethodField()->EnumLocals(Self(t).Address(), e);
                  },
                  S_OK, 3},
        CountCase{"all locals",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).MethodField()->EnumAllLocals(Self(t).Address(), e);
                  },
                  S_OK, 4},
        CountCase{"class members",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).ProgramClass()->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL,
                                                                nullptr, nmCaseInsensitive, e);
                  },
                  S_OK, 9},
        CountCase{"methods only",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).ProgramClass()->EnumFields(FIELD_TYPE_METHOD, FIELD_MOD_ALL,
                                                                nullptr, nmCaseInsensitive, e);
                  },
                  S_OK, 2},
        CountCase{"all but methods and properties",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).ProgramClass()->EnumFields(
                          FIELD_KIND_ALL & ~(FIELD_TYPE_METHOD | FIELD_TYPE_PROP), FIELD_MOD_ALL,
                          nullptr, nmCaseInsensitive, e);
                  },
                  S_OK, 7},
        CountCase{"private ones: none",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).ProgramClass()->EnumFields(
                          FIELD_KIND_ALL, FIELD_MOD_ACCESS_PRIVATE, nullptr, nmCaseInsensitive, e);
                  },
                  S_FALSE, 0},
        CountCase{"the method as a container",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).MethodField()->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL,
                                                               nullptr, nmCaseInsensitive, e);
                  },
                  S_OK, 6},
        CountCase{"static locals: none",
                  [](SimHostTest& t, IEnumDebugFields** e) {
                      return Self(t).MethodField()->EnumStaticLocals(e);
                  },
                  S_FALSE, 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(SimHostTest, LocalsNeedAnAddressInTheirMethod) {
    Start();
    ComPtr<IDebugClassField> helper = Class(OLESTR("Kestrin.Debug.DebugHelper"));
    ComPtr<IDebugField> lookup = Child(helper.get(), OLESTR("LookupStaticAddress"));
    ComPtr<IDebugMethodField> other;
    ASSERT_EQ(lookup.As(IID_IDebugMethodField, other), S_OK);
    ComPtr<IEnumDebugFields> locals;
    EXPECT_EQ(other->EnumLocals(m_address.get(), locals.put()), E_SH_INVALID_ADDRESS);
    EXPECT_FALSE(locals);
}

// --- name matching -------------------------------------------------------------------

struct NameCase {
    const OLECHAR* name;
    NAME_MATCH match;
    ULONG found;
};

class SimFieldNameTest : public SimHostTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(SimFieldNameTest, NameFilterHonoursTheMatchMode) {
    Start();
    ComPtr<IDebugClassField> cls = Class(OLESTR("Program"));
    ComPtr<IEnumDebugFields> fields;
    HRESULT hr = cls->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL, GetParam().name, GetParam().match,
                                 fields.put());
    EXPECT_EQ(hr, GetParam().found ? S_OK : S_FALSE);
    ULONG count = 99;
    ASSERT_EQ(fields->GetCount(&count), S_OK);
    EXPECT_EQ(count, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Names, SimFieldNameTest,
                         ::testing::Values(NameCase{OLESTR("counter"), nmCaseInsensitive, 1},
                                           NameCase{OLESTR("CoUnTeR"), nmCaseInsensitive, 1},
                                           NameCase{OLESTR("counter"), nmCaseSensitive, 0},
                                           NameCase{OLESTR("COUNTER"), nmCaseSensitive, 1},
                                           NameCase{OLESTR("COUNT"), nmCaseInsensitive, 0},
                                           NameCase{OLESTR("~debuginfo~"), nmCaseInsensitive, 1},
                                           NameCase{OLESTR("module m"), nmCaseInsensitive, 1}));

TEST_F(SimHostTest, ClassesAndMethodsAreFoundByFullName) {
    Start();
    ComPtr<IDebugClassField> cls;
    EXPECT_EQ(m_provider->GetClassTypeByName(OLESTR("PROGRAM"), nmCaseInsensitive, cls.put()),
              S_OK);
    EXPECT_TRUE(cls);
    EXPECT_EQ(m_provider->GetClassTypeByName(OLESTR("PROGRAM"), nmCaseSensitive, cls.put()),
              E_FAIL);
    EXPECT_FALSE(cls);
    EXPECT_EQ(m_provider->GetClassTypeByName(OLESTR("DebugHelper"), nmCaseInsensitive, cls.put()),
              E_FAIL)
        << "a simple name is not a full name";

    ComPtr<IEnumDebugFields> methods;
    EXPECT_EQ(
        m_provider->GetMethodFieldsByName(OLESTR("kestrin.debug.debughelper.lookupstaticaddress"),
                                          nmCaseInsensitive, methods.put()),
        S_OK);
    ULONG count = 0;
    ASSERT_EQ(methods->GetCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(
        m_provider->GetMethodFieldsByName(OLESTR("Program.NOPE"), nmCaseInsensitive, methods.put()),
        S_FALSE);
    ASSERT_EQ(methods->GetCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

// --- field information ---------------------------------------------------------------

struct InfoCase {
    FIELD_INFO_FIELDS mask;
    const char* fullName; // nullptr: not filled
    const char* name;
    const char* type;
    bool modifiers;
};

std::string Text(BSTR b) {
    std::string s;
    for (UINT i = 0; b && i < SysStringLen(b); ++i)
        s += static_cast<char>(b[i]);
    return s;
}

class SimFieldInfoTest : public SimHostTest, public ::testing::WithParamInterface<InfoCase> {};

TEST_P(SimFieldInfoTest, GetInfoFillsWhatTheMaskAsks) {
    Start();
    const InfoCase& c = GetParam();
    ComPtr<IDebugField> counter = Static(OLESTR("counter"));
    FIELD_INFO info;
    std::memset(&info, 0xCD, sizeof info);
    ASSERT_EQ(counter->GetInfo(c.mask, &info), S_OK);
    FIELD_INFO_FIELDS filled = (c.fullName ? DWORD(FIF_FULLNAME) : 0u) |
                               (c.name ? DWORD(FIF_NAME) : 0u) | (c.type ? DWORD(FIF_TYPE) : 0u) |
                               (c.modifiers ? DWORD(FIF_MODIFIERS) : 0u);
    EXPECT_EQ(info.dwFields, filled);
    EXPECT_EQ(info.bstrFullName != nullptr, c.fullName != nullptr);
    EXPECT_EQ(info.bstrName != nullptr, c.name != nullptr);
    EXPECT_EQ(info.bstrType != nullptr, c.type != nullptr);
    if (c.fullName) {
        EXPECT_EQ(Text(info.bstrFullName), c.fullName);
    }
    if (c.name) {
        EXPECT_EQ(Text(info.bstrName), c.name);
    }
    if (c.type) {
        EXPECT_EQ(Text(info.bstrType), c.type);
    }
    EXPECT_EQ(info.dwModifiers,
              c.modifiers ? DWORD(FIELD_MOD_ACCESS_PUBLIC | FIELD_MOD_STATIC) : 0u);
    SysFreeString(info.bstrFullName);
    SysFreeString(info.bstrName);
    SysFreeString(info.bstrType);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, SimFieldInfoTest,
    ::testing::Values(InfoCase{FIF_ALL, "Program.COUNTER", "COUNTER", "int", true},
                      InfoCase{FIF_NAME, nullptr, "COUNTER", nullptr, false},
                      InfoCase{FIF_FULLNAME, "Program.COUNTER", nullptr, nullptr, false},
                      InfoCase{FIF_TYPE | FIF_MODIFIERS, nullptr, nullptr, "int", true},
                      InfoCase{0, nullptr, nullptr, nullptr, false}));

TEST_F(SimHostTest, TypesContainersAndSizes) {
    Start();
    ComPtr<IDebugField> y = FrameField(OLESTR("y"));
    ComPtr<IDebugField> type;
    ASSERT_EQ(y->GetType(type.put()), S_OK);
    EXPECT_EQ(Name(type.get()), "short");
    DWORD size = 0, kind = 0;
    EXPECT_EQ(type->GetSize(&size), S_OK);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(y->GetKind(&kind), S_OK);
    EXPECT_EQ(kind, DWORD(FIELD_KIND_SYMBOL | FIELD_SYM_LOCAL));

    ComPtr<IDebugContainerField> container;
    ASSERT_EQ(y->GetContainer(container.put()), S_OK);
    EXPECT_EQ(Name(container.get()), "MAIN");
    ComPtr<IDebugContainerField> top;
    ASSERT_EQ(Class(OLESTR("Program"))->GetContainer(top.put()), S_SH_NO_CONTAINER);
    EXPECT_FALSE(top);

    ComPtr<IDebugClassField> global;
    EXPECT_EQ(Method()->GetGlobalContainer(global.put()), S_OK);
    EXPECT_EQ(Name(global.get()), "Program");
    ComPtr<IDebugClassField> self;
    EXPECT_EQ(Method()->GetThis(self.put()), S_SH_METHOD_NO_THIS) << "MAIN is static";
    EXPECT_FALSE(self);

    ComPtr<IDebugField> p = FrameField(OLESTR("P"));
    ComPtr<IDebugPointerField> pointer;
    ASSERT_EQ(p.As(IID_IDebugPointerField, pointer), S_OK);
    ComPtr<IDebugField> target;
    EXPECT_EQ(pointer->GetDereferencedField(target.put()), S_OK);
    EXPECT_EQ(Name(target.get()), "int");
    ComPtr<IDebugPointerField> nullp;
    ASSERT_EQ(FrameField(OLESTR("NULLP")).As(IID_IDebugPointerField, nullp), S_OK);
    EXPECT_EQ(nullp->GetDereferencedField(target.put()), S_FALSE);
    EXPECT_FALSE(target);

    EXPECT_EQ(y->Equal(FrameField(OLESTR("Y")).get()), S_OK) << "a second object, same field";
    EXPECT_EQ(y->Equal(p.get()), S_FALSE);
}

// --- interface forms -----------------------------------------------------------------

enum class Which { Counter, DebugInfo, P, Main, ProgramClass, ModuleM };

struct FormCase {
    Which field;
    const IID* iid;
    HRESULT result;
};

class SimFieldFormTest : public SimHostTest, public ::testing::WithParamInterface<FormCase> {};

TEST_P(SimFieldFormTest, QueryInterfaceAnswersOnlyTheFormsTheFieldHas) {
    Start();
    ComPtr<IDebugField> field;
    switch (GetParam().field) {
    case Which::Counter:
        field = Static(OLESTR("COUNTER"));
        break;
    case Which::DebugInfo:
        field = Static(OLESTR("~DebugInfo~"));
        break;
    case Which::P:
        field = FrameField(OLESTR("P"));
        break;
    case Which::Main:
        field = Static(OLESTR("MAIN"));
        break;
    case Which::ProgramClass:
        field = ComPtr<IDebugField>(Class(OLESTR("Program")).get());
        break;
    case Which::ModuleM:
        field = Static(OLESTR("MODULE M"));
        break;
    }
    ASSERT_TRUE(field);
    void* out = reinterpret_cast<void*>(1);
    HRESULT hr = field->QueryInterface(*GetParam().iid, &out);
    EXPECT_EQ(hr, GetParam().result);
    if (SUCCEEDED(hr)) {
        ComPtr<IUnknown> got = ComPtr<IUnknown>::Adopt(static_cast<IUnknown*>(out));
    } else {
        EXPECT_EQ(out, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SimFieldFormTest,
    ::testing::Values(FormCase{Which::Counter, &IID_IDebugField, S_OK},
                      FormCase{Which::Counter, &IID_IDebugContainerField, E_NOINTERFACE},
                      FormCase{Which::Counter, &IID_IDebugPointerField, E_NOINTERFACE},
                      FormCase{Which::Counter, &IID_IDebugCustomAttributeQuery, E_NOINTERFACE},
                      FormCase{Which::DebugInfo, &IID_IDebugArrayField, S_OK},
                      FormCase{Which::DebugInfo, &IID_IDebugContainerField, S_OK},
                      FormCase{Which::DebugInfo, &IID_IDebugClassField, E_NOINTERFACE},
                      FormCase{Which::P, &IID_IDebugPointerField, S_OK},
                      FormCase{Which::P, &IID_IDebugArrayField, E_NOINTERFACE},
                      FormCase{Which::Main, &IID_IDebugMethodField, S_OK},
                      FormCase{Which::Main, &IID_IDebugClassField, E_NOINTERFACE},
                      FormCase{Which::Main, &IID_IDebugCustomAttributeQuery, E_NOINTERFACE},
                      FormCase{Which::Main, &IID_IDebugCustomAttributeQuery2, S_OK},
                      FormCase{Which::ProgramClass, &IID_IDebugClassField, S_OK},
                      FormCase{Which::ProgramClass, &IID_IDebugMethodField, E_NOINTERFACE},
                      FormCase{Which::ModuleM, &IID_IDebugCustomAttributeQuery, S_OK},
                      FormCase{Which::ModuleM, &IID_IDebugCustomAttributeQuery2, S_OK},
                      FormCase{Which::ModuleM, &IID_IDebugObject, E_NOINTERFACE}));

// --- custom attributes ---------------------------------------------------------------

struct AttributeCase {
    const char* what;
    bool refuseNullBuffer;
    const OLECHAR* name;
    DWORD bufferSize; // 0: no buffer
    HRESULT result;
    DWORD lengthAfter;
    bool copied;
};

class SimAttributeTest : public SimHostTest, public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(SimAttributeTest, GetCustomAttributeByNameHonoursTheBufferMode) {
    const AttributeCase& c = GetParam();
    TestProgram t = MakeTestProgram();
    t.program.refuseNullAttributeBuffer = c.refuseNullBuffer;
    Start(std::move(t));
    ComPtr<IDebugCustomAttributeQuery> query;
    ASSERT_EQ(Static(OLESTR("MODULE M")).As(IID_IDebugCustomAttributeQuery, query), S_OK);

    std::vector<BYTE> buffer(c.bufferSize + 1, 0xEE);
    DWORD length = c.bufferSize;
    EXPECT_EQ(
        query->GetCustomAttributeByName(c.name, c.bufferSize ? buffer.data() : nullptr, &length),
        c.result);
    EXPECT_EQ(length, c.lengthAfter);
    if (c.copied) {
        EXPECT_EQ(std::vector<BYTE>(buffer.begin(), buffer.begin() + kModuleBlob.size()),
                  kModuleBlob);
        EXPECT_EQ(buffer[kModuleBlob.size()], 0xEE) << "nothing written past the blob";
    }
}

const DWORD kBlob = static_cast<DWORD>(kModuleBlob.size());
const OLECHAR* const kAttr = OLESTR("Kestrin.Fortran.DebugInfoAttribute");

INSTANTIATE_TEST_SUITE_P(
    Modes, SimAttributeTest,
    ::testing::Values(
        AttributeCase{"length_without_buffer", false, kAttr, 0, S_OK, kBlob, false},
        AttributeCase{"refused_without_buffer", true, kAttr, 0, kNullBufferRefused, 0, false},
        AttributeCase{"large_scratch_buffer", true, kAttr, 10000, S_OK, kBlob, true},
        AttributeCase{"exact_buffer", false, kAttr, kBlob, S_OK, kBlob, true},
        AttributeCase{"short_buffer", false, kAttr, kBlob - 1, kInsufficientBuffer, kBlob, false},
        AttributeCase{"name_in_other_case", false, OLESTR("kestrin.fortran.debuginfoattribute"),
                      kBlob, S_OK, kBlob, true},
        AttributeCase{"absent_attribute", false, OLESTR("Other"), kBlob, E_FAIL, 0, false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SimHostTest, IsCustomAttributeDefinedOnFieldsAndMethods) {
    Start();
    ComPtr<IDebugCustomAttributeQuery> query;
    ASSERT_EQ(Static(OLESTR("MODULE M")).As(IID_IDebugCustomAttributeQuery, query), S_OK);
    EXPECT_EQ(query->IsCustomAttributeDefined(OLESTR("KESTRIN.FORTRAN.DEBUGINFOATTRIBUTE")), S_OK);
    EXPECT_EQ(query->IsCustomAttributeDefined(OLESTR("Kestrin.Fortran.DebugGlobalInfoAttribute")),
              S_FALSE);

    // MAIN grants only the second query interface, which reads the same attributes.
    ComPtr<IDebugCustomAttributeQuery2> query2;
    ASSERT_EQ(Method().As(IID_IDebugCustomAttributeQuery2, query2), S_OK);
    DWORD length = 0;
    EXPECT_EQ(query2->GetCustomAttributeByName(kAttr, nullptr, &length), S_OK);
    EXPECT_EQ(length, kMainBlob.size());
}

} // namespace
} // namespace orvel::sim::test
