#include "rows/CFieldProperty.h"

#include <new>
#include <utility>

#include "binder/FieldValues.h"
#include "binder/VariantExpression.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "model/ContextDebugInfo.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "rows/CEnumArray.h"
#include "rows/CEnumGeneral.h"
#include "rows/CEnumMethodField.h"
#include "rows/CEnumObject.h"
#include "rows/CEnumPropertyInfo.h"
#include "rows/ElementTexts.h"
#include "rows/MemberText.h"

using orvel::ComPtr;
using orvel::NullArg;

CFieldProperty::CFieldProperty(IDebugSymbolProvider* provider, IDebugAddress* address,
                               IDebugBinder* binder, IDebugField* field, ExtraDebugInfo* debugInfo)
    : m_provider(provider), m_address(address), m_binder(binder), m_debugInfo(debugInfo),
      m_field(field) {
    MakeContext();
    if (m_debugInfo || !m_context || !m_provider || !m_address) return;
    ComPtr<IDebugContainerField> container;
    if (m_provider->GetContainerField(m_address.get(), container.put()) != S_OK || !container)
        return;
    FIELD_KIND kind = 0;
    if (FAILED(container->GetKind(&kind)) || !(kind & FIELD_TYPE_METHOD)) return;
    m_debugInfo.Attach(GetOurDebugInfo(container.get(), m_context.get()));
    if (!m_debugInfo) return;
    m_context->DebugInfo = m_debugInfo;
    orvel::BstrHolder name(FieldName(container.get()));
    m_parentElem.Attach(
        new (std::nothrow) Element(container.get(), m_context.get(), name.get(), nullptr, nullptr));
}

CFieldProperty::CFieldProperty(Element* parent, IDebugField* field)
    : m_parentElem(parent), m_field(field) {
    if (ExpressionContext* cxt = parent ? parent->Cxt.get() : nullptr) {
        m_provider = cxt->Provider;
        m_address = cxt->Address;
        m_binder = cxt->Binder;
        m_debugInfo = cxt->DebugInfo;
    }
    MakeContext();
}

// The method's records describe its Fortran variables, not the members of an object: a
// member row is built without them, so that a member never takes a variable's record.
CFieldProperty::CFieldProperty(ExpressionContext* cxt, IDebugField* field, IDebugObject* container)
    : m_provider(cxt->Provider), m_address(cxt->Address), m_binder(cxt->Binder), m_field(field),
      m_container(container) {
    MakeContext();
}

CFieldProperty::~CFieldProperty() {
    SysFreeString(m_fieldInfo.bstrFullName);
    SysFreeString(m_fieldInfo.bstrName);
    SysFreeString(m_fieldInfo.bstrType);
}

void CFieldProperty::MakeContext() {
    m_context.Attach(ExpressionContext::Create(m_provider.get(), m_binder.get(), m_debugInfo.get(),
                                               m_address.get(), nullptr));
}

namespace {

// Hands a property out once its Init worked; a failed Init is the creation's failure.
HRESULT Initialised(ComPtr<CFieldProperty> property, IDebugProperty2** out) {
    const HRESULT hr = property->Init();
    if (SUCCEEDED(hr)) *out = property.Detach();
    return SUCCEEDED(hr) ? S_OK : hr;
}

} // namespace

HRESULT CFieldProperty::Create(IDebugSymbolProvider* provider, IDebugAddress* address,
                               IDebugBinder* binder, IDebugField* field, ExtraDebugInfo* debugInfo,
                               IDebugProperty2** out) {
    if (NullArg(out, "out")) return E_INVALIDARG;
    *out = nullptr;
    ComPtr<CFieldProperty> property;
    const HRESULT hr = orvel::CreateComObject<CFieldProperty>(property.put(), provider, address,
                                                              binder, field, debugInfo);
    return FAILED(hr) ? hr : Initialised(std::move(property), out);
}

