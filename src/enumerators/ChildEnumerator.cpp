#include "enumerators/ChildEnumerator.h"

#include "enumerators/CEnumArray.h"
#include "enumerators/CEnumGeneral.h"
#include "model/Element.h"

HRESULT CreateChildEnumerator(Element* element, DEBUGPROP_INFO_FLAGS fields,
                              IEnumDebugPropertyInfo2** out) {
    if (element->IsArrayLike()) return CEnumArray::Create(element, fields, out);
    // .NET object members come with the object enumerator.
    if (element->Type == object_4) return E_NOTIMPL;
    return CEnumGeneral::Create(element, fields, out);
}
