#include "rows/CEnumObject.h"

#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/Trace.h"
#include "rows/CFieldProperty.h"
#include "rows/MemberText.h"

using orvel::ComPtr;
using orvel::NullArg;

namespace {

bool IsNull(IDebugObject* object) {
    BOOL isNull = FALSE;
    return object && SUCCEEDED(object->IsNullReference(&isNull)) && isNull;
}

// Every kind but methods and properties: only data members become rows.
constexpr FIELD_KIND DataMembers = ~static_cast<FIELD_KIND>(FIELD_TYPE_METHOD | FIELD_TYPE_PROP);

} // namespace

CEnumObject::CEnumObject(Element* element, DEBUGPROP_INFO_FLAGS request)
    : m_cxt(element->Cxt), m_request(request) {
    if (element->Type == object_4) Initialise(element->Field.get(), element->ContainerObject.get());
}

CEnumObject::CEnumObject(IDebugField* field, ExpressionContext* cxt, DEBUGPROP_INFO_FLAGS request)
    : m_cxt(cxt), m_request(request) {
    Initialise(field, nullptr);
}

CEnumObject::~CEnumObject() = default;

HRESULT CEnumObject::Create(Element* element, DEBUGPROP_INFO_FLAGS request,
                            IEnumDebugPropertyInfo2** out) {
    if (!element) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumObject>(out, element, request);
}

HRESULT CEnumObject::Create(IDebugField* field, ExpressionContext* cxt,
                            DEBUGPROP_INFO_FLAGS request, IEnumDebugPropertyInfo2** out) {
    if (!cxt) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumObject>(out, field, cxt, request);
}

// Failures here leave an enumerator with nothing to list; they are not reported.
void CEnumObject::Initialise(IDebugField* field, IDebugObject* parent) {
    if (!field || !m_cxt) return;
    if (m_cxt->Binder) m_cxt->Binder->Bind(parent, field, m_object.put());
    bool isNull = IsNull(m_object.get());
    ComPtr<IDebugField> self(field);
    self.As(IID_IDebugClassField, m_classField);

    FIELD_KIND kind = 0;
    if (!m_classField && !isNull && SUCCEEDED(field->GetKind(&kind)) &&
        (kind & FIELD_TYPE_POINTER)) {
        // One level of pointer is followed, and only when every step works.
        ComPtr<IDebugPointerField> pointerField;
        ComPtr<IDebugField> targetField;
        ComPtr<IDebugClassField> targetClass;
        ComPtr<IDebugPointerObject> pointerObject;
        ComPtr<IDebugObject> targetObject;
        if (SUCCEEDED(self.As(IID_IDebugPointerField, pointerField)) && pointerField &&
            SUCCEEDED(pointerField->GetDereferencedField(targetField.put())) && targetField &&
            SUCCEEDED(targetField.As(IID_IDebugClassField, targetClass)) && targetClass &&
            SUCCEEDED(m_object.As(IID_IDebugPointerObject, pointerObject)) && pointerObject &&
            SUCCEEDED(pointerObject->Dereference(0, targetObject.put())) && targetObject) {
            m_classField = targetClass;
            m_object = targetObject;
        }
    }
    isNull = IsNull(m_object.get());
    if (!m_classField || isNull) return;
    m_classField->EnumFields(DataMembers, 0x7FFFFFFF, nullptr, nmCaseInsensitive,
                             m_Enumerator.put());
    if (m_Enumerator && FAILED(m_Enumerator->GetCount(&m_count))) m_count = 0;
}

HRESULT STDMETHODCALLTYPE CEnumObject::Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                            ULONG* pceltFetched) {
    orvel::Trace("CEnumObject::Next");
    if (pceltFetched) *pceltFetched = 0;
    if (!m_Enumerator) return E_FAIL;
    if (NullArg(rgelt, "rgelt")) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = DEBUG_PROPERTY_INFO{};
    for (ULONG row = 0; row < celt && m_position < m_count; ++row) {
        ComPtr<IDebugField> child;
        ULONG one = 0;
        if (m_Enumerator->Next(1, child.put(), &one) != S_OK || one != 1 || !child) return E_FAIL;
        FIELD_KIND kind = 0;
        child->GetKind(&kind);
        DEBUG_PROPERTY_INFO& info = rgelt[row];
        FIELD_INFO names{};
        FIELD_INFO_FIELDS wanted = 0;
        if (m_request & DEBUGPROP_INFO_FULLNAME) wanted |= FIF_FULLNAME;
        if (m_request & DEBUGPROP_INFO_NAME) wanted |= FIF_NAME;
        if (m_request & DEBUGPROP_INFO_TYPE) wanted |= FIF_TYPE;
        if (wanted) child->GetInfo(wanted, &names);
        if (m_request & DEBUGPROP_INFO_FULLNAME) {
            info.bstrFullName = names.bstrFullName;
            names.bstrFullName = nullptr;
            info.dwFields |= DEBUGPROP_INFO_FULLNAME;
        }
        if (m_request & DEBUGPROP_INFO_NAME) {
            info.bstrName = names.bstrName;
            names.bstrName = nullptr;
            info.dwFields |= DEBUGPROP_INFO_NAME;
        }
        if (m_request & DEBUGPROP_INFO_TYPE) {
            info.bstrType = names.bstrType;
            names.bstrType = nullptr;
            info.dwFields |= DEBUGPROP_INFO_TYPE;
        }
        SysFreeString(names.bstrFullName);
        SysFreeString(names.bstrName);
        SysFreeString(names.bstrType);
        // Where the value rules did not find out, the member counts as not null.
        bool isNull = false;
        if (m_request & DEBUGPROP_INFO_VALUE) {
            info.bstrValue =
                MemberValueText(m_cxt->Binder.get(), m_object.get(), child.get(), kind, isNull);
            info.dwFields |= DEBUGPROP_INFO_VALUE;
        }
        if (m_request & DEBUGPROP_INFO_ATTRIB) {
            info.dwAttrib = DBG_ATTRIB_DATA | DBG_ATTRIB_ACCESS_PUBLIC;
            if ((kind & FIELD_TYPE_CLASS) && !isNull) info.dwAttrib |= DBG_ATTRIB_OBJ_IS_EXPANDABLE;
            info.dwFields |= DEBUGPROP_INFO_ATTRIB;
        }
        if (m_request & DEBUGPROP_INFO_PROP) {
            CFieldProperty::CreateMember(m_cxt.get(), child.get(), m_object.get(), &info.pProperty);
            info.dwFields |= DEBUGPROP_INFO_PROP;
        }
        ++m_position;
        if (pceltFetched) ++*pceltFetched;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumObject::Skip(ULONG celt) {
    if (m_Enumerator) m_Enumerator->Skip(celt);
    m_position += celt;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumObject::Reset() {
    m_position = 0;
    if (m_Enumerator) m_Enumerator->Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumObject::Clone(IEnumDebugPropertyInfo2** ppEnum) {
    orvel::Trace("CEnumObject::Clone");
    return orvel::NotSupported(ppEnum, "ppEnum");
}

HRESULT STDMETHODCALLTYPE CEnumObject::GetCount(ULONG* pcelt) {
    orvel::Trace("CEnumObject::GetCount");
    if (NullArg(pcelt, "pcelt")) return E_INVALIDARG;
    *pcelt = m_count;
    return S_OK;
}