HRESULT CFieldProperty::Create(Element* parent, IDebugField* field, IDebugProperty2** out) {
    if (NullArg(out, "out")) return E_INVALIDARG;
    *out = nullptr;
    ComPtr<CFieldProperty> property;
    const HRESULT hr = orvel::CreateComObject<CFieldProperty>(property.put(), parent, field);
    return FAILED(hr) ? hr : Initialised(std::move(property), out);
}

HRESULT CFieldProperty::CreateMember(ExpressionContext* cxt, IDebugField* field,
                                     IDebugObject* container, IDebugProperty2** out) {
    if (NullArg(out, "out")) return E_INVALIDARG;
    *out = nullptr;
    if (!cxt) return E_INVALIDARG;
    return orvel::CreateComObject<CFieldProperty>(out, cxt, field, container);
}

HRESULT CFieldProperty::Init() {
    m_initTried = true;
    if (!m_provider || !m_address || !m_field || !m_context) return E_FAIL;
    HRESULT hr = m_field->GetKind(&m_kind);
    if (FAILED(hr)) return hr;
    SysFreeString(m_fieldInfo.bstrFullName);
    SysFreeString(m_fieldInfo.bstrName);
    SysFreeString(m_fieldInfo.bstrType);
    m_fieldInfo = FIELD_INFO{};
    hr = m_field->GetInfo(0xFFFFFFFF, &m_fieldInfo);
    if (FAILED(hr)) return hr;
    if (m_parentElem) {
        m_elem.Attach(m_parentElem->GetChildForField(m_field.get()));
    } else {
        m_elem.Attach(new (std::nothrow) Element(
            m_field.get(), m_context.get(), m_fieldInfo.bstrFullName, m_container.get(), nullptr));
    }
    return S_OK;
}

bool CFieldProperty::EnsureElement() {
    if (!m_initTried) Init();
    return m_elem != nullptr;
}

DBG_ATTRIB_FLAGS CFieldProperty::Attributes() const {
    struct Rule {
        bool fromKind;
        DWORD bits;
        DBG_ATTRIB_FLAGS attrib;
    };
    static const Rule rules[] = {
        {false, FIELD_MOD_ACCESS_PUBLIC, DBG_ATTRIB_ACCESS_PUBLIC},
        {false, FIELD_MOD_ACCESS_PRIVATE, DBG_ATTRIB_ACCESS_PRIVATE},
        {false, FIELD_MOD_ACCESS_PROTECTED, DBG_ATTRIB_ACCESS_PROTECTED},
        {false, FIELD_MOD_FINAL, DBG_ATTRIB_ACCESS_FINAL},
        {false, FIELD_MOD_CONSTANT, DBG_ATTRIB_VALUE_READONLY | DBG_ATTRIB_TYPE_CONSTANT},
        {true, FIELD_SYM_GLOBAL, DBG_ATTRIB_STORAGE_GLOBAL},
        {false, FIELD_MOD_STATIC, DBG_ATTRIB_STORAGE_STATIC},
        {false, FIELD_MOD_VIRTUAL, DBG_ATTRIB_TYPE_VIRTUAL},
        {false, FIELD_MOD_SYNCHRONIZED, DBG_ATTRIB_TYPE_SYNCHRONIZED},
        {false, FIELD_MOD_VOLATILE, DBG_ATTRIB_TYPE_VOLATILE},
        {true, FIELD_TYPE_METHOD, DBG_ATTRIB_METHOD},
        {true, FIELD_TYPE_PROP, DBG_ATTRIB_PROPERTY},
        {true, FIELD_TYPE_CLASS, DBG_ATTRIB_CLASS},
        {true, FIELD_TYPE_INTERFACE, DBG_ATTRIB_INTERFACE},
        {true, FIELD_TYPE_INNERCLASS, DBG_ATTRIB_INNERCLASS},
        {true, FIELD_KIND_SYMBOL, DBG_ATTRIB_DATA},
    };
    DBG_ATTRIB_FLAGS attrib = 0;
    for (const Rule& rule : rules)
        if ((rule.fromKind ? m_kind : m_fieldInfo.dwModifiers) & rule.bits) attrib |= rule.attrib;
    if (m_elem && m_elem->IsExpandable()) attrib |= DBG_ATTRIB_OBJ_IS_EXPANDABLE;
    return attrib;
}

