#include "simhost/com/CSimField.h"
#include "simhost/com/CallFaults.h"

#include <cstring>

#include "platform/Bstr.h"
#include "simhost/com/CSimFieldEnum.h"
#include "simhost/com/SimResults.h"
#include "simhost/com/SimText.h"

namespace orvel::sim {

CSimField::CSimField(SimStatePtr state, FieldId id) : m_state(std::move(state)), m_id(id) {}

HRESULT CSimField::Make(const SimStatePtr& state, FieldId id, REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!state || !state->program.IsField(id)) return E_FAIL;
    ComPtr<IUnknown> unknown;
    HRESULT hr = CreateComObject<CSimField>(unknown.put(), state, id);
    if (FAILED(hr)) return hr;
    return unknown->QueryInterface(iid, out);
}

bool CSimField::Offers(REFIID riid) const {
    const HostField& f = Field();
    if (riid == IID_IDebugContainerField) return f.form != FieldForm::Plain;
    if (riid == IID_IDebugClassField) return f.form == FieldForm::Class;
    if (riid == IID_IDebugMethodField) return f.form == FieldForm::Method;
    if (riid == IID_IDebugPointerField) return f.form == FieldForm::Pointer;
    if (riid == IID_IDebugArrayField) return f.form == FieldForm::Array;
    if (riid == IID_IDebugCustomAttributeQuery) return f.attributeAccess == AttributeAccess::Query;
    if (riid == IID_IDebugCustomAttributeQuery2) return f.attributeAccess != AttributeAccess::None;
    return true;
}

HRESULT CSimField::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (!Offers(riid)) return E_NOINTERFACE;
    return Base::QueryInterface(riid, out);
}

// --- IDebugField ---------------------------------------------------------------------

HRESULT CSimField::GetInfo(FIELD_INFO_FIELDS dwFields, FIELD_INFO* pFieldInfo) {
    if (!pFieldInfo) return E_INVALIDARG;
    std::memset(pFieldInfo, 0, sizeof(*pFieldInfo));
    ORVEL_SIM_FAULT_POINT();
    const HostField& f = Field();
    struct Text {
        FIELD_INFO_FIELDS bit;
        const std::string* text;
        BSTR* slot;
    } texts[] = {{FIF_FULLNAME, &f.fullName, &pFieldInfo->bstrFullName},
                 {FIF_NAME, &f.name, &pFieldInfo->bstrName},
                 {FIF_TYPE, &f.typeName, &pFieldInfo->bstrType}};
    for (const Text& t : texts) {
        if (!(dwFields & t.bit)) continue;
        *t.slot = AllocBstr(*t.text);
        if (!*t.slot) {
            for (const Text& u : texts) {
                SysFreeString(*u.slot);
                *u.slot = nullptr;
            }
            pFieldInfo->dwFields = 0;
            return E_OUTOFMEMORY;
        }
        pFieldInfo->dwFields |= t.bit;
    }
    if (dwFields & FIF_MODIFIERS) {
        pFieldInfo->dwModifiers = f.modifiers;
        pFieldInfo->dwFields |= FIF_MODIFIERS;
    }
    return S_OK;
}

HRESULT CSimField::GetKind(FIELD_KIND* pdwKind) {
    if (!pdwKind) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pdwKind = Field().kind;
    return S_OK;
}

HRESULT CSimField::GetType(IDebugField** ppType) {
    if (!ppType) return E_INVALIDARG;
    *ppType = nullptr;
    ORVEL_SIM_FAULT_POINT();
    HRESULT hr = m_state->program.InjectedResult(m_id, HostOp::GetType);
    if (FAILED(hr)) return hr;
    if (!m_state->program.IsField(Field().type)) return E_FAIL;
    return Make(m_state, Field().type, ppType);
}

HRESULT CSimField::GetContainer(IDebugContainerField** ppContainerField) {
    if (!ppContainerField) return E_INVALIDARG;
    *ppContainerField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (!m_state->program.IsField(Field().container)) return S_SH_NO_CONTAINER;
    return Make(m_state, Field().container, ppContainerField);
}

