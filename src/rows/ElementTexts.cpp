#include "rows/ElementTexts.h"

#include "model/Element.h"
#include "platform/Bstr.h"

namespace orvel {

BSTR ElementTypeText(Element* element) {
    BSTR text = nullptr;
    return SUCCEEDED(element->GetTypeDeclaration(&text)) ? text : nullptr;
}

BSTR ElementValueText(Element* element) {
    BSTR text = nullptr;
    element->Print(text);
    return text;
}

BSTR ElementNameText(const Element* element) {
    BSTR text = nullptr;
    return SUCCEEDED(element->GetName(&text)) ? text : nullptr;
}

BSTR FailureText() {
    return SysAllocString(OLESTR("Dbg failure"));
}

} // namespace orvel
