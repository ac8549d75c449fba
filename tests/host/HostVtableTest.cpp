// Calls each host interface the way the host's binary does, through raw vtable slots
// with the host's parameter types, and checks which method ran and what it received.
// A misordered, missing or mistyped declaration sends the call to the wrong method or
// garbles its arguments.
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "host/HostInterfaces.h"

namespace {

using Args = std::vector<uint64_t>;

// One GUID per argument position, told apart by Data1.
const GUID kGuidArgs[] = {{0, 0, 0, {}}, {1, 0, 0, {}}, {2, 0, 0, {}}, {3, 0, 0, {}},
                          {4, 0, 0, {}}, {5, 0, 0, {}}, {6, 0, 0, {}}, {7, 0, 0, {}}};

// A distinctive value for argument position n. 64-bit integers get n in both halves so
// that a 32-bit declaration of them shows up as a truncated value.
template <class T> T ArgValue(std::size_t n) {
    if constexpr (std::is_same_v<T, REFGUID>) {
        return kGuidArgs[n];
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(static_cast<uintptr_t>(n) << 4);
    } else if constexpr (std::is_enum_v<T>) {
        return static_cast<T>(2); // within the range of every host enum
    } else if constexpr (sizeof(T) == 8) {
        return static_cast<T>((static_cast<uint64_t>(n) << 32) | n);
    } else {
        return static_cast<T>(n);
    }
}

uint64_t Widen(const GUID& g) {
    return g.Data1;
}
template <class T> uint64_t Widen(T* p) {
    return reinterpret_cast<uintptr_t>(p);
}
template <class T, class = std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>>>
uint64_t Widen(T v) {
    return static_cast<uint64_t>(v);
}

template <class... A, std::size_t... N>
Args CallSlotWith(void* object, std::size_t slot, std::index_sequence<N...>) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(void*, A...);
    void** vtable = *static_cast<void***>(object);
    std::tuple<A...> args{ArgValue<A>(N + 1)...};
    std::apply([&](A... a) { reinterpret_cast<Method>(vtable[slot])(object, a...); }, args);
    return std::apply([](A... a) { return Args{Widen(a)...}; }, args);
}

// Calls vtable slot `slot` of object as a function taking A..., the way a C caller does:
// the object pointer first, then the arguments. Returns the arguments it sent.
template <class... A> Args CallSlot(void* object, std::size_t slot) {
    return CallSlotWith<A...>(object, slot, std::index_sequence_for<A...>{});
}

struct SlotRow {
    std::size_t slot;
    const char* method;
    Args (*call)(void* object, std::size_t slot);
};

struct Recorded {
    std::string method;
    Args args;
};

// Implements IUnknown for interface I; every method logs its name and arguments.
template <class I> class Recorder : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        return Record("QueryInterface", riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        Record("AddRef");
        return 2;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        Record("Release");
        return 1;
    }

    void* Object() { return static_cast<I*>(this); }
    Recorded last;

protected:
    template <class... A> HRESULT Record(const char* method, A... args) {
        last = {method, {Widen(args)...}};
        return S_OK;
    }
};

void ExpectSlots(void* object, const Recorded& last, const std::vector<SlotRow>& rows) {
    for (const SlotRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "slot " << row.slot << " (" << row.method << ")");
        const Args sent = row.call(object, row.slot);
        EXPECT_EQ(row.method, last.method);
        EXPECT_EQ(sent, last.args);
    }
}

const std::vector<SlotRow> kUnknownSlots = {
    {0, "QueryInterface", &CallSlot<REFIID, void**>},
    {1, "AddRef", &CallSlot<>},
    {2, "Release", &CallSlot<>},
};

// ---- IDebugField and its forms --------------------------------------------------------

const std::vector<SlotRow> kFieldSlots = {
    {3, "GetInfo", &CallSlot<FIELD_INFO_FIELDS, FIELD_INFO*>},
    {4, "GetKind", &CallSlot<FIELD_KIND*>},
    {5, "GetType", &CallSlot<IDebugField**>},
    {6, "GetContainer", &CallSlot<IDebugContainerField**>},
    {7, "GetAddress", &CallSlot<IDebugAddress**>},
    {8, "GetSize", &CallSlot<DWORD*>},
    {9, "GetExtendedInfo", &CallSlot<REFGUID, BYTE**, DWORD*>},
    {10, "Equal", &CallSlot<IDebugField*>},
    {11, "GetTypeInfo", &CallSlot<TYPE_INFO*>},
};

const std::vector<SlotRow> kContainerFieldSlots = {
    {12, "EnumFields",
     &CallSlot<FIELD_KIND, FIELD_MODIFIERS, LPCOLESTR, NAME_MATCH, IEnumDebugFields**>},
};

