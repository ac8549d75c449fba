// The host finds our interfaces, filters and class by GUID alone: each one must equal
// its published text, and each interface type must map to its own IID.
#include <cstdint>
#include <set>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/Guid.h"

namespace {

struct PublishedGuid {
    const char* name;
    const GUID* guid;
    const char* text;
};

const PublishedGuid kPublished[] = {
    {"IID_IDebugExpressionEvaluator", &IID_IDebugExpressionEvaluator,
     "{C077C822-476C-11D2-B73C-0000F87572EF}"},
    {"IID_IDebugExpressionEvaluator2", &IID_IDebugExpressionEvaluator2,
     "{2DE1D5E0-CA57-456F-815C-5902825A2795}"},
    {"IID_IDebugExpressionEvaluator3", &IID_IDebugExpressionEvaluator3,
     "{4C7EC6F5-BB6C-43A2-853C-80FF48B7A8A6}"},
    {"IID_IDebugParsedExpression", &IID_IDebugParsedExpression,
     "{7895C94C-5A3F-11D2-B742-0000F87572EF}"},
    {"IID_IDebugProperty2", &IID_IDebugProperty2, "{A7EE3E7E-2DD2-4AD7-9697-F4AAE3427762}"},
    {"IID_IEnumDebugPropertyInfo2", &IID_IEnumDebugPropertyInfo2,
     "{6C7072C3-3AC4-408F-A680-FC5A2F96903E}"},
    {"IID_IDebugMemoryContext2", &IID_IDebugMemoryContext2,
     "{1AB276DD-F27B-4445-825D-5DF0B4A04A3A}"},
    {"IID_IDebugCodeContext2", &IID_IDebugCodeContext2, "{AC17B76B-2B09-419A-AD5F-7D7402DA8875}"},
    {"IID_IDebugMemoryBytes2", &IID_IDebugMemoryBytes2, "{925837D1-3AA1-451A-B7FE-CC04BB42CFB8}"},
    {"IID_IDebugReference2", &IID_IDebugReference2, "{10B793AC-0C47-4679-8454-ADB36F29F802}"},
    {"IID_IDebugDocumentContext2", &IID_IDebugDocumentContext2,
     "{931516AD-B600-419C-88FC-DCF5183B5FA9}"},
    {"IID_IDebugExpressionContext2", &IID_IDebugExpressionContext2,
     "{37A44580-D5FC-473E-A048-21702EBFC466}"},
    {"IID_IDebugExpression2", &IID_IDebugExpression2, "{F7473FD0-7F75-478D-8D85-A485204E7A2D}"},
    {"IID_IDebugSymbolProvider", &IID_IDebugSymbolProvider,
     "{C2E34EAE-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugEngineSymbolProviderServices", &IID_IDebugEngineSymbolProviderServices,
     "{83919262-ACD6-11D2-9028-00C04FA302A1}"},
    {"IID_IDebugField", &IID_IDebugField, "{C2E34EB1-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugContainerField", &IID_IDebugContainerField,
     "{C2E34EB2-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugClassField", &IID_IDebugClassField, "{C2E34EB5-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugMethodField", &IID_IDebugMethodField, "{C2E34EB4-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugPointerField", &IID_IDebugPointerField, "{C2E34EB8-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugArrayField", &IID_IDebugArrayField, "{C2E34EB7-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugPropertyField", &IID_IDebugPropertyField, "{C2E34EB6-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugEnumField", &IID_IDebugEnumField, "{C2E34EB9-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugBitField", &IID_IDebugBitField, "{C2E34EBA-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugDynamicField", &IID_IDebugDynamicField, "{B5A2A5EA-D5AB-11D2-9033-00C04FA302A1}"},
    {"IID_IDebugPrimitiveTypeField", &IID_IDebugPrimitiveTypeField,
     "{7A739554-3FC6-43EE-981D-F49171151393}"},
    {"IID_IEnumDebugFields", &IID_IEnumDebugFields, "{C2E34EBC-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugAddress", &IID_IDebugAddress, "{C2E34EBB-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugAddress2", &IID_IDebugAddress2, "{877A0DA6-A43E-4046-9BE3-F916AFF4FA7B}"},
    {"IID_IEnumDebugAddresses", &IID_IEnumDebugAddresses, "{C2E34EBD-8B9D-11D2-9014-00C04FA38338}"},
    {"IID_IDebugCustomAttributeQuery", &IID_IDebugCustomAttributeQuery,
     "{DFD37B5A-1E3A-4F15-8098-220ABADC620B}"},
    {"IID_IDebugCustomAttributeQuery2", &IID_IDebugCustomAttributeQuery2,
     "{7D257F89-EF56-43C4-80FF-C89B064E4680}"},
    {"IID_IDebugCustomAttribute", &IID_IDebugCustomAttribute,
     "{A3A37C5E-8D71-487D-A9E1-B9A1B3BA9CBB}"},
    {"IID_IEnumDebugCustomAttributes", &IID_IEnumDebugCustomAttributes,
     "{D9089EF0-22D1-40B9-81D6-47CBDA9DC32C}"},
    {"IID_IDebugBinder", &IID_IDebugBinder, "{C077C833-476C-11D2-B73C-0000F87572EF}"},
    {"IID_IDebugBinder2", &IID_IDebugBinder2, "{DCF3C6EE-7C7D-4E1F-AEEB-646902AF0723}"},
    {"IID_IDebugBinder3", &IID_IDebugBinder3, "{BBCD7263-B415-40F6-942A-4A9A8599B708}"},
    {"IID_IDebugObject", &IID_IDebugObject, "{C077C823-476C-11D2-B73C-0000F87572EF}"},
    {"IID_IDebugObject2", &IID_IDebugObject2, "{3FF130FC-B14F-4BAE-AE44-46B1CD3928CC}"},
    {"IID_IDebugArrayObject", &IID_IDebugArrayObject, "{29ECD774-75AE-11D2-B74E-0000F87572EF}"},
    {"IID_IDebugArrayObject2", &IID_IDebugArrayObject2, "{41487E33-9A10-42FE-BA3B-15FDE59D09D5}"},
    {"IID_IDebugPointerObject", &IID_IDebugPointerObject, "{112756A1-3F04-4CCD-BFD6-ACB4BCA614C9}"},
    {"IID_IDebugPointerObject2", &IID_IDebugPointerObject2,
     "{BF032216-2C7F-4682-84C1-76EF432D840B}"},
    {"IID_IDebugPointerObject3", &IID_IDebugPointerObject3,
     "{B69D88F9-BC5A-4EB3-A43C-9AF3155F0632}"},
    {"IID_IDebugFunctionObject", &IID_IDebugFunctionObject,
     "{F71D9EA0-4269-48DC-9E8D-F86DEFA042B3}"},
    {"IID_IDebugFunctionObject2", &IID_IDebugFunctionObject2,
     "{8E861CC7-D21C-43E7-AB7B-947921689B88}"},
    {"IID_IDebugManagedObject", &IID_IDebugManagedObject, "{71AF87C9-66C5-49E4-A602-B9012115AFD5}"},
    {"IID_IEnumDebugObjects", &IID_IEnumDebugObjects, "{0881751C-99F4-11D2-B767-0000F87572EF}"},
    {"guidFilterLocals", &guidFilterLocals, "{B200F725-E725-4C53-B36A-1EC27AEF12EF}"},
    {"guidFilterAllLocals", &guidFilterAllLocals, "{196DB21F-5F22-45A9-B5A3-32CDDB30DB06}"},
    {"guidFilterArgs", &guidFilterArgs, "{804BCCEA-0475-4AE7-8A46-1862688AB863}"},
    {"guidFilterLocalsPlusArgs", &guidFilterLocalsPlusArgs,
     "{E74721BB-10C0-40F5-807F-920D37F95419}"},
    {"guidFilterAllLocalsPlusArgs", &guidFilterAllLocalsPlusArgs,
     "{939729A8-4CB0-4647-9831-7FF465240D5F}"},
    {"guidFilterRegisters", &guidFilterRegisters, "{223AE797-BD09-4F28-8241-2763BDC5F713}"},
    {"guidFilterThis", &guidFilterThis, "{ADD901FD-BFC9-48B2-B0C7-68B459539D7A}"},
    {"guidFilterAutoRegisters", &guidFilterAutoRegisters, "{38FC3258-D4D8-401E-A638-779A0145E906}"},
    {"CLSID_OrvelExpressionEvaluator", &CLSID_OrvelExpressionEvaluator,
     "{EC7B2BEF-97F8-40EE-8A6C-45E35ADC9DC4}"},
};

TEST(HostIds, EveryGuidMatchesItsPublishedText) {
    for (const PublishedGuid& row : kPublished) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.text, orvel::GuidToString(*row.guid));
    }
}

