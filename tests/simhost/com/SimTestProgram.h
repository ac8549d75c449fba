// A small stopped program built directly in C++ for the substitute host's tests, and
// a fixture that starts a host over it and checks afterwards that every simhost
// object handed out was released.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/HostInterfaces.h"
#include "platform/Bstr.h"
#include "platform/ComPtr.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"

namespace orvel::sim::test {

// Addresses of the program's memory image.
constexpr uint32_t kCounterAddress = 0x10000000;
constexpr uint32_t kXAddress = 0x10000010;
constexpr uint32_t kTargetAddress = 0x10000020;
constexpr uint32_t kDebugInfoAddress = 0x10000100;

inline std::vector<uint8_t> Le32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

inline const std::vector<uint8_t> kModuleBlob = {0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0xAA, 0xBB};
inline const std::vector<uint8_t> kMainBlob = {0x01, 0x00, 9, 9, 9, 9, 0x10, 0x20, 0x30};

struct TestProgram {
    HostProgram program;
    FieldId programClass = kNoField, nodeClass = kNoField, helperClass = kNoField;
    FieldId counter = kNoField, debugInfo = kNoField, debugInfoNames = kNoField;
    FieldId moduleVar = kNoField, companion = kNoField, obj = kNoField, nullObj = kNoField;
    FieldId mainMethod = kNoField, otherMethod = kNoField, lookup = kNoField;
    FieldId n = kNoField, p = kNoField, nullP = kNoField, x = kNoField, y = kNoField;
    FieldId hidden = kNoField, nodeVal = kNoField;
    ValueId counterValue = kNoValue, xValue = kNoValue, yValue = kNoValue;
    ValueId nodeValue = kNoValue, targetValue = kNoValue;
};

// Program (global class): statics COUNTER, ~DebugInfo~, ~DebugInfoNames~, "MODULE M"
// (attribute access), "MODULE Mdebug", OBJ (a Node), NULLOBJ (a null Node); methods
// MAIN (the stop method: arguments N, P; locals X, Y, a hidden T#1, NULLP) and OTHER.
// Node: instance member VAL. Kestrin.Debug.DebugHelper: LookupStaticAddress.
inline TestProgram MakeTestProgram() {
    TestProgram t;
    HostProgram& p = t.program;
    FieldId i4 = p.PrimitiveType("int", 4);
    FieldId r4 = p.PrimitiveType("float", 4);
    FieldId str = p.PrimitiveType("string", 4);

    t.programClass = p.AddClass("Program");
    p.globalClass = t.programClass;
    t.nodeClass = p.AddClass("Node");
    t.helperClass = p.AddClass("Kestrin.Debug.DebugHelper");

    const uint32_t stat = FIELD_MOD_ACCESS_PUBLIC | FIELD_MOD_STATIC;
    t.counterValue = p.AddScalar(Le32(42), kCounterAddress);
    p.WriteMemory(kCounterAddress, Le32(42).data(), 4);
    t.counter = p.AddMember(t.programClass, "COUNTER", i4, stat, t.counterValue);

    // ~DebugInfo~: the process id (filled at start) and the address of COUNTER.
    ValueId pidSlot = p.AddScalar(Le32(0), kDebugInfoAddress);
    p.WriteMemory(kDebugInfoAddress, Le32(0).data(), 4);
    p.processIdValues.push_back(pidSlot);
    ValueId infoArray = p.AddArray({pidSlot, p.AddScalar(Le32(kCounterAddress))});
    t.debugInfo = p.AddMember(t.programClass, "~DebugInfo~", i4, stat, infoArray, FIELD_TYPE_ARRAY);
    p.fields[t.debugInfo].form = FieldForm::Array;
    p.fields[t.debugInfo].typeName = "int[]";
    t.debugInfoNames =
        p.AddMember(t.programClass, "~DebugInfoNames~", str, stat, p.AddString(u"COUNTER"));

    t.moduleVar = p.AddMember(t.programClass, "MODULE M", i4, stat, p.AddScalar(Le32(0)));
    p.fields[t.moduleVar].attributeAccess = AttributeAccess::Query;
    p.fields[t.moduleVar].attributes["Kestrin.Fortran.DebugInfoAttribute"] = kModuleBlob;
    t.companion =
        p.AddMember(t.programClass, "MODULE Mdebug", i4, stat, p.AddScalar({1, 2, 3, 4, 5, 6}));

    t.nodeVal = p.AddMember(t.nodeClass, "VAL", i4, FIELD_MOD_ACCESS_PUBLIC);
    HostValue node;
    node.form = ValueForm::Object;
    node.objectClass = t.nodeClass;
    node.bytes = Le32(0x01000000);
    node.members["VAL"] = p.AddScalar(Le32(5));
    t.nodeValue = p.AddValue(node);
    t.obj = p.AddMember(t.programClass, "OBJ", t.nodeClass, stat, t.nodeValue);
    HostValue nullNode;
    nullNode.form = ValueForm::Object;
    nullNode.objectClass = t.nodeClass;
    nullNode.bytes = Le32(0);
    nullNode.isNull = true;
    t.nullObj = p.AddMember(t.programClass, "NULLOBJ", t.nodeClass, stat, p.AddValue(nullNode));

    t.mainMethod = p.AddMethod(t.programClass, "MAIN");
    p.fields[t.mainMethod].attributeAccess = AttributeAccess::Query2Only;
    p.fields[t.mainMethod].attributes["Kestrin.Fortran.DebugInfoAttribute"] = kMainBlob;
    t.otherMethod = p.AddMethod(t.programClass, "OTHER");
    p.stop = {t.mainMethod, 0x10};

    t.n = p.AddParameter(t.mainMethod, "N", i4, p.AddScalar(Le32(7)));
    t.targetValue = p.AddScalar(Le32(99), kTargetAddress);
    p.WriteMemory(kTargetAddress, Le32(99).data(), 4);
    HostValue ptr;
    ptr.form = ValueForm::Pointer;
    ptr.bytes = Le32(kTargetAddress);
    ptr.target = t.targetValue;
    t.p = p.AddParameter(t.mainMethod, "P", i4, p.AddValue(ptr), FIELD_TYPE_POINTER);
    p.fields[t.p].form = FieldForm::Pointer;
    p.fields[t.p].dereferenced = i4;

    t.xValue = p.AddScalar(Le32(0x40490FDB), kXAddress); // 3.1415927f
    p.WriteMemory(kXAddress, Le32(0x40490FDB).data(), 4);
    t.x = p.AddLocal(t.mainMethod, "X", r4, t.xValue);
    t.yValue = p.AddScalar({0x34, 0x12});
    t.y = p.AddLocal(t.mainMethod, "Y", p.PrimitiveType("short", 2), t.yValue);
    t.hidden = p.AddLocal(t.mainMethod, "T#1", i4, p.AddScalar(Le32(1)), 0, FIELD_MOD_HIDDEN);
    HostValue nullPtr;
    nullPtr.form = ValueForm::Pointer;
    nullPtr.bytes = Le32(0);
    nullPtr.isNull = true;
    t.nullP = p.AddLocal(t.mainMethod, "NULLP", i4, p.AddValue(nullPtr), FIELD_TYPE_POINTER);
    p.fields[t.nullP].form = FieldForm::Pointer;

    t.lookup = p.AddMethod(t.helperClass, "LookupStaticAddress");
    p.lookupMethod = t.lookup;
    p.lookupTable["Program.COUNTER"] = kCounterAddress;
    p.lookupTable["Program.ZERO"] = 0;
    return t;
}

// Starts a host over the test program (or a variant of it) and checks, when the test
// ends, that the host's objects are all gone.
class SimHostTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(LiveObjects(), 0) << "objects left by an earlier test"; }

    void Start(TestProgram t) {
        m_t = std::move(t);
        std::string error;
        ASSERT_EQ(SimHost::Start(m_t.program, &m_host, &error), S_OK) << error;
        ASSERT_EQ(m_host->GetSymbolProvider(m_provider.put()), S_OK);
        ASSERT_EQ(m_host->GetBinder(m_binder.put()), S_OK);
        ASSERT_EQ(m_host->GetStopAddress(m_address.put()), S_OK);
    }
    void Start() { Start(MakeTestProgram()); }

    void TearDown() override {
        m_provider = nullptr;
        m_binder = nullptr;
        m_address = nullptr;
        m_host.reset();
        EXPECT_EQ(LiveObjects(), 0) << "a simhost object was not released";
    }

    // The stop method, as its method-field interface.
    ComPtr<IDebugMethodField> Method() {
        ComPtr<IDebugContainerField> container;
        EXPECT_EQ(m_provider->GetContainerField(m_address.get(), container.put()), S_OK);
        ComPtr<IDebugMethodField> method;
        if (container) {
            EXPECT_EQ(container.As(IID_IDebugMethodField, method), S_OK);
        }
        return method;
    }

    ComPtr<IDebugClassField> Class(LPCOLESTR name) {
        ComPtr<IDebugClassField> cls;
        EXPECT_EQ(m_provider->GetClassTypeByName(name, nmCaseInsensitive, cls.put()), S_OK);
        return cls;
    }

    // The one field of that name in a container (case-insensitive).
    ComPtr<IDebugField> Child(IDebugContainerField* container, LPCOLESTR name) {
        ComPtr<IEnumDebugFields> fields;
        ComPtr<IDebugField> field;
        if (!container) return field;
        EXPECT_EQ(container->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL, name, nmCaseInsensitive,
                                        fields.put()),
                  S_OK);
        ULONG fetched = 0;
        if (fields) {
            EXPECT_EQ(fields->Next(1, field.put(), &fetched), S_OK);
        }
        return field;
    }

    ComPtr<IDebugField> Static(LPCOLESTR name) {
        ComPtr<IDebugClassField> cls = Class(OLESTR("Program"));
        return Child(cls.get(), name);
    }
    ComPtr<IDebugField> FrameField(LPCOLESTR name) {
        ComPtr<IDebugMethodField> method = Method();
        return Child(method.get(), name);
    }

    ComPtr<IDebugObject> Bind(IDebugField* field, IDebugObject* container = nullptr) {
        ComPtr<IDebugObject> object;
        EXPECT_EQ(m_binder->Bind(container, field, object.put()), S_OK);
        return object;
    }

    static std::vector<uint8_t> ValueOf(IDebugObject* object) {
        UINT size = 0;
        EXPECT_EQ(object->GetSize(&size), S_OK);
        std::vector<uint8_t> bytes(size);
        EXPECT_EQ(object->GetValue(bytes.data(), size), S_OK);
        return bytes;
    }

    static std::string Name(IDebugField* field) {
        FIELD_INFO info{};
        EXPECT_EQ(field->GetInfo(FIF_NAME, &info), S_OK);
        std::string name;
        for (UINT i = 0; info.bstrName && i < SysStringLen(info.bstrName); ++i)
            name += static_cast<char>(info.bstrName[i]);
        SysFreeString(info.bstrName);
        return name;
    }

    TestProgram m_t;
    std::unique_ptr<SimHost> m_host;
    ComPtr<IDebugSymbolProvider> m_provider;
    ComPtr<IDebugBinder> m_binder;
    ComPtr<IDebugAddress> m_address;
};

} // namespace orvel::sim::test
