#include "frontend/VariantExpression.h"

// Stands in until the evaluator of typed values exists: nothing is evaluated.
HRESULT EvaluateVariantExpression(IDebugSymbolProvider*, IDebugAddress*, IDebugBinder*,
                                  LPCOLESTR text, BSTR* errorText, VARIANT* result) {
    if (!text) return E_INVALIDARG;
    if (errorText) *errorText = nullptr;
    if (result) VariantInit(result);
    return E_NOTIMPL;
}