HRESULT CSimField::GetAddress(IDebugAddress** ppAddress) {
    if (!ppAddress) return E_INVALIDARG;
    *ppAddress = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimField::GetSize(DWORD* pdwSize) {
    if (!pdwSize) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pdwSize = Field().size;
    return S_OK;
}

HRESULT CSimField::GetExtendedInfo(REFGUID, BYTE** prgBuffer, DWORD* pdwLen) {
    if (!prgBuffer || !pdwLen) return E_INVALIDARG;
    *prgBuffer = nullptr;
    *pdwLen = 0;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimField::Equal(IDebugField* pField) {
    if (!pField) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    return OwnField(*m_state, pField) == m_id ? S_OK : S_FALSE;
}

HRESULT CSimField::GetTypeInfo(TYPE_INFO* pTypeInfo) {
    if (!pTypeInfo) return E_INVALIDARG;
    std::memset(pTypeInfo, 0, sizeof(*pTypeInfo));
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

// --- IDebugContainerField ------------------------------------------------------------

namespace {
// A field with no modifier bits counts as FIELD_MOD_NOMODIFIERS for filtering. Sharing a
// kind or symbol bit is not enough: every type bit of the field must be asked for, so that
// a filter without FIELD_TYPE_METHOD never yields a method however its other bits match.
bool PassesFilters(const HostField& f, FIELD_KIND kinds, FIELD_MODIFIERS modifiers) {
    FIELD_MODIFIERS have =
        f.modifiers ? FIELD_MODIFIERS{f.modifiers} : FIELD_MODIFIERS{FIELD_MOD_NOMODIFIERS};
    const FIELD_KIND typeBits = f.kind & FIELD_TYPE_MASK;
    return (f.kind & kinds) != 0 && (typeBits & ~kinds) == 0 && (have & modifiers) != 0;
}
} // namespace

HRESULT CSimField::EnumFields(FIELD_KIND dwKindFilter, FIELD_MODIFIERS dwModifiersFilter,
                              LPCOLESTR pszNameFilter, NAME_MATCH nameMatch,
                              IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        const HostField& self = Field();
        std::vector<FieldId> candidates = self.members;
        if (self.form == FieldForm::Method) {
            candidates = self.parameters;
            candidates.insert(candidates.end(), self.locals.begin(), self.locals.end());
        }
        std::string name = ToUtf8(pszNameFilter);
        std::vector<FieldId> picked;
        for (FieldId id : candidates) {
            const HostField& f = m_state->program.fields[id];
            if (!PassesFilters(f, dwKindFilter, dwModifiersFilter)) continue;
            if (pszNameFilter && !NameMatches(f.name, name, nameMatch)) continue;
            picked.push_back(id);
        }
        return EnumList(std::move(picked), ppEnum);
    });
}

HRESULT CSimField::EnumList(std::vector<FieldId> list, IEnumDebugFields** out) const {
    bool empty = list.empty();
    HRESULT hr = CSimFieldEnum::Create(m_state, std::move(list), out);
    if (FAILED(hr)) return hr;
    return empty ? S_FALSE : S_OK;
}

// --- IDebugClassField ----------------------------------------------------------------

HRESULT CSimField::EnumBaseClasses(IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimField::DoesInterfaceExist(LPCOLESTR pszInterfaceName) {
    if (!pszInterfaceName) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    return S_FALSE;
}

HRESULT CSimField::EnumNestedClasses(IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        std::vector<FieldId> nested;
        for (FieldId id : Field().members)
            if (m_state->program.fields[id].form == FieldForm::Class) nested.push_back(id);
        return EnumList(std::move(nested), ppEnum);
    });
}

HRESULT CSimField::GetEnclosingClass(IDebugClassField** ppClassField) {
    if (!ppClassField) return E_INVALIDARG;
    *ppClassField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    FieldId outer = Field().container;
    if (!m_state->program.IsField(outer) || m_state->program.fields[outer].form != FieldForm::Class)
        return S_SH_NO_CONTAINER;
    return Make(m_state, outer, ppClassField);
}

