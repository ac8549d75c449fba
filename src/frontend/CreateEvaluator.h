// Makes the evaluator object the class factory hands out, queried for riid. The
// factory's only way to the evaluator, so that module hosting knows nothing of it.
#pragma once

#include "platform/PlatformTypes.h"

// E_INVALIDARG for a null ppv, which is cleared otherwise; E_OUTOFMEMORY when the
// evaluator cannot be made; else the result of querying the new evaluator for riid.
HRESULT CreateExpressionEvaluator(REFIID riid, void** ppv);
