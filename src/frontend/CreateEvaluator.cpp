#include "frontend/CreateEvaluator.h"

// Stands in until the evaluator object exists: the factory works, its product does not.
HRESULT CreateExpressionEvaluator(REFIID, void** ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    return E_NOTIMPL;
}