const std::vector<SlotRow> kMethodFieldSlots = {
    {13, "EnumParameters", &CallSlot<IEnumDebugFields**>},
    {14, "GetThis", &CallSlot<IDebugClassField**>},
    {15, "EnumAllLocals", &CallSlot<IDebugAddress*, IEnumDebugFields**>},
    {16, "EnumLocals", &CallSlot<IDebugAddress*, IEnumDebugFields**>},
    {17, "IsCustomAttributeDefined", &CallSlot<LPCOLESTR>},
    {18, "EnumStaticLocals", &CallSlot<IEnumDebugFields**>},
    {19, "GetGlobalContainer", &CallSlot<IDebugClassField**>},
    {20, "EnumArguments", &CallSlot<IEnumDebugFields**>},
};

template <class I> class FieldRecorder : public Recorder<I> {
public:
    HRESULT STDMETHODCALLTYPE GetInfo(FIELD_INFO_FIELDS dwFields, FIELD_INFO* pInfo) override {
        return this->Record("GetInfo", dwFields, pInfo);
    }
    HRESULT STDMETHODCALLTYPE GetKind(FIELD_KIND* pdwKind) override {
        return this->Record("GetKind", pdwKind);
    }
    HRESULT STDMETHODCALLTYPE GetType(IDebugField** ppType) override {
        return this->Record("GetType", ppType);
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IDebugContainerField** ppContainer) override {
        return this->Record("GetContainer", ppContainer);
    }
    HRESULT STDMETHODCALLTYPE GetAddress(IDebugAddress** ppAddress) override {
        return this->Record("GetAddress", ppAddress);
    }
    HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) override {
        return this->Record("GetSize", pdwSize);
    }
    HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guid, BYTE** prgBuffer,
                                              DWORD* pdwLen) override {
        return this->Record("GetExtendedInfo", guid, prgBuffer, pdwLen);
    }
    HRESULT STDMETHODCALLTYPE Equal(IDebugField* pField) override {
        return this->Record("Equal", pField);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(TYPE_INFO* pTypeInfo) override {
        return this->Record("GetTypeInfo", pTypeInfo);
    }
};

template <class I> class ContainerFieldRecorder : public FieldRecorder<I> {
public:
    HRESULT STDMETHODCALLTYPE EnumFields(FIELD_KIND dwKind, FIELD_MODIFIERS dwModifiers,
                                         LPCOLESTR pszName, NAME_MATCH nameMatch,
                                         IEnumDebugFields** ppEnum) override {
        return this->Record("EnumFields", dwKind, dwModifiers, pszName, nameMatch, ppEnum);
    }
};

class MethodFieldRecorder final : public ContainerFieldRecorder<IDebugMethodField> {
public:
    HRESULT STDMETHODCALLTYPE EnumParameters(IEnumDebugFields** ppParams) override {
        return Record("EnumParameters", ppParams);
    }
    HRESULT STDMETHODCALLTYPE GetThis(IDebugClassField** ppClass) override {
        return Record("GetThis", ppClass);
    }
    HRESULT STDMETHODCALLTYPE EnumAllLocals(IDebugAddress* pAddress,
                                            IEnumDebugFields** ppLocals) override {
        return Record("EnumAllLocals", pAddress, ppLocals);
    }
    HRESULT STDMETHODCALLTYPE EnumLocals(IDebugAddress* pAddress,
                                         IEnumDebugFields** ppLocals) override {
        return Record("EnumLocals", pAddress, ppLocals);
    }
    HRESULT STDMETHODCALLTYPE IsCustomAttributeDefined(LPCOLESTR pszName) override {
        return Record("IsCustomAttributeDefined", pszName);
    }
    HRESULT STDMETHODCALLTYPE EnumStaticLocals(IEnumDebugFields** ppLocals) override {
        return Record("EnumStaticLocals", ppLocals);
    }
    HRESULT STDMETHODCALLTYPE GetGlobalContainer(IDebugClassField** ppClass) override {
        return Record("GetGlobalContainer", ppClass);
    }
    HRESULT STDMETHODCALLTYPE EnumArguments(IEnumDebugFields** ppParams) override {
        return Record("EnumArguments", ppParams);
    }
};

TEST(HostVtable, IDebugField) {
    FieldRecorder<IDebugField> field;
    ExpectSlots(field.Object(), field.last, kUnknownSlots);
    ExpectSlots(field.Object(), field.last, kFieldSlots);
}

