#include "model/MethodScopeFields.h"

#include <new>

#include "host/HostSymbols.h"

bool AppendAllFields(IEnumDebugFields* Fields, FieldList& Out) {
    if (!Fields) return false;
    ULONG count = 0;
    if (FAILED(Fields->GetCount(&count)) || count == 0) return count == 0;
    try {
        // Both allocations come before the host hands over references, so that none is lost.
        std::vector<IDebugField*> raw(count, nullptr);
        Out.reserve(Out.size() + count);
        ULONG fetched = 0;
        const HRESULT hr = Fields->Next(count, raw.data(), &fetched);
        if (fetched > count) fetched = count;
        for (ULONG i = 0; i < fetched; ++i)
            Out.push_back(orvel::ComPtr<IDebugField>::Adopt(raw[i]));
        return SUCCEEDED(hr);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool GatherContainerFields(IDebugContainerField* Container, FieldList& Out) {
    if (!Container) return false;
    orvel::ComPtr<IEnumDebugFields> fields;
    if (FAILED(Container->EnumFields(FIELD_KIND_ALL, FIELD_MOD_ALL, nullptr, nmCaseInsensitive,
                                     fields.put())))
        return false;
    return AppendAllFields(fields.get(), Out);
}

MethodScopeFields GatherMethodScope(IDebugMethodField* Method, IDebugAddress* At,
                                    bool WithMembers) {
    MethodScopeFields scope;
    if (!Method) return scope;
    if (WithMembers) {
        orvel::ComPtr<IDebugClassField> global;
        if (SUCCEEDED(Method->GetGlobalContainer(global.put())) && global)
            GatherContainerFields(global.get(), scope.Members);
    }
    orvel::ComPtr<IEnumDebugFields> parameters;
    if (SUCCEEDED(Method->EnumParameters(parameters.put())))
        AppendAllFields(parameters.get(), scope.Parameters);
    orvel::ComPtr<IEnumDebugFields> locals;
    if (At && SUCCEEDED(Method->EnumLocals(At, locals.put())))
        AppendAllFields(locals.get(), scope.Locals);
    return scope;
}
