// Runs the evaluator of typed values over arbitrary text, each byte one character: as a
// plain check without a host, and with operands that know no names but convert
// constants, so that every operator is applied. Beyond the sanitizers' checks it holds
// the evaluator to its contract: success exactly when no message is kept, an empty
// result after a failure, messages of at most 255 characters, and a host that only adds
// failures to what the plain check accepts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "binder/VariantEvaluator.h"
#include "binder/VariantExpression.h"
#include "binder/VariantOperands.h"
#include "platform/Bstr.h"

namespace {

class ConstantOperands final : public VariantOperands {
public:
    HRESULT LookUp(LPCOLESTR, VARIANT*) override { return S_FALSE; }
    HRESULT Convert(VARTYPE vt, VARIANT* value) override {
        const HRESULT hr = VariantChangeType(value, value, 0, vt);
        if (FAILED(hr)) VariantClear(value);
        return hr;
    }
};

void Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "FuzzVariantExpression: %s (0x%08x)\n", what, static_cast<unsigned>(hr));
    std::abort();
}

void CheckOutcome(HRESULT hr, BSTR message, const VARIANT& result) {
    if (hr == S_OK && message) Fail("success with a message", hr);
    // Every failure keeps a message (allocation aside, which is not expected here).
    if (hr != S_OK && !message) Fail("failure without a message", hr);
    if (hr != S_OK && result.vt != VT_EMPTY) Fail("failure left a result", hr);
    if (message && SysStringLen(message) > 255) Fail("message too long", hr);
}

HRESULT Check(const OLECHAR* text) {
    BSTR message = nullptr;
    VARIANT result;
    const HRESULT hr =
        EvaluateVariantExpression(nullptr, nullptr, nullptr, text, &message, &result);
    CheckOutcome(hr, message, result);
    VariantClear(&result);
    SysFreeString(message);
    return hr;
}

HRESULT WithConstants(const OLECHAR* text) {
    ConstantOperands operands;
    BSTR message = nullptr;
    VARIANT result;
    const HRESULT hr = VariantEvaluator(text, &operands, &message).Evaluate(&result);
    CheckOutcome(hr, message, result);
    if (hr == S_OK && result.vt != VT_I4 && result.vt != VT_BOOL) Fail("untyped result", hr);
    if (hr == S_OK && result.vt == VT_BOOL && result.lVal != 0 && result.lVal != 1)
        Fail("boolean other than 1 or 0", hr);
    VariantClear(&result);
    SysFreeString(message);
    return hr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<OLECHAR> text(data, data + size);
    text.push_back(0);
    const HRESULT checked = Check(text.data());
    const HRESULT evaluated = WithConstants(text.data());
    if (evaluated == S_OK && checked != S_OK) Fail("evaluated what the check refuses", checked);
    return 0;
}
