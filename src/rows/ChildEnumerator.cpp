#include "rows/ChildEnumerator.h"

#include "model/Element.h"
#include "rows/CEnumArray.h"
#include "rows/CEnumGeneral.h"
#include "rows/CEnumObject.h"

HRESULT CreateChildEnumerator(Element* element, DEBUGPROP_INFO_FLAGS fields,
                              IEnumDebugPropertyInfo2** out) {
    if (element->IsArrayLike()) return CEnumArray::Create(element, fields, out);
    if (element->Type == object_4) return CEnumObject::Create(element, fields, out);
    return CEnumGeneral::Create(element, fields, out);
}
