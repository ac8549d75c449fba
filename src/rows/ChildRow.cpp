#include "rows/ChildRow.h"

#include "model/Element.h"
#include "rows/CPropertyGeneral.h"
#include "rows/ElementTexts.h"

void FillChildRow(Element* child, DEBUGPROP_INFO_FLAGS fields, BSTR fullName, BSTR name,
                  DEBUG_PROPERTY_INFO& row, BSTR type) {
    if (fields & DEBUGPROP_INFO_FULLNAME) {
        row.bstrFullName = fullName;
        row.dwFields |= DEBUGPROP_INFO_FULLNAME;
    }
    if (fields & DEBUGPROP_INFO_NAME) {
        row.bstrName = name;
        row.dwFields |= DEBUGPROP_INFO_NAME;
    }
    if (fields & DEBUGPROP_INFO_TYPE) {
        row.bstrType = type ? type : orvel::ElementTypeText(child);
        row.dwFields |= DEBUGPROP_INFO_TYPE;
    }
    if (fields & DEBUGPROP_INFO_VALUE) {
        row.bstrValue = orvel::ElementValueText(child);
        row.dwFields |= DEBUGPROP_INFO_VALUE;
    }
    if (fields & DEBUGPROP_INFO_ATTRIB) {
        row.dwAttrib = DBG_ATTRIB_DATA | DBG_ATTRIB_ACCESS_PUBLIC;
        if (child->IsExpandable()) row.dwAttrib |= DBG_ATTRIB_OBJ_IS_EXPANDABLE;
        row.dwFields |= DEBUGPROP_INFO_ATTRIB;
    }
    if (fields & DEBUGPROP_INFO_PROP) {
        // A child without a context of its own cannot carry a property.
        if (child->Cxt) CPropertyGeneral::Create(child, child->Cxt.get(), &row.pProperty);
        row.dwFields |= DEBUGPROP_INFO_PROP;
    }
}
