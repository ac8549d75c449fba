// FindFieldByName: a name typed into an edited value is looked up in the host's scopes
// around the code address first, then among the Fortran records of the method's debug
// information, so that a .NET field hides a Fortran variable of the same name.
#include <new>
#include <utility>

#include "binder/CDebugF95Field.h"
#include "binder/FieldValues.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "host/HostInterfaces.h"
#include "model/ContextDebugInfo.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "model/ExtraInfo.h"
#include "platform/ArgCheck.h"
#include "platform/ComPtr.h"

using orvel::ComPtr;
using orvel::NullArg;

namespace {

// The first field named name in scope or the scopes around it: S_OK with the field,
// S_FALSE when none has one, or the failure of a step outwards.
HRESULT FindInScopes(ComPtr<IDebugContainerField> scope, LPCOLESTR name, IDebugField** out) {
    while (scope) {
        ComPtr<IEnumDebugFields> fields;
        if (scope->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL, name, nmCaseInsensitive,
                              fields.put()) == S_OK &&
            fields) {
            ComPtr<IDebugField> found;
            ULONG fetched = 0;
            if (fields->Next(1, found.put(), &fetched) == S_OK && found) {
                *out = found.Detach();
                return S_OK;
            }
        }
        ComPtr<IDebugContainerField> outer;
        const HRESULT hr = scope->GetContainer(outer.put());
        if (FAILED(hr)) return hr;
        scope = std::move(outer);
    }
    return S_FALSE;
}

// The Fortran variable name in the debug information of the method at address, wrapped
// as a field: S_OK with it, or S_FALSE when the method has no record of that name.
HRESULT FindRecord(IDebugSymbolProvider* provider, IDebugAddress* address, IDebugBinder* binder,
                   LPCOLESTR name, IDebugField** out) {
    ComPtr<IDebugContainerField> method;
    if (FAILED(provider->GetContainerField(address, method.put())) || !method) return S_FALSE;
    ComPtr<ExpressionContext> cxt = ComPtr<ExpressionContext>::Adopt(
        ExpressionContext::Create(provider, binder, address, nullptr));
    if (!cxt) return E_OUTOFMEMORY;
    ComPtr<ExtraDebugInfo> info =
        ComPtr<ExtraDebugInfo>::Adopt(GetOurDebugInfo(method.get(), cxt.get()));
    if (!info) return S_FALSE;
    ExtraInfo record;
    if (!info->Find(name, record)) return S_FALSE;
    // The record's names (bounds, storage) are evaluated in this context.
    cxt->DebugInfo = info;
    ComPtr<Element> variable =
        ComPtr<Element>::Adopt(new (std::nothrow) Element(record, cxt.get()));
    if (!variable) return E_OUTOFMEMORY;
    return CDebugF95Field::Create(variable.get(), false, out);
}

} // namespace

HRESULT FindFieldByName(IDebugSymbolProvider* pprovider, IDebugAddress* paddress,
                        IDebugBinder* binder, LPCOLESTR pszName, IDebugField** ppfield) {
    if (NullArg(ppfield, "ppfield")) return E_INVALIDARG;
    *ppfield = nullptr;
    if (NullArg(pprovider, "pprovider") || NullArg(paddress, "paddress") ||
        NullArg(binder, "binder") || NullArg(pszName, "pszName"))
        return E_INVALIDARG;
    ComPtr<IDebugContainerField> method;
    HRESULT hr = pprovider->GetContainerField(paddress, method.put());
    if (FAILED(hr) || !method) return hr;
    hr = FindInScopes(std::move(method), pszName, ppfield);
    if (hr != S_FALSE) return hr;
    return FindRecord(pprovider, paddress, binder, pszName, ppfield);
}
