// The value text of a data member of a .NET object, as the object's rows show it.
#pragma once

#include "platform/PlatformTypes.h"

struct IDebugBinder;
struct IDebugField;
struct IDebugObject;

// "No binder" without a binder, the failure's text when binding fails, "Null Reference",
// "{...}" for an object (kind has FIELD_TYPE_CLASS), else the value in decimal. isNull is
// set when the member is a null reference. A new BSTR.
BSTR MemberValueText(IDebugBinder* binder, IDebugObject* object, IDebugField* member, DWORD kind,
                     bool& isNull);
