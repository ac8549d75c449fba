// The enumerator that lists an Element's children: array elements for an array-like
// Element, members for a .NET object, the child walk for everything else.
#pragma once

#include "host/HostProperties.h"

class Element;

// Hands the new enumerator to *out with the only reference; fields is the request
// applied to every row.
HRESULT CreateChildEnumerator(Element* element, DEBUGPROP_INFO_FLAGS fields,
                              IEnumDebugPropertyInfo2** out);
