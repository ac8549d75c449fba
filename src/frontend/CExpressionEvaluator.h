// The object the debugger host creates through the class factory and keeps while it
// debugs: checks the syntax of watch expressions, hands out parsed expressions, and
// makes the root row of the locals window.
#pragma once

#include "host/HostEvaluator.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"

class ExtraDebugInfo;

class CExpressionEvaluator final : public orvel::ComObject<IDebugExpressionEvaluator> {
public:
    CExpressionEvaluator();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE Parse(LPCOLESTR upstrExpression, PARSEFLAGS dwFlags, UINT nRadix,
                                    BSTR* pbstrError, UINT* pichError,
                                    IDebugParsedExpression** ppParsedExpression) override;
    HRESULT STDMETHODCALLTYPE GetMethodProperty(IDebugSymbolProvider* pSymbolProvider,
                                                IDebugAddress* pAddress, IDebugBinder* pBinder,
                                                BOOL fIncludeHiddenLocals,
                                                IDebugProperty2** ppProperty) override;
    HRESULT STDMETHODCALLTYPE GetMethodLocationProperty(
        LPCOLESTR upstrFullyQualifiedMethodPlusOffset, IDebugSymbolProvider* pSymbolProvider,
        IDebugAddress* pAddress, IDebugBinder* pBinder, IDebugProperty2** ppProperty) override;
    HRESULT STDMETHODCALLTYPE SetLocale(WORD wLangID) override;
    HRESULT STDMETHODCALLTYPE SetRegistryRoot(LPCOLESTR ustrRegistryRoot) override;

private:
    ~CExpressionEvaluator() override;

    // Read at the first GetMethodProperty whose method has it; then shared by every
    // method property of this evaluator.
    orvel::ComPtr<ExtraDebugInfo> m_debugInfo;
};