TEST(HostIds, EveryListedInterfaceIsCheckedAgainstItsText) {
    std::set<std::string> published;
    for (const PublishedGuid& row : kPublished)
        published.insert(row.name);
#define ORVEL_EXPECT_PUBLISHED(I) EXPECT_EQ(1u, published.count("IID_" #I)) << #I;
    ORVEL_HOST_INTERFACES(ORVEL_EXPECT_PUBLISHED)
#undef ORVEL_EXPECT_PUBLISHED
}

TEST(HostIds, NoTwoGuidsAreEqual) {
    std::set<std::string> seen;
    for (const PublishedGuid& row : kPublished)
        EXPECT_TRUE(seen.insert(orvel::GuidToString(*row.guid)).second) << row.name;
}

TEST(HostIds, InterfaceIdTraitGivesEachInterfacesOwnIid) {
#define ORVEL_EXPECT_TRAIT(I) EXPECT_EQ(&IID_##I, &orvel::InterfaceId<I>::value()) << #I;
    ORVEL_HOST_INTERFACES(ORVEL_EXPECT_TRAIT)
#undef ORVEL_EXPECT_TRAIT
}

// QueryInterface walks these chains to answer a base interface's IID.
template <class I, class Base>
constexpr bool kDerivesAs = (std::is_same_v<typename orvel::InterfaceBase<I>::type, Base>)&&(
    std::is_base_of_v<std::conditional_t<std::is_void_v<Base>, IUnknown, Base>, I>);