namespace {

// A text of the Element, produced a second time when the first attempt fails; "Dbg
// failure" when that fails too. A property without an Element shows that text as well.
template <class Producer> BSTR TwiceTried(Element* element, Producer produce) {
    for (int attempt = 0; element && attempt < 2; ++attempt) {
        try {
            if (BSTR text = produce(element)) return text;
        } catch (...) {
        }
    }
    return orvel::FailureText();
}

BSTR Copy(BSTR text) {
    return text ? SysAllocStringLen(text, SysStringLen(text)) : nullptr;
}

} // namespace

HRESULT STDMETHODCALLTYPE CFieldProperty::GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD,
                                                          DWORD, IDebugReference2**, DWORD,
                                                          DEBUG_PROPERTY_INFO* pPropertyInfo) {
    if (NullArg(pPropertyInfo, "pPropertyInfo")) return E_INVALIDARG;
    *pPropertyInfo = DEBUG_PROPERTY_INFO{};
    DEBUG_PROPERTY_INFO& info = *pPropertyInfo;
    // A member row of an object is initialised here, when first asked for.
    EnsureElement();
    Element* element = m_elem.get();
    if (dwFields & DEBUGPROP_INFO_FULLNAME) {
        info.bstrFullName = Copy(m_fieldInfo.bstrFullName);
        info.dwFields |= DEBUGPROP_INFO_FULLNAME;
    }
    if (dwFields & DEBUGPROP_INFO_NAME) {
        info.bstrName = Copy(m_fieldInfo.bstrName);
        info.dwFields |= DEBUGPROP_INFO_NAME;
    }
    // A plain .NET member has no Fortran description: its row shows the host's type name
    // and its value through the binder, as the object's own rows do.
    const bool member = m_container != nullptr;
    if (dwFields & DEBUGPROP_INFO_TYPE) {
        info.bstrType =
            member ? Copy(m_fieldInfo.bstrType) : TwiceTried(element, orvel::ElementTypeText);
        info.dwFields |= DEBUGPROP_INFO_TYPE;
    }
    if (dwFields & DEBUGPROP_INFO_PROP) {
        QueryInterface(IID_IDebugProperty2, reinterpret_cast<void**>(&info.pProperty));
        info.dwFields |= DEBUGPROP_INFO_PROP;
    }
    if (dwFields & DEBUGPROP_INFO_VALUE) {
        bool isNull = false;
        info.bstrValue = member ? MemberValueText(m_binder.get(), m_container.get(), m_field.get(),
                                                  m_kind, isNull)
                                : TwiceTried(element, orvel::ElementValueText);
        info.dwFields |= DEBUGPROP_INFO_VALUE;
    }
    if (dwFields & DEBUGPROP_INFO_ATTRIB) {
        info.dwAttrib = Attributes();
        info.dwFields |= DEBUGPROP_INFO_ATTRIB;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFieldProperty::SetValueAsString(LPCOLESTR pszValue, DWORD, DWORD) {
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = EvaluateVariantExpression(m_provider.get(), m_address.get(), m_binder.get(),
                                           pszValue, nullptr, &value);
    if (SUCCEEDED(hr) && hr == S_FALSE) hr = E_FAIL;
    if (SUCCEEDED(hr)) hr = SetFieldValue(m_binder.get(), m_field.get(), &value, m_container.get());
    VariantClear(&value);
    if (SUCCEEDED(hr)) {
        // What was read before the write is stale now.
        m_elem.Reset();
        m_initTried = false;
        return S_OK;
    }
    return hr;
}

HRESULT CFieldProperty::EnumMethodFields(REFGUID guidFilter, IEnumDebugFields** fields) {
    ComPtr<IDebugMethodField> method;
    HRESULT hr = m_field.As(IID_IDebugMethodField, method);
    if (FAILED(hr)) return hr;
    if (guidFilter == guidFilterArgs) return method->EnumParameters(fields);
    if (guidFilter == guidFilterLocals) return method->EnumLocals(m_address.get(), fields);
    if (guidFilter == guidFilterAllLocals) return method->EnumAllLocals(m_address.get(), fields);
    if (guidFilter == guidFilterLocalsPlusArgs) {
        ComPtr<IDebugClassField> global;
        ComPtr<IEnumDebugFields> parameters;
        ComPtr<IEnumDebugFields> locals;
        method->GetGlobalContainer(global.put());
        method->EnumParameters(parameters.put());
        method->EnumLocals(m_address.get(), locals.put());
        return CEnumMethodField::Create(global.get(), parameters.get(), locals.get(), fields);
    }
    if (guidFilter == guidFilterThis) {
        ComPtr<IDebugClassField> self;
        hr = method->GetThis(self.put());
        if (FAILED(hr)) return hr;
        return CEnumMethodField::Create(self.get(), nullptr, nullptr, fields);
    }
    return E_FAIL;
}

HRESULT CFieldProperty::EnumFieldsByAttributes(DBG_ATTRIB_FLAGS attribFilter, LPCOLESTR nameFilter,
                                               IEnumDebugFields** fields) {
    struct Rule {
        DBG_ATTRIB_FLAGS attrib;
        FIELD_KIND kind;
        FIELD_MODIFIERS modifiers;
    };
    static const Rule rules[] = {
        {DBG_ATTRIB_ACCESS_PUBLIC, 0, FIELD_MOD_ACCESS_PUBLIC},
        {DBG_ATTRIB_ACCESS_PRIVATE, 0, FIELD_MOD_ACCESS_PRIVATE},
        {DBG_ATTRIB_ACCESS_PROTECTED, 0, FIELD_MOD_ACCESS_PROTECTED},
        {DBG_ATTRIB_ACCESS_FINAL, 0, FIELD_MOD_FINAL},
        {DBG_ATTRIB_STORAGE_GLOBAL, FIELD_SYM_GLOBAL, 0},
        {DBG_ATTRIB_STORAGE_STATIC, 0, FIELD_MOD_STATIC},
        {DBG_ATTRIB_TYPE_VIRTUAL, 0, FIELD_MOD_VIRTUAL},
        {DBG_ATTRIB_TYPE_CONSTANT, 0, FIELD_MOD_CONSTANT},
        {DBG_ATTRIB_TYPE_SYNCHRONIZED, 0, FIELD_MOD_SYNCHRONIZED},
        {DBG_ATTRIB_DATA, FIELD_KIND_SYMBOL, 0},
        {DBG_ATTRIB_METHOD, FIELD_TYPE_METHOD, 0},
        {DBG_ATTRIB_PROPERTY, FIELD_TYPE_PROP, 0},
        {DBG_ATTRIB_CLASS, FIELD_TYPE_CLASS, 0},
        {DBG_ATTRIB_BASECLASS, FIELD_TYPE_CLASS, 0},
        {DBG_ATTRIB_INTERFACE, FIELD_TYPE_INTERFACE, 0},
        {DBG_ATTRIB_INNERCLASS, FIELD_TYPE_INNERCLASS, 0},
    };
    FIELD_KIND kind = 0;
    FIELD_MODIFIERS modifiers = 0;
    for (const Rule& rule : rules) {
        if (attribFilter & rule.attrib) {
            kind |= rule.kind;
            modifiers |= rule.modifiers;
        }
    }
    if (!(attribFilter & DBG_ATTRIB_CLASS) || !m_elem) {
        ComPtr<IDebugContainerField> container;
        const HRESULT hr = m_field.As(IID_IDebugContainerField, container);
        if (FAILED(hr)) return hr;
        return container->EnumFields(kind, modifiers, nameFilter, nmCaseInsensitive, fields);
    }
    ComPtr<IDebugClassField> classField;
    const HRESULT hr = m_elem->Field.As(IID_IDebugClassField, classField);
    if (FAILED(hr)) return hr;
    if (!classField) return E_FAIL;
    // The host's answer is taken as it is: an empty enumeration lists nothing.
    classField->EnumFields(0xFFFFFFFF, 0x7FFFFFFF, nameFilter, nmCaseInsensitive, fields);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFieldProperty::EnumChildren(DEBUGPROP_INFO_FLAGS dwFields, DWORD dwRadix,
                                                       REFGUID guidFilter,
                                                       DBG_ATTRIB_FLAGS dwAttribFilter,
                                                       LPCOLESTR pszNameFilter, DWORD,
                                                       IEnumDebugPropertyInfo2** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    *ppEnum = nullptr;
    EnsureElement();
    if (m_elem && m_elem->IsArrayLike()) return CEnumArray::Create(m_elem.get(), dwFields, ppEnum);
    if (m_elem && guidFilter != guidFilterArgs) {
        if (m_elem->Type == object_4) return CEnumObject::Create(m_elem.get(), dwFields, ppEnum);
        return CEnumGeneral::Create(m_elem.get(), dwFields, ppEnum);
    }
    if (m_kind & FIELD_TYPE_CLASS)
        return CEnumObject::Create(m_field.get(), m_context.get(), dwFields, ppEnum);

    ComPtr<IEnumDebugFields> fields;
    const HRESULT hr = (m_kind & FIELD_TYPE_METHOD)
                           ? EnumMethodFields(guidFilter, fields.put())
                           : EnumFieldsByAttributes(dwAttribFilter, pszNameFilter, fields.put());
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    if (!fields) return E_FAIL;
    if (m_elem)
        return CEnumPropertyInfo::Create(m_elem.get(), dwRadix, fields.get(), dwFields, ppEnum);
    return CEnumPropertyInfo::Create(m_provider.get(), m_address.get(), m_binder.get(), dwRadix,
                                     fields.get(), dwFields, m_debugInfo.get(), ppEnum);
}

HRESULT STDMETHODCALLTYPE CFieldProperty::GetParent(IDebugProperty2** ppParent) {
    if (NullArg(ppParent, "ppParent")) return E_INVALIDARG;
    *ppParent = nullptr;
    ComPtr<IDebugContainerField> container;
    const HRESULT hr = m_field->GetContainer(container.put());
    if (FAILED(hr)) return hr;
    if (!container) return E_FAIL;
    return Create(m_provider.get(), m_address.get(), m_binder.get(), container.get(),
                  m_debugInfo.get(), ppParent);
}

HRESULT STDMETHODCALLTYPE CFieldProperty::GetMemoryContext(IDebugMemoryContext2** ppMemory) {
    if (NullArg(ppMemory, "ppMemory")) return E_INVALIDARG;
    *ppMemory = nullptr;
    if (!m_binder) return E_FAIL;
    ComPtr<IDebugObject> object;
    const HRESULT hr = m_binder->Bind(m_container.get(), m_field.get(), object.put());
    if (FAILED(hr)) return hr;
    if (!object) return E_FAIL;
    return object->GetMemoryContext(ppMemory);
}

HRESULT STDMETHODCALLTYPE CFieldProperty::GetSize(DWORD* pdwSize) {
    if (NullArg(pdwSize, "pdwSize")) return E_INVALIDARG;
    *pdwSize = 0;
    return m_field->GetSize(pdwSize);
}
