#include "binder/VariantExpression.h"

#include "binder/FieldValues.h"
#include "binder/VariantEvaluator.h"
#include "binder/VariantOperands.h"
#include "binder/VariantText.h"
#include "host/HostInterfaces.h"
#include "platform/ComPtr.h"

namespace {

// Names are the fields visible at the code address; a field's value is read through the
// binder only when an operator needs it.
class HostOperands final : public VariantOperands {
public:
    HostOperands(IDebugSymbolProvider* provider, IDebugAddress* address, IDebugBinder* binder)
        : m_provider(provider), m_address(address), m_binder(binder) {}

    HRESULT LookUp(LPCOLESTR name, VARIANT* value) override {
        orvel::ComPtr<IDebugField> field;
        const HRESULT hr = FindFieldByName(m_provider, m_address, m_binder, name, field.put());
        if (hr != S_OK) return hr;
        if (!field) return S_FALSE;
        return FieldAsVariant(field.get(), value);
    }

    HRESULT Convert(VARTYPE vt, VARIANT* value) override {
        return ConvertVariant(m_binder, vt, value, value);
    }

private:
    IDebugSymbolProvider* m_provider;
    IDebugAddress* m_address;
    IDebugBinder* m_binder;
};

} // namespace

HRESULT EvaluateVariantExpression(IDebugSymbolProvider* provider, IDebugAddress* address,
                                  IDebugBinder* binder, LPCOLESTR text, BSTR* errorText,
                                  VARIANT* result) {
    if (!text) return E_INVALIDARG;
    if (errorText) *errorText = nullptr;
    VARIANT scratch;
    VARIANT* value = result ? result : &scratch;
    HostOperands host(provider, address, binder);
    const bool inContext = provider && address && binder;
    VariantEvaluator evaluator(text, inContext ? &host : nullptr, errorText);
    const HRESULT hr = evaluator.Evaluate(value);
    if (!result) VariantClear(&scratch);
    return hr;
}
