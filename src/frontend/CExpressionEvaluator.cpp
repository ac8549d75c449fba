#include "frontend/CExpressionEvaluator.h"

#include <new>
#include <vector>

#include "debuginfo/DebugInfoAcquisition.h"
#include "frontend/CParsedExpression.h"
#include "frontend/CreateEvaluator.h"
#include "frontend/ExpressionText.h"
#include "host/HostInterfaces.h"
#include "language/FortranEvaluator.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/Trace.h"
#include "rows/CFieldProperty.h"

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

    return orvel::CreateComObject<CParsedExpression>(ppParsedExpression, nRadix, dwFlags,
                                                     upstrExpression);
}

HRESULT STDMETHODCALLTYPE CExpressionEvaluator::GetMethodProperty(
    IDebugSymbolProvider* pSymbolProvider, IDebugAddress* pAddress, IDebugBinder* pBinder, BOOL,
    IDebugProperty2** ppProperty) {
    Trace("ExprEval::GetMethodProperty");
    if (NullArg(ppProperty, "ppProperty")) return E_INVALIDARG;
    *ppProperty = nullptr;
    if (NullArg(pSymbolProvider, "pSymbolProvider") || NullArg(pAddress, "pAddress"))
        return E_INVALIDARG;
    ComPtr<IDebugContainerField> container;
    HRESULT hr = pSymbolProvider->GetContainerField(pAddress, container.put());
    if (FAILED(hr)) return hr;
    if (!container) return E_FAIL;
    ComPtr<IDebugMethodField> method;
    hr = container.As(IID_IDebugMethodField, method);
    container.Reset();
    if (FAILED(hr)) return hr;
    if (!method) return E_FAIL;

    // Read once: every later method property of this evaluator shares it.
    if (!m_debugInfo) {
        ComPtr<IDebugCustomAttributeQuery> query;
        std::vector<uint8_t> blob;
        if (SUCCEEDED(method.As(IID_IDebugCustomAttributeQuery, query)) && query &&
            ReadAttributeBlob(query.get(), kDebugInfoAttribute, blob)) {
            ComPtr<ExpressionContext> cxt = ComPtr<ExpressionContext>::Adopt(
                ExpressionContext::Create(pSymbolProvider, pBinder, pAddress, nullptr));
            // The attribute's prolog and array length come before the records.
            if (cxt)
                m_debugInfo.Attach(ExtraDebugInfo::Create(
                    blob.data() + 6, static_cast<int32_t>(blob.size() - 6), cxt.get(), true));
        }
    }
    return CFieldProperty::Create(pSymbolProvider, pAddress, pBinder, method.get(),
                                  m_debugInfo.get(), ppProperty);
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
    ComPtr<IUnknown> evaluator;
    const HRESULT hr = orvel::CreateComObject<CExpressionEvaluator>(evaluator.put());
    if (FAILED(hr)) return hr;
    return evaluator->QueryInterface(riid, ppv);
}
