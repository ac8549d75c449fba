#include "frontend/CExpressionEvaluator.h"

#include <new>

#include "frontend/CParsedExpression.h"
#include "frontend/CreateEvaluator.h"
#include "frontend/ExpressionText.h"
#include "language/FortranEvaluator.h"
#include "model/ExtraDebugInfo.h"
#include "module/Trace.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"

using orvel::ComPtr;
using orvel::NullArg;
using orvel::Trace;

CExpressionEvaluator::CExpressionEvaluator() {
    Trace("create ExprEval: 0x%x", orvel::TraceAddress(this));
}

CExpressionEvaluator::~CExpressionEvaluator() {
    Trace("destroy ExprEval: 0x%x", orvel::TraceAddress(this));
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::QueryInterface(REFIID riid, void** ppv) {
    const HRESULT hr = ComObject::QueryInterface(riid, ppv);
    if (hr == S_OK) Trace("ExprEval::QueryInterface for IDebugExpressionEvaluator");
    return hr;
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::Parse(LPCOLESTR upstrExpression, PARSEFLAGS dwFlags,
                                                      UINT nRadix, BSTR* pbstrError,
                                                      UINT* pichError,
                                                      IDebugParsedExpression** ppParsedExpression) {
    Trace("ExprEval::Parse %S", upstrExpression ? upstrExpression : OLESTR(""));
    if (NullArg(pbstrError, "pbstrError")) return E_INVALIDARG;
    *pbstrError = nullptr;
    if (NullArg(pichError, "pichError")) return E_INVALIDARG;
    if (NullArg(ppParsedExpression, "ppParsedExpression")) return E_INVALIDARG;
    *ppParsedExpression = nullptr;

    // A text the code page cannot hold is refused like a syntax error: checking its '?'
    // stand-ins would accept an expression the user did not write.
    const ExpressionText text(upstrExpression);
    if (!text.Exact) return S_FALSE;
    FortranEvaluator check(text.Text, nullptr);
    check.Evaluate();
    if (check.HasError()) return S_FALSE;

    CParsedExpression* parsed = nullptr;
    try {
        parsed = new CParsedExpression(nRadix, dwFlags, upstrExpression);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = parsed->QueryInterface(IID_IDebugParsedExpression,
                                              reinterpret_cast<void**>(ppParsedExpression));
    parsed->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::GetMethodProperty(IDebugSymbolProvider*,
                                                                  IDebugAddress*, IDebugBinder*,
                                                                  BOOL,
                                                                  IDebugProperty2** ppProperty) {
    Trace("ExprEval::GetMethodProperty");
    // The locals window comes with the field property.
    return orvel::NotSupported(ppProperty, "ppProperty");
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::GetMethodLocationProperty(
    LPCOLESTR upstrFullyQualifiedMethodPlusOffset, IDebugSymbolProvider*, IDebugAddress*,
    IDebugBinder*, IDebugProperty2** ppProperty) {
    Trace("ExprEval::GetMethodLocationProperty '%S'",
          upstrFullyQualifiedMethodPlusOffset ? upstrFullyQualifiedMethodPlusOffset : OLESTR(""));
    return orvel::NotSupported(ppProperty, "ppProperty");
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::SetLocale(WORD) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::SetRegistryRoot(LPCOLESTR) {
    return E_NOTIMPL;
}

HRESULT CreateExpressionEvaluator(REFIID riid, void** ppv) {
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    CExpressionEvaluator* evaluator = new (std::nothrow) CExpressionEvaluator();
    if (!evaluator) return E_OUTOFMEMORY;
    const HRESULT hr = evaluator->QueryInterface(riid, ppv);
    evaluator->Release();
    return hr;
}
