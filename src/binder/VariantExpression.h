// The small evaluator of the text a user types to change a value: 32-bit integer and
// boolean arithmetic over constants and the .NET fields visible at the code address.
#pragma once

#include "platform/Variant.h"

struct IDebugSymbolProvider;
struct IDebugAddress;
struct IDebugBinder;

// Evaluates text. Without all three of provider, address and binder the text is only
// checked. S_OK for a valid, fully evaluated text; S_FALSE for an invalid text or a failed
// operation; a lookup's or conversion's failure code otherwise. errorText (when given)
// receives the first message; result (when given) is initialised and receives the value.
HRESULT EvaluateVariantExpression(IDebugSymbolProvider* provider, IDebugAddress* address,
                                  IDebugBinder* binder, LPCOLESTR text, BSTR* errorText,
                                  VARIANT* result);
