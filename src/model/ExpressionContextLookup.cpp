// ExpressionContext: resolving the names that debug-information records refer to.
#include <cstdio>

#include <new>
#include <utility>

#include "debuginfo/DebugInfoCache.h"
#include "host/HostSymbols.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/MethodScopeFields.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

OLECHAR UpperAscii(OLECHAR c) {
    return (c >= 'a' && c <= 'z') ? static_cast<OLECHAR>(c - 'a' + 'A') : c;
}

bool SameName(const OLECHAR* a, const OLECHAR* b) {
    for (; *a && *b; ++a, ++b)
        if (UpperAscii(*a) != UpperAscii(*b)) return false;
    return *a == *b;
}

// The Element of the first field in Fields named Name, or null; *Found tells a match
// from an Element that could not be made.
Element* FindIn(const FieldList& Fields, const OLECHAR* Name, ExpressionContext* Cxt, bool* Found) {
    for (const orvel::ComPtr<IDebugField>& field : Fields) {
        if (!field) continue;
        FIELD_INFO info{};
        const HRESULT hr = field->GetInfo(FIF_NAME, &info);
        orvel::BstrHolder fullName(info.bstrFullName), name(info.bstrName), type(info.bstrType);
        if (FAILED(hr) || !name.get() || !SameName(name.get(), Name)) continue;
        *Found = true;
        return new (std::nothrow) Element(field.get(), Cxt, name.get(), nullptr, nullptr);
    }
    return nullptr;
}

} // namespace

Element* ExpressionContext::Lookup(const char* Name) {
    if (!Name) return nullptr;
    OLECHAR wide[512];
    orvel::NarrowToWide(Name, -1, wide, static_cast<int>(sizeof wide / sizeof wide[0]));
    return Lookup(wide);
}

Element* ExpressionContext::Lookup(const OLECHAR* Name) {
    if (!Name || !Provider) return nullptr;
    orvel::ComPtr<IDebugContainerField> container;
    if (FAILED(Provider->GetContainerField(Address.get(), container.put()))) return nullptr;
    while (container) {
        bool found = false;
        Element* match = nullptr;
        orvel::ComPtr<IDebugMethodField> method;
        if (SUCCEEDED(container.As(IID_IDebugMethodField, method)) && method) {
            const MethodScopeFields scope = GatherMethodScope(method.get(), Address.get(), true);
            // The routine's own names hide the program's globals, which the host may list
            // in the routine's global container as well as in its class.
            for (const FieldList* fields : {&scope.Parameters, &scope.Locals, &scope.Members}) {
                match = FindIn(*fields, Name, this, &found);
                if (found) break;
            }
        } else {
            FieldList fields;
            GatherContainerFields(container.get(), fields);
            match = FindIn(fields, Name, this, &found);
        }
        if (found) return match;
        orvel::ComPtr<IDebugContainerField> outer;
        if (FAILED(container->GetContainer(outer.put()))) break;
        container = std::move(outer);
    }
    return nullptr;
}

DebuggeeAddress ExpressionContext::GetModuleAddress(const char* Name) {
    if (!Name) return 0xFFFFFFFF;
    const DebuggeeAddress cached = CacheLookupAddress(Name);
    if (cached != 0) return cached;
    DebuggeeAddress at = 0;
    if (const auto storage = orvel::ComPtr<Element>::Adopt(Lookup(Name)))
        at = storage->GetAddressValue();
    // A module that cannot be found is remembered as such, so it is asked for only once.
    if (at == 0) at = 0xFFFFFFFF;
    CacheAddAddress(Name, at);
    return at;
}