TEST(HostVtable, IDebugMethodFieldWithItsBases) {
    MethodFieldRecorder method;
    ExpectSlots(method.Object(), method.last, kUnknownSlots);
    ExpectSlots(method.Object(), method.last, kFieldSlots);
    ExpectSlots(method.Object(), method.last, kContainerFieldSlots);
    ExpectSlots(method.Object(), method.last, kMethodFieldSlots);
}

// ---- IEnumDebugFields ---------------------------------------------------------------

class EnumFieldsRecorder final : public Recorder<IEnumDebugFields> {
public:
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IDebugField** rgelt, ULONG* pceltFetched) override {
        return Record("Next", celt, rgelt, pceltFetched);
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override { return Record("Skip", celt); }
    HRESULT STDMETHODCALLTYPE Reset() override { return Record("Reset"); }
    HRESULT STDMETHODCALLTYPE Clone(IEnumDebugFields** ppEnum) override {
        return Record("Clone", ppEnum);
    }
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* pcelt) override { return Record("GetCount", pcelt); }
};

TEST(HostVtable, IEnumDebugFields) {
    EnumFieldsRecorder enumerator;
    ExpectSlots(enumerator.Object(), enumerator.last,
                {
                    {3, "Next", &CallSlot<ULONG, IDebugField**, ULONG*>},
                    {4, "Skip", &CallSlot<ULONG>},
                    {5, "Reset", &CallSlot<>},
                    {6, "Clone", &CallSlot<IEnumDebugFields**>},
                    {7, "GetCount", &CallSlot<ULONG*>},
                });
}

// ---- IDebugObject ---------------------------------------------------------------------

class ObjectRecorder final : public Recorder<IDebugObject> {
public:
    HRESULT STDMETHODCALLTYPE GetSize(UINT* pnSize) override { return Record("GetSize", pnSize); }
    HRESULT STDMETHODCALLTYPE GetValue(BYTE* pValue, UINT nSize) override {
        return Record("GetValue", pValue, nSize);
    }
    HRESULT STDMETHODCALLTYPE SetValue(BYTE* pValue, UINT nSize) override {
        return Record("SetValue", pValue, nSize);
    }
    HRESULT STDMETHODCALLTYPE SetReferenceValue(IDebugObject* pObject) override {
        return Record("SetReferenceValue", pObject);
    }
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** pContext) override {
        return Record("GetMemoryContext", pContext);
    }
    HRESULT STDMETHODCALLTYPE GetManagedDebugObject(IDebugManagedObject** ppObject) override {
        return Record("GetManagedDebugObject", ppObject);
    }
    HRESULT STDMETHODCALLTYPE IsNullReference(BOOL* pfIsNull) override {
        return Record("IsNullReference", pfIsNull);
    }
    HRESULT STDMETHODCALLTYPE IsEqual(IDebugObject* pObject, BOOL* pfIsEqual) override {
        return Record("IsEqual", pObject, pfIsEqual);
    }
    HRESULT STDMETHODCALLTYPE IsReadOnly(BOOL* pfIsReadOnly) override {
        return Record("IsReadOnly", pfIsReadOnly);
    }
    HRESULT STDMETHODCALLTYPE IsProxy(BOOL* pfIsProxy) override {
        return Record("IsProxy", pfIsProxy);
    }
};

TEST(HostVtable, IDebugObject) {
    ObjectRecorder object;
    ExpectSlots(object.Object(), object.last,
                {
                    {3, "GetSize", &CallSlot<UINT*>},
                    {4, "GetValue", &CallSlot<BYTE*, UINT>},
                    {5, "SetValue", &CallSlot<BYTE*, UINT>},
                    {6, "SetReferenceValue", &CallSlot<IDebugObject*>},
                    {7, "GetMemoryContext", &CallSlot<IDebugMemoryContext2**>},
                    {8, "GetManagedDebugObject", &CallSlot<IDebugManagedObject**>},
                    {9, "IsNullReference", &CallSlot<BOOL*>},
                    {10, "IsEqual", &CallSlot<IDebugObject*, BOOL*>},
                    {11, "IsReadOnly", &CallSlot<BOOL*>},
                    {12, "IsProxy", &CallSlot<BOOL*>},
                });
}

// ---- IDebugBinder ---------------------------------------------------------------------

