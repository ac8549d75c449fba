// A watch expression that passed the syntax check. Each EvaluateSync evaluates it anew in
// the scope of the method at the given address and answers with a value row or an
// error row; nothing is kept between evaluations.
#pragma once

#include "host/HostEvaluator.h"
#include "platform/ComObject.h"

class CParsedExpression final : public orvel::ComObject<IDebugParsedExpression> {
public:
    // Copies text; throws std::bad_alloc when it cannot.
    CParsedExpression(UINT radix, PARSEFLAGS flags, LPCOLESTR text);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE EvaluateSync(DWORD dwEvalFlags, DWORD dwTimeout,
                                           IDebugSymbolProvider* pSymbolProvider,
                                           IDebugAddress* pAddress, IDebugBinder* pBinder,
                                           BSTR bstrResultType,
                                           IDebugProperty2** ppResult) override;

private:
    ~CParsedExpression() override;

    [[maybe_unused]] UINT m_radix; // kept as given; the evaluation does not depend on it
    [[maybe_unused]] PARSEFLAGS m_flags;
    BSTR m_text;
};
