// One row of the array and general enumerators: a child Element's texts, attributes and
// its own property, as the request bits ask.
#pragma once

#include "host/HostProperties.h"

class Element;

// Fills row (already cleared) for child. fullName and name are produced by the caller
// only when asked for; ownership passes to the row. So does type's, the type text when
// the caller has it; without it the row asks the child.
void FillChildRow(Element* child, DEBUGPROP_INFO_FLAGS fields, BSTR fullName, BSTR name,
                  DEBUG_PROPERTY_INFO& row, BSTR type = nullptr);
