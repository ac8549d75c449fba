#include "rows/CPropertyLight.h"

#include <new>

#include "language/EvalError.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

using orvel::NullArg;

namespace {

// A copy that the host owns; an empty text stays an empty BSTR.
BSTR Copy(BSTR text) {
    return SysAllocStringLen(text, SysStringLen(text));
}

} // namespace

CPropertyLight::CPropertyLight(int errorCode, const char* name, const char* type) {
    char message[256];
    FormatEvalError(errorCode, message, sizeof message);
    m_name = orvel::NarrowToBstr(name);
    m_type = orvel::NarrowToBstr(type);
    m_value = orvel::NarrowToBstr(message);
    if (!m_name || !m_type || !m_value) {
        SysFreeString(m_name);
        SysFreeString(m_type);
        SysFreeString(m_value);
        throw std::bad_alloc();
    }
}

CPropertyLight::~CPropertyLight() {
    SysFreeString(m_name);
    SysFreeString(m_type);
    SysFreeString(m_value);
}

HRESULT CPropertyLight::Create(int errorCode, const char* name, const char* type,
                               IDebugProperty2** out) {
    return orvel::CreateComObject<CPropertyLight>(out, errorCode, name, type);
}

HRESULT STDMETHODCALLTYPE CPropertyLight::GetPropertyInfo(DEBUGPROP_INFO_FLAGS dwFields, DWORD,
                                                          DWORD, IDebugReference2**, DWORD,
                                                          DEBUG_PROPERTY_INFO* pPropertyInfo) {
    if (NullArg(pPropertyInfo, "pPropertyInfo")) return E_INVALIDARG;
    *pPropertyInfo = DEBUG_PROPERTY_INFO{};
    DEBUG_PROPERTY_INFO& info = *pPropertyInfo;
    if (dwFields & DEBUGPROP_INFO_FULLNAME) {
        info.bstrFullName = Copy(m_name);
        info.dwFields |= DEBUGPROP_INFO_FULLNAME;
    }
    if (dwFields & DEBUGPROP_INFO_NAME) {
        info.bstrName = Copy(m_name);
        info.dwFields |= DEBUGPROP_INFO_NAME;
    }
    if (dwFields & DEBUGPROP_INFO_TYPE) {
        info.bstrType = Copy(m_type);
        info.dwFields |= DEBUGPROP_INFO_TYPE;
    }
    if (dwFields & DEBUGPROP_INFO_PROP) {
        QueryInterface(IID_IDebugProperty2, reinterpret_cast<void**>(&info.pProperty));
        info.dwFields |= DEBUGPROP_INFO_PROP;
    }
    if (dwFields & DEBUGPROP_INFO_VALUE) {
        info.bstrValue = Copy(m_value);
        info.dwFields |= DEBUGPROP_INFO_VALUE;
    }
    if (dwFields & DEBUGPROP_INFO_ATTRIB) {
        // An error row carries no error attribute: the message is its value.
        info.dwAttrib = 0;
        info.dwFields |= DEBUGPROP_INFO_ATTRIB;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPropertyLight::SetValueAsString(LPCOLESTR, DWORD, DWORD) {
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CPropertyLight::SetValueAsReference(IDebugReference2**, DWORD,
                                                              IDebugReference2*, DWORD) {
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CPropertyLight::EnumChildren(DEBUGPROP_INFO_FLAGS, DWORD, REFGUID,
                                                       DBG_ATTRIB_FLAGS, LPCOLESTR, DWORD,
                                                       IEnumDebugPropertyInfo2**) {
    return E_FAIL;
}
