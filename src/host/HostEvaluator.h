// The evaluator interfaces the host drives: it creates our class
// (CLSID_OrvelExpressionEvaluator), parses text into an IDebugParsedExpression and
// evaluates that against a symbol provider, an address and a binder.
// Declaration order is vtable order and must not change.
#pragma once

#include "host/HostIds.h"

typedef DWORD PARSEFLAGS;
enum enum_PARSEFLAGS : DWORD {
    PARSE_EXPRESSION = 0x1,
    PARSE_FUNCTION_AS_ADDRESS = 0x2,
    PARSE_DESIGN_TIME_EXPR_EVAL = 0x1000,
};

// IDebugParsedExpression::EvaluateSync takes these as a plain DWORD.
typedef DWORD EVALFLAGS;
enum enum_EVALFLAGS : DWORD {
    EVAL_RETURNVALUE = 0x2,
    EVAL_NOSIDEEFFECTS = 0x4,
    EVAL_ALLOWBPS = 0x8,
    EVAL_ALLOWERRORREPORT = 0x10,
    EVAL_FUNCTION_AS_ADDRESS = 0x40,
    EVAL_NOFUNCEVAL = 0x80,
    EVAL_NOEVENTS = 0x1000,
    EVAL_DESIGN_TIME_EXPR_EVAL = 0x2000,
    EVAL_ALLOW_IMPLICIT_VARS = 0x4000,
};

// Bits newer hosts add to the evaluation flags.
enum enum_EVALFLAGS90 : DWORD {
    EVAL90_FORCE_EVALUATION_NOW = 0x8000,
};
enum enum_EVALFLAGS100 : DWORD {
    EVAL100_NO_IL_INTERPRETER = 0x10000,
    EVAL100_ALLOW_FUNC_EVALS_EVEN_IF_NO_SIDE_EFFECTS = 0x20000,
    EVAL100_ALLOW_THREADSLIPPING = 0x40000,
};

struct IDebugExpressionEvaluator : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Parse(LPCOLESTR upstrExpression, PARSEFLAGS dwFlags,
                                            UINT nRadix, BSTR* pbstrError, UINT* pichError,
                                            IDebugParsedExpression** ppParsedExpression) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodProperty(IDebugSymbolProvider* pSymbolProvider,
                                                        IDebugAddress* pAddress,
                                                        IDebugBinder* pBinder,
                                                        BOOL fIncludeHiddenLocals,
                                                        IDebugProperty2** ppProperty) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodLocationProperty(
        LPCOLESTR upstrFullyQualifiedMethodPlusOffset, IDebugSymbolProvider* pSymbolProvider,
        IDebugAddress* pAddress, IDebugBinder* pBinder, IDebugProperty2** ppProperty) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLocale(WORD wLangID) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRegistryRoot(LPCOLESTR ustrRegistryRoot) = 0;
};

struct IDebugParsedExpression : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EvaluateSync(DWORD dwEvalFlags, DWORD dwTimeout,
                                                   IDebugSymbolProvider* pSymbolProvider,
                                                   IDebugAddress* pAddress, IDebugBinder* pBinder,
                                                   BSTR bstrResultType,
                                                   IDebugProperty2** ppResult) = 0;
};
