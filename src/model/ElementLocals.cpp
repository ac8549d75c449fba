// Element: a routine's locals cache and the children made from records.
#include <new>

#include "host/HostSymbols.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraInfo.h"
#include "model/LocalsCache.h"
#include "model/MethodScopeFields.h"
#include "model/ModelAssert.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

// The compiler's temporaries (S#1, T#22, U#3) have no records of their own.
bool IsCompilerTemporary(const char* Name) {
    return (Name[0] == 'S' || Name[0] == 'T' || Name[0] == 'U') && Name[1] == '#' &&
           Name[2] >= '0' && Name[2] <= '9';
}

void AddFields(LocalsCache& Cache, const FieldList& Fields) {
    for (const orvel::ComPtr<IDebugField>& field : Fields) {
        if (!field) continue;
        FIELD_INFO info{};
        const HRESULT hr = field->GetInfo(FIF_NAME, &info);
        orvel::BstrHolder fullName(info.bstrFullName), name(info.bstrName), type(info.bstrType);
        if (FAILED(hr) || !name.get()) continue;
        char narrow[512];
        orvel::WideToNarrow(name.get(), static_cast<int>(name.Length()), narrow,
                            static_cast<int>(sizeof narrow));
        if (!IsCompilerTemporary(narrow)) Cache.Add(narrow, field.get());
    }
}

} // namespace

void Element::CacheLocalVariables() {
    if (!orvel::ModelAssert(Type == function, "Type == function")) return;
    if (Locals || !Field) return;
    orvel::ComPtr<IDebugMethodField> method;
    if (FAILED(Field.As(IID_IDebugMethodField, method)) || !method) return;
    Locals = new (std::nothrow) LocalsCache();
    if (!Locals) return;
    const MethodScopeFields scope =
        GatherMethodScope(method.get(), ChildCxt ? ChildCxt->Address.get() : nullptr, false);
    AddFields(*Locals, scope.Parameters);
    AddFields(*Locals, scope.Locals);
}

Element* Element::GetElement(ExtraInfo& Ex) {
    ExpressionContext* child = ChildCxt.get();
    if ((Ex.IsLocal || Ex.IsArgument) && Type == function) {
        CacheLocalVariables();
        Ex.FullName[sizeof Ex.FullName - 1] = '\0';
        if (IDebugField* field = Locals ? Locals->Find(Ex.FullName) : nullptr)
            return new (std::nothrow) Element(field, child, nullptr, nullptr, &Ex);
    }
    if (Type == structure && !Ex.AddressKnown && !Ex.IsConst && (Flags & AddressKnown)) {
        // A component's record holds its offset inside the structure.
        Ex.Address += Address;
        Ex.AddressKnown = 1;
    }
    return new (std::nothrow) Element(Ex, child);
}
