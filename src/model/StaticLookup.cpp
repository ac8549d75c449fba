#include <new>
#include <string>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"
#include "model/ContextDebugInfo.h"
#include "model/ExpressionContext.h"

using namespace orvel::acquisition;
using orvel::ComPtr;

namespace {

// The debuggee runtime's own answer to "where is this static item".
constexpr OLECHAR kLookupMethod[] = OLESTR("Kestrin.Debug.DebugHelper.LookupStaticAddress");
constexpr DWORD kNoTimeout = 0xFFFFFFFF;

// The lookup method bound as a function object, or false.
bool LookupFunction(ExpressionContext* cxt, ComPtr<IDebugFunctionObject>& function) {
    ComPtr<IEnumDebugFields> methods;
    if (FAILED(cxt->Provider->GetMethodFieldsByName(kLookupMethod, nmCaseInsensitive,
                                                    methods.put())) ||
        !methods || !cxt->Binder)
        return false;
    ULONG count = 0;
    ComPtr<IDebugField> method;
    ComPtr<IDebugObject> object;
    if (FAILED(methods->GetCount(&count)) || count == 0 || !NextField(methods.get(), method) ||
        !BindStatic(cxt->Binder.get(), method.get(), object))
        return false;
    return SUCCEEDED(object.As(function)) && function;
}

// What the debuggee's lookup method answers for Name, or false when it cannot be asked.
bool EvaluateLookup(ExpressionContext* cxt, LPCOLESTR name, uint32_t& answer) {
    ComPtr<IDebugFunctionObject> function;
    if (!LookupFunction(cxt, function)) return false;
    ComPtr<IDebugObject> argument;
    if (FAILED(function->CreateStringObject(name, argument.put())) || !argument) return false;
    IDebugObject* arguments[1] = {argument.get()};
    ComPtr<IDebugObject> result;
    if (FAILED(function->Evaluate(arguments, 1, kNoTimeout, result.put())) || !result) return false;
    return ReadU32(result.get(), answer);
}

} // namespace

DebuggeeAddress LookupStaticAddress(ExpressionContext* Cxt, LPCOLESTR Name) {
    if (!Cxt || !Name) return 0;
    try {
        const std::string key = Narrow(Name);
        if (const DebuggeeAddress known = CacheLookupAddress(key.c_str())) return known;
        uint32_t answer = 0;
        if (!Cxt->Provider || !EvaluateLookup(Cxt, Name, answer) || answer >= kFirstLookupFailure)
            return 0;
        // Kept even when 0: the entry records the answer, and 0 still reads as unknown.
        CacheAddAddress(key.c_str(), answer);
        return answer;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
