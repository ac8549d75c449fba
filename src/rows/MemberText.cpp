#include "rows/MemberText.h"

#include "binder/FieldValues.h"
#include "binder/VariantText.h"
#include "host/HostInterfaces.h"
#include "platform/Bstr.h"
#include "platform/ComPtr.h"

BSTR MemberValueText(IDebugBinder* binder, IDebugObject* object, IDebugField* member, DWORD kind,
                     bool& isNull) {
    if (!binder) return SysAllocString(OLESTR("No binder"));
    orvel::ComPtr<IDebugObject> bound;
    HRESULT hr = binder->Bind(object, member, bound.put());
    if (FAILED(hr)) return ErrorText(hr);
    BOOL null = FALSE;
    if (bound && SUCCEEDED(bound->IsNullReference(&null)) && null) {
        isNull = true;
        return SysAllocString(OLESTR("Null Reference"));
    }
    if (kind & FIELD_TYPE_CLASS) return SysAllocString(OLESTR("{...}"));
    VARIANT value;
    VariantInit(&value);
    hr = GetFieldValue(binder, member, &value, object);
    BSTR text = nullptr;
    if (SUCCEEDED(hr)) hr = VariantValueText(10, binder, &value, &text);
    VariantClear(&value);
    return SUCCEEDED(hr) ? text : ErrorText(hr);
}