class BinderRecorder final : public Recorder<IDebugBinder> {
public:
    HRESULT STDMETHODCALLTYPE Bind(IDebugObject* pContainer, IDebugField* pField,
                                   IDebugObject** ppObject) override {
        return Record("Bind", pContainer, pField, ppObject);
    }
    HRESULT STDMETHODCALLTYPE ResolveDynamicType(IDebugDynamicField* pDynamic,
                                                 IDebugField** ppResolved) override {
        return Record("ResolveDynamicType", pDynamic, ppResolved);
    }
    HRESULT STDMETHODCALLTYPE ResolveRuntimeType(IDebugObject* pObject,
                                                 IDebugField** ppResolved) override {
        return Record("ResolveRuntimeType", pObject, ppResolved);
    }
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugField* pField, DWORD dwConstant,
                                               IDebugMemoryContext2** ppMemCxt) override {
        return Record("GetMemoryContext", pField, dwConstant, ppMemCxt);
    }
    HRESULT STDMETHODCALLTYPE GetFunctionObject(IDebugFunctionObject** ppFunction) override {
        return Record("GetFunctionObject", ppFunction);
    }
};

TEST(HostVtable, IDebugBinder) {
    BinderRecorder binder;
    ExpectSlots(binder.Object(), binder.last,
                {
                    {3, "Bind", &CallSlot<IDebugObject*, IDebugField*, IDebugObject**>},
                    {4, "ResolveDynamicType", &CallSlot<IDebugDynamicField*, IDebugField**>},
                    {5, "ResolveRuntimeType", &CallSlot<IDebugObject*, IDebugField**>},
                    {6, "GetMemoryContext", &CallSlot<IDebugField*, DWORD, IDebugMemoryContext2**>},
                    {7, "GetFunctionObject", &CallSlot<IDebugFunctionObject**>},
                });
}

// ---- IDebugProperty2 ------------------------------------------------------------------

class PropertyRecorder final : public Recorder<IDebugProperty2> {
public:
    HRESULT STDMETHODCALLTYPE GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                              DWORD dwTimeout, IDebugReference2** rgpArgs,
                                              DWORD dwArgCount,
                                              DEBUG_PROPERTY_INFO* pInfo) override {
        return Record("GetPropertyInfo", dwFields, dwRadix, dwTimeout, rgpArgs, dwArgCount, pInfo);
    }
    HRESULT STDMETHODCALLTYPE SetValueAsString(LPCOLESTR pszValue, DWORD dwRadix,
                                               DWORD dwTimeout) override {
        return Record("SetValueAsString", pszValue, dwRadix, dwTimeout);
    }
    HRESULT STDMETHODCALLTYPE SetValueAsReference(IDebugReference2** rgpArgs, DWORD dwArgCount,
                                                  IDebugReference2* pValue,
                                                  DWORD dwTimeout) override {
        return Record("SetValueAsReference", rgpArgs, dwArgCount, pValue, dwTimeout);
    }
    HRESULT STDMETHODCALLTYPE EnumChildren(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                           REFGUID guidFilter, DBG_ATTRIB_FLAGS dwAttribFilter,
                                           LPCOLESTR pszNameFilter, DWORD dwTimeout,
                                           IEnumDebugPropertyInfo2** ppEnum) override {
        return Record("EnumChildren", dwFields, dwRadix, guidFilter, dwAttribFilter, pszNameFilter,
                      dwTimeout, ppEnum);
    }
    HRESULT STDMETHODCALLTYPE GetParent(IDebugProperty2** ppParent) override {
        return Record("GetParent", ppParent);
    }
    HRESULT STDMETHODCALLTYPE GetDerivedMostProperty(IDebugProperty2** ppDerivedMost) override {
        return Record("GetDerivedMostProperty", ppDerivedMost);
    }
    HRESULT STDMETHODCALLTYPE GetMemoryBytes(IDebugMemoryBytes2** ppMemoryBytes) override {
        return Record("GetMemoryBytes", ppMemoryBytes);
    }
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugMemoryContext2** ppMemory) override {
        return Record("GetMemoryContext", ppMemory);
    }
    HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) override {
        return Record("GetSize", pdwSize);
    }
    HRESULT STDMETHODCALLTYPE GetReference(IDebugReference2** ppReference) override {
        return Record("GetReference", ppReference);
    }
    HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guid, VARIANT* pExtendedInfo) override {
        return Record("GetExtendedInfo", guid, pExtendedInfo);
    }
};

