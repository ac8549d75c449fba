// The host finds our interfaces, filters and class by GUID alone: no two may be equal, and
// each interface type must map to its own IID.
#include <cstdint>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/Guid.h"

namespace {

// Everything the host tells apart by GUID alone: every interface id, the child filters and
// our class.
std::vector<const GUID*> AllGuids() {
    std::vector<const GUID*> all = {
        &guidFilterLocals,         &guidFilterAllLocals,         &guidFilterArgs,
        &guidFilterLocalsPlusArgs, &guidFilterAllLocalsPlusArgs, &guidFilterRegisters,
        &guidFilterThis,           &guidFilterAutoRegisters,     &CLSID_OrvelExpressionEvaluator,
    };
#define ORVEL_ADD_IID(I) all.push_back(&IID_##I);
    ORVEL_HOST_INTERFACES(ORVEL_ADD_IID)
#undef ORVEL_ADD_IID
    return all;
}

TEST(HostIds, NoTwoGuidsAreEqual) {
    std::set<std::string> seen;
    for (const GUID* guid : AllGuids())
        EXPECT_TRUE(seen.insert(orvel::GuidToString(*guid)).second) << orvel::GuidToString(*guid);
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

} // namespace