HRESULT CSimField::EnumInterfacesImplemented(IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimField::EnumConstructors(CONSTRUCTOR_ENUM, IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimField::GetDefaultIndexer(BSTR* pbstrIndexer) {
    if (!pbstrIndexer) return E_INVALIDARG;
    *pbstrIndexer = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimField::EnumNestedEnums(IEnumDebugFields** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

// --- IDebugMethodField ---------------------------------------------------------------

HRESULT CSimField::EnumParameters(IEnumDebugFields** ppParams) {
    if (!ppParams) return E_INVALIDARG;
    *ppParams = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] { return EnumList(Field().parameters, ppParams); });
}

HRESULT CSimField::GetThis(IDebugClassField** ppClass) {
    if (!ppClass) return E_INVALIDARG;
    *ppClass = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (!m_state->program.IsField(Field().thisClass)) return S_SH_METHOD_NO_THIS;
    return Make(m_state, Field().thisClass, ppClass);
}

HRESULT CSimField::EnumLocalsOf(IDebugAddress* address, bool includeHidden,
                                IEnumDebugFields** out) const {
    // Locals are known only at code addresses of this method.
    if (OwnAddressMethod(*m_state, address) != m_id) return E_SH_INVALID_ADDRESS;
    return Guarded([&] {
        std::vector<FieldId> locals;
        for (FieldId id : Field().locals)
            if (includeHidden || !(m_state->program.fields[id].modifiers & FIELD_MOD_HIDDEN))
                locals.push_back(id);
        return EnumList(std::move(locals), out);
    });
}

HRESULT CSimField::EnumAllLocals(IDebugAddress* pAddress, IEnumDebugFields** ppLocals) {
    if (!pAddress || !ppLocals) return E_INVALIDARG;
    *ppLocals = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return EnumLocalsOf(pAddress, true, ppLocals);
}

HRESULT CSimField::EnumLocals(IDebugAddress* pAddress, IEnumDebugFields** ppLocals) {
    if (!pAddress || !ppLocals) return E_INVALIDARG;
    *ppLocals = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return EnumLocalsOf(pAddress, false, ppLocals);
}

HRESULT CSimField::IsCustomAttributeDefined(LPCOLESTR pszCustomAttributeName) {
    if (!pszCustomAttributeName) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    return Guarded(
        [&] { return Field().attributes.count(ToUtf8(pszCustomAttributeName)) ? S_OK : S_FALSE; });
}

HRESULT CSimField::EnumStaticLocals(IEnumDebugFields** ppLocals) {
    if (!ppLocals) return E_INVALIDARG;
    *ppLocals = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] { return EnumList({}, ppLocals); });
}

HRESULT CSimField::GetGlobalContainer(IDebugClassField** ppClass) {
    if (!ppClass) return E_INVALIDARG;
    *ppClass = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (!m_state->program.IsField(m_state->program.globalClass)) return E_FAIL;
    return Make(m_state, m_state->program.globalClass, ppClass);
}

HRESULT CSimField::EnumArguments(IEnumDebugFields** ppParams) {
    ORVEL_SIM_FAULT_POINT();
    return EnumParameters(ppParams);
}

// --- IDebugPointerField, IDebugArrayField --------------------------------------------

HRESULT CSimField::GetDereferencedField(IDebugField** ppField) {
    if (!ppField) return E_INVALIDARG;
    *ppField = nullptr;
    ORVEL_SIM_FAULT_POINT();
    // No target type: success with nothing, so callers fall back to GetType.
    if (!m_state->program.IsField(Field().dereferenced)) return S_FALSE;
    return Make(m_state, Field().dereferenced, ppField);
}

HRESULT CSimField::GetNumberOfElements(DWORD* pdwNumElements) {
    if (!pdwNumElements) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pdwNumElements = Field().arrayCount;
    return S_OK;
}

HRESULT CSimField::GetElementType(IDebugField** ppType) {
    if (!ppType) return E_INVALIDARG;
    *ppType = nullptr;
    ORVEL_SIM_FAULT_POINT();
    if (!m_state->program.IsField(Field().elementType)) return E_FAIL;
    return Make(m_state, Field().elementType, ppType);
}

HRESULT CSimField::GetRank(DWORD* pdwRank) {
    if (!pdwRank) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    *pdwRank = Field().arrayRank;
    return S_OK;
}

// --- custom attributes ---------------------------------------------------------------

HRESULT CSimField::GetCustomAttributeByName(LPCOLESTR pszCustomAttributeName, BYTE* ppBlob,
                                            DWORD* pdwLen) {
    if (!pszCustomAttributeName || !pdwLen) return E_INVALIDARG;
    ORVEL_SIM_FAULT_POINT();
    auto it = Field().attributes.end();
    HRESULT hr = Guarded([&] {
        it = Field().attributes.find(ToUtf8(pszCustomAttributeName));
        return S_OK;
    });
    if (FAILED(hr)) return hr;
    if (it == Field().attributes.end()) {
        *pdwLen = 0;
        return E_FAIL;
    }
    const std::vector<uint8_t>& blob = it->second;
    DWORD size = static_cast<DWORD>(blob.size());
    if (!ppBlob) {
        if (m_state->program.refuseNullAttributeBuffer) return kNullBufferRefused;
        *pdwLen = size;
        return S_OK;
    }
    if (*pdwLen < size) {
        *pdwLen = size;
        return kInsufficientBuffer;
    }
    if (size) std::memcpy(ppBlob, blob.data(), size);
    *pdwLen = size;
    return S_OK;
}

HRESULT CSimField::EnumCustomAttributes(IEnumDebugCustomAttributes** ppEnum) {
    if (!ppEnum) return E_INVALIDARG;
    *ppEnum = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

} // namespace orvel::sim