TEST(HostVtable, IDebugProperty2) {
    PropertyRecorder property;
    ExpectSlots(property.Object(), property.last,
                {
                    {3, "GetPropertyInfo",
                     &CallSlot<DEBUGPROP_INFO_FLAGS, DWORD, DWORD, IDebugReference2**, DWORD,
                               DEBUG_PROPERTY_INFO*>},
                    {4, "SetValueAsString", &CallSlot<LPCOLESTR, DWORD, DWORD>},
                    {5, "SetValueAsReference",
                     &CallSlot<IDebugReference2**, DWORD, IDebugReference2*, DWORD>},
                    {6, "EnumChildren",
                     &CallSlot<DEBUGPROP_INFO_FLAGS, DWORD, REFGUID, DBG_ATTRIB_FLAGS, LPCOLESTR,
                               DWORD, IEnumDebugPropertyInfo2**>},
                    {7, "GetParent", &CallSlot<IDebugProperty2**>},
                    {8, "GetDerivedMostProperty", &CallSlot<IDebugProperty2**>},
                    {9, "GetMemoryBytes", &CallSlot<IDebugMemoryBytes2**>},
                    {10, "GetMemoryContext", &CallSlot<IDebugMemoryContext2**>},
                    {11, "GetSize", &CallSlot<DWORD*>},
                    {12, "GetReference", &CallSlot<IDebugReference2**>},
                    {13, "GetExtendedInfo", &CallSlot<REFGUID, VARIANT*>},
                });
}

// ---- The evaluator and its parsed expression ------------------------------------------

class EvaluatorRecorder final : public Recorder<IDebugExpressionEvaluator> {
public:
    HRESULT STDMETHODCALLTYPE Parse(LPCOLESTR text, PARSEFLAGS dwFlags, UINT nRadix,
                                    BSTR* pbstrError, UINT* pichError,
                                    IDebugParsedExpression** ppParsed) override {
        return Record("Parse", text, dwFlags, nRadix, pbstrError, pichError, ppParsed);
    }
    HRESULT STDMETHODCALLTYPE GetMethodProperty(IDebugSymbolProvider* pSymbolProvider,
                                                IDebugAddress* pAddress, IDebugBinder* pBinder,
                                                BOOL fIncludeHiddenLocals,
                                                IDebugProperty2** ppProperty) override {
        return Record("GetMethodProperty", pSymbolProvider, pAddress, pBinder, fIncludeHiddenLocals,
                      ppProperty);
    }
    HRESULT STDMETHODCALLTYPE GetMethodLocationProperty(LPCOLESTR method,
                                                        IDebugSymbolProvider* pSymbolProvider,
                                                        IDebugAddress* pAddress,
                                                        IDebugBinder* pBinder,
                                                        IDebugProperty2** ppProperty) override {
        return Record("GetMethodLocationProperty", method, pSymbolProvider, pAddress, pBinder,
                      ppProperty);
    }
    HRESULT STDMETHODCALLTYPE SetLocale(WORD wLangID) override {
        return Record("SetLocale", wLangID);
    }
    HRESULT STDMETHODCALLTYPE SetRegistryRoot(LPCOLESTR root) override {
        return Record("SetRegistryRoot", root);
    }
};

TEST(HostVtable, IDebugExpressionEvaluator) {
    EvaluatorRecorder evaluator;
    ExpectSlots(
        evaluator.Object(), evaluator.last,
        {
            {3, "Parse",
             &CallSlot<LPCOLESTR, PARSEFLAGS, UINT, BSTR*, UINT*, IDebugParsedExpression**>},
            {4, "GetMethodProperty",
             &CallSlot<IDebugSymbolProvider*, IDebugAddress*, IDebugBinder*, BOOL,
                       IDebugProperty2**>},
            {5, "GetMethodLocationProperty",
             &CallSlot<LPCOLESTR, IDebugSymbolProvider*, IDebugAddress*, IDebugBinder*,
                       IDebugProperty2**>},
            {6, "SetLocale", &CallSlot<WORD>},
            {7, "SetRegistryRoot", &CallSlot<LPCOLESTR>},
        });
}

class ParsedExpressionRecorder final : public Recorder<IDebugParsedExpression> {
public:
    HRESULT STDMETHODCALLTYPE EvaluateSync(DWORD dwEvalFlags, DWORD dwTimeout,
                                           IDebugSymbolProvider* pSymbolProvider,
                                           IDebugAddress* pAddress, IDebugBinder* pBinder,
                                           BSTR bstrResultType,
                                           IDebugProperty2** ppResult) override {
        return Record("EvaluateSync", dwEvalFlags, dwTimeout, pSymbolProvider, pAddress, pBinder,
                      bstrResultType, ppResult);
    }
};

TEST(HostVtable, IDebugParsedExpression) {
    ParsedExpressionRecorder parsed;
    ExpectSlots(parsed.Object(), parsed.last,
                {
                    {3, "EvaluateSync",
                     &CallSlot<DWORD, DWORD, IDebugSymbolProvider*, IDebugAddress*, IDebugBinder*,
                               BSTR, IDebugProperty2**>},
                });
}

} // namespace
