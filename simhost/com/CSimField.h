// A field of the substitute host: a class, method, data, pointer, array or type field
// of the model. It answers only the interface forms its model entry has, and the
// custom-attribute queries only where the entry offers attribute access.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimIdentity.h"

namespace orvel::sim {

class CSimField final : public ComObject<IDebugMethodField, IDebugClassField, IDebugPointerField,
                                         IDebugArrayField, IDebugCustomAttributeQuery2, ISimField>,
                        private LiveObject {
    using Base = ComObject<IDebugMethodField, IDebugClassField, IDebugPointerField,
                           IDebugArrayField, IDebugCustomAttributeQuery2, ISimField>;

public:
    CSimField(SimStatePtr state, FieldId id);

    // A field object for id, handed out as the interface iid names.
    static HRESULT Make(const SimStatePtr& state, FieldId id, REFIID iid, void** out);
    template <class I> static HRESULT Make(const SimStatePtr& state, FieldId id, I** out) {
        return Make(state, id, InterfaceId<I>::value(), reinterpret_cast<void**>(out));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;

    // IDebugField
    HRESULT STDMETHODCALLTYPE GetInfo(FIELD_INFO_FIELDS dwFields, FIELD_INFO* pFieldInfo) override;
    HRESULT STDMETHODCALLTYPE GetKind(FIELD_KIND* pdwKind) override;
    HRESULT STDMETHODCALLTYPE GetType(IDebugField** ppType) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IDebugContainerField** ppContainerField) override;
    HRESULT STDMETHODCALLTYPE GetAddress(IDebugAddress** ppAddress) override;
    HRESULT STDMETHODCALLTYPE GetSize(DWORD* pdwSize) override;
    HRESULT STDMETHODCALLTYPE GetExtendedInfo(REFGUID guidExtendedInfo, BYTE** prgBuffer,
                                              DWORD* pdwLen) override;
    HRESULT STDMETHODCALLTYPE Equal(IDebugField* pField) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(TYPE_INFO* pTypeInfo) override;

    // IDebugContainerField
    HRESULT STDMETHODCALLTYPE EnumFields(FIELD_KIND dwKindFilter, FIELD_MODIFIERS dwModifiersFilter,
                                         LPCOLESTR pszNameFilter, NAME_MATCH nameMatch,
                                         IEnumDebugFields** ppEnum) override;

    // IDebugClassField
    HRESULT STDMETHODCALLTYPE EnumBaseClasses(IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE DoesInterfaceExist(LPCOLESTR pszInterfaceName) override;
    HRESULT STDMETHODCALLTYPE EnumNestedClasses(IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetEnclosingClass(IDebugClassField** ppClassField) override;
    HRESULT STDMETHODCALLTYPE EnumInterfacesImplemented(IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE EnumConstructors(CONSTRUCTOR_ENUM cMatch,
                                               IEnumDebugFields** ppEnum) override;
    HRESULT STDMETHODCALLTYPE GetDefaultIndexer(BSTR* pbstrIndexer) override;
    HRESULT STDMETHODCALLTYPE EnumNestedEnums(IEnumDebugFields** ppEnum) override;

    // IDebugMethodField
    HRESULT STDMETHODCALLTYPE EnumParameters(IEnumDebugFields** ppParams) override;
    HRESULT STDMETHODCALLTYPE GetThis(IDebugClassField** ppClass) override;
    HRESULT STDMETHODCALLTYPE EnumAllLocals(IDebugAddress* pAddress,
                                            IEnumDebugFields** ppLocals) override;
    HRESULT STDMETHODCALLTYPE EnumLocals(IDebugAddress* pAddress,
                                         IEnumDebugFields** ppLocals) override;
    // Also IDebugCustomAttributeQuery::IsCustomAttributeDefined: one answer for both.
    HRESULT STDMETHODCALLTYPE IsCustomAttributeDefined(LPCOLESTR pszCustomAttributeName) override;
    HRESULT STDMETHODCALLTYPE EnumStaticLocals(IEnumDebugFields** ppLocals) override;
    HRESULT STDMETHODCALLTYPE GetGlobalContainer(IDebugClassField** ppClass) override;
    HRESULT STDMETHODCALLTYPE EnumArguments(IEnumDebugFields** ppParams) override;

    // IDebugPointerField
    HRESULT STDMETHODCALLTYPE GetDereferencedField(IDebugField** ppField) override;

    // IDebugArrayField
    HRESULT STDMETHODCALLTYPE GetNumberOfElements(DWORD* pdwNumElements) override;
    HRESULT STDMETHODCALLTYPE GetElementType(IDebugField** ppType) override;
    HRESULT STDMETHODCALLTYPE GetRank(DWORD* pdwRank) override;

    // IDebugCustomAttributeQuery, IDebugCustomAttributeQuery2
    HRESULT STDMETHODCALLTYPE GetCustomAttributeByName(LPCOLESTR pszCustomAttributeName,
                                                       BYTE* ppBlob, DWORD* pdwLen) override;
    HRESULT STDMETHODCALLTYPE EnumCustomAttributes(IEnumDebugCustomAttributes** ppEnum) override;

    // ISimField
    const SimState* STDMETHODCALLTYPE SimOwner() override { return m_state.get(); }
    FieldId STDMETHODCALLTYPE SimFieldId() override { return m_id; }

private:
    const HostField& Field() const { return m_state->program.fields[m_id]; }
    bool Offers(REFIID riid) const;
    HRESULT EnumList(std::vector<FieldId> list, IEnumDebugFields** out) const;
    HRESULT EnumLocalsOf(IDebugAddress* address, bool includeHidden, IEnumDebugFields** out) const;

    SimStatePtr m_state;
    FieldId m_id;
};

} // namespace orvel::sim
