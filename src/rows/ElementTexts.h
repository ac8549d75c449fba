// The texts of an Element that the property rows show, as new BSTRs.
#pragma once

#include "platform/PlatformTypes.h"

class Element;

namespace orvel {

// The type declaration, or null when it cannot be made.
BSTR ElementTypeText(Element* element);
// The value text, or null when it cannot be made.
BSTR ElementValueText(Element* element);
// The display name, or null when it cannot be made.
BSTR ElementNameText(const Element* element);

// What a row shows when its text could not be produced.
BSTR FailureText();

} // namespace orvel
