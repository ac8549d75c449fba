#include "frontend/CParsedExpression.h"

#include <new>

#include "frontend/ExpressionText.h"
#include "host/HostSymbols.h"
#include "language/FortranEvaluator.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/Trace.h"
#include "rows/CPropertyGeneral.h"
#include "rows/CPropertyLight.h"

using orvel::ComPtr;
using orvel::NullArg;
using orvel::Trace;

CParsedExpression::CParsedExpression(UINT radix, PARSEFLAGS flags, LPCOLESTR text)
    : m_radix(radix), m_flags(flags), m_text(SysAllocString(text ? text : OLESTR(""))) {
    if (!m_text) throw std::bad_alloc();
    Trace("create CParsedExpression: 0x%x", orvel::TraceAddress(this));
}

CParsedExpression::~CParsedExpression() {
    Trace("destroy CParsedExpression: 0x%x", orvel::TraceAddress(this));
    SysFreeString(m_text);
}

HRESULT STDMETHODCALLTYPE CParsedExpression::QueryInterface(REFIID riid, void** ppv) {
    const HRESULT hr = ComObject::QueryInterface(riid, ppv);
    if (hr == S_OK) Trace("ExprEval::QueryInterface for IDebugParsedExpression");
    return hr;
}

HRESULT STDMETHODCALLTYPE CParsedExpression::EvaluateSync(
    DWORD, DWORD, IDebugSymbolProvider* pSymbolProvider, IDebugAddress* pAddress,
    IDebugBinder* pBinder, BSTR bstrResultType, IDebugProperty2** ppResult) {
    Trace("CParsedExpression::EvaluateSync: '%S', bstrResultType: '%S'", m_text,
          bstrResultType ? bstrResultType : OLESTR(""));
    if (NullArg(pSymbolProvider, "pSymbolProvider") || NullArg(pAddress, "pAddress") ||
        NullArg(pBinder, "pBinder") || NullArg(ppResult, "ppResult"))
        return E_INVALIDARG;
    *ppResult = nullptr;

    ComPtr<ExpressionContext> cxt = ComPtr<ExpressionContext>::Adopt(
        ExpressionContext::Create(pSymbolProvider, pBinder, pAddress, nullptr));
    if (!cxt) return E_OUTOFMEMORY;
    const ExpressionText text(m_text);
    if (!text.Exact) return CPropertyLight::Create(EvalSyntax, text.Text, nullptr, ppResult);

    // Without the method's field the scope has no children and every name is unknown.
    ComPtr<IDebugContainerField> method;
    pSymbolProvider->GetContainerField(pAddress, method.put());
    ComPtr<Element> scope = ComPtr<Element>::Adopt(
        new (std::nothrow) Element(method.get(), cxt.get(), nullptr, nullptr, nullptr));
    if (!scope) return E_OUTOFMEMORY;

    FortranEvaluator evaluator(text.Text, scope.get());
    evaluator.Evaluate();
    scope.Reset();
    if (evaluator.HasError() || !evaluator.GetResult())
        return CPropertyLight::Create(evaluator.HasError() ? evaluator.GetError()
                                                           : EvalInternalError,
                                      text.Text, nullptr, ppResult);
    Element* result = evaluator.GetResult();
    result->SetName(text.Text, text.Text);
    return CPropertyGeneral::Create(result, cxt.get(), ppResult);
}
