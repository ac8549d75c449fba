// The shared operations on the VARIANTs that carry values between the host's binder and
// the evaluator: the Fortran-flavoured name of a VARIANT's type, the display text of its
// value, and the reading and conversion of a VARIANT that stands for a .NET field
// (VT_UNKNOWN holding the field's IDebugField). Failures are HRESULTs that leave a
// cleared out BSTR or an empty destination behind; nothing here throws.
#pragma once

#include "platform/Variant.h"

struct IDebugBinder;

// The name of pvarType's tag ("INTEGER*4", "string", "(pointer)"); for VT_UNKNOWN the
// name of the field it holds. E_FAIL for a tag that has no name.
HRESULT VariantTypeName(const VARIANT* pvarType, BSTR* pbstrName);

// The display text of pvarValue: hexadecimal when radix is exactly 16, else decimal. A
// field-valued VARIANT shows the field's value, read through binder. E_FAIL when the
// text would be empty (VT_EMPTY excepted, which gives the empty text).
HRESULT VariantValueText(DWORD radix, IDebugBinder* binder, const VARIANT* pvarValue,
                         BSTR* pbstrText);

// pvarDest becomes pvarSource, a field-valued one replaced by the field's value read
// through binder. The two may be the same VARIANT.
HRESULT ResolveVariant(IDebugBinder* binder, VARIANT* pvarSource, VARIANT* pvarDest);

// pvarDest becomes pvarSource resolved (above) and changed to vt by VariantChangeType;
// a request for VT_UNKNOWN changes the source as it is. The two may be the same VARIANT.
HRESULT ConvertVariant(IDebugBinder* binder, VARTYPE vt, VARIANT* pvarSource, VARIANT* pvarDest);