static_assert(kDerivesAs<IDebugField, void>);
static_assert(kDerivesAs<IDebugContainerField, IDebugField>);
static_assert(kDerivesAs<IDebugClassField, IDebugContainerField>);
static_assert(kDerivesAs<IDebugMethodField, IDebugContainerField>);
static_assert(kDerivesAs<IDebugPointerField, IDebugContainerField>);
static_assert(kDerivesAs<IDebugArrayField, IDebugContainerField>);
static_assert(kDerivesAs<IDebugDynamicField, IDebugField>);
static_assert(kDerivesAs<IDebugCustomAttributeQuery2, IDebugCustomAttributeQuery>);
static_assert(kDerivesAs<IDebugObject, void>);
static_assert(kDerivesAs<IDebugArrayObject, IDebugObject>);
static_assert(kDerivesAs<IDebugPointerObject, IDebugObject>);
static_assert(kDerivesAs<IDebugFunctionObject, IDebugObject>);
static_assert(kDerivesAs<IDebugProperty2, void>);

class AttributeQuery final : public orvel::ComObject<IDebugCustomAttributeQuery2> {
public:
    HRESULT STDMETHODCALLTYPE IsCustomAttributeDefined(LPCOLESTR) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetCustomAttributeByName(LPCOLESTR, BYTE*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumCustomAttributes(IEnumDebugCustomAttributes**) override {
        return E_NOTIMPL;
    }
};

TEST(HostIds, DerivedInterfaceAnswersItsBaseIid) {
    orvel::ComPtr<IDebugCustomAttributeQuery2> query;
    ASSERT_EQ(S_OK, orvel::CreateComObject<AttributeQuery>(query.put()));
    void* out = nullptr;
    ASSERT_EQ(S_OK, query->QueryInterface(IID_IDebugCustomAttributeQuery, &out));
    EXPECT_EQ(static_cast<IDebugCustomAttributeQuery*>(query.get()), out);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(E_NOINTERFACE, query->QueryInterface(IID_IDebugField, &out));
}

struct ResultCode {
    const char* name;
    HRESULT value;
    uint32_t expected;
};

const ResultCode kResults[] = {
    {"S_EVAL_EXCEPTION", S_EVAL_EXCEPTION, 0x00040002},
    {"S_EVAL_NO_RESULT", S_EVAL_NO_RESULT, 0x00040005},
    {"S_EVAL_BAD_START_POINT", S_EVAL_BAD_START_POINT, 0x0004000A},
    {"E_STATIC_VAR_NOT_AVAILABLE", E_STATIC_VAR_NOT_AVAILABLE, 0x0004000B},
    {"E_EVAL_NOT_SUPPORTED_IN_CLR", E_EVAL_NOT_SUPPORTED_IN_CLR, 0x80040010},
    {"E_EVAL_NULL_REFERENCE", E_EVAL_NULL_REFERENCE, 0x80040015},
    {"E_SH_INVALID_ADDRESS", E_SH_INVALID_ADDRESS, 0x80040003},
    {"S_SH_NO_CONTAINER", S_SH_NO_CONTAINER, 0x0004000A},
    {"S_SH_NO_BASE_CLASSES", S_SH_NO_BASE_CLASSES, 0x0004000F},
};

TEST(HostIds, ResultCodesHaveTheHostsValues) {
    for (const ResultCode& row : kResults)
        EXPECT_EQ(row.expected, static_cast<uint32_t>(row.value)) << row.name;
}

} // namespace
