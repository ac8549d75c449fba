// Element: counting, making and walking children.
#include <climits>
#include <new>

#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostObjects.h"
#include "host/HostSymbols.h"
#include "model/ContextDebugInfo.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "model/ExtraInfo.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/TraceSink.h"

namespace {

// The class of a derived type by its name as the records give it; false when the host
// does not know it.
bool ClassByName(IDebugSymbolProvider* Provider, const OLECHAR* Name,
                 orvel::ComPtr<IDebugClassField>& Class) {
    const HRESULT hr = Provider->GetClassTypeByName(Name, nmCaseInsensitive, Class.put());
    return SUCCEEDED(hr) && Class;
}

// The record's kind-specific type name, in the narrow code page.
void CopyTypeName(BSTR TypeName, ExtraInfo& Ex) {
    if (!TypeName) return;
    orvel::WideToNarrow(TypeName, static_cast<int>(SysStringLen(TypeName)), Ex.ExtraTypeInfo,
                        ExtraInfo::TypeInfoSize);
}

// Hands our binder to the records' own context, so that the names they refer to (bounds,
// hidden lengths, storage) can be evaluated during the walk.
void LendBinder(ExpressionContext* Cxt) {
    ExtraDebugInfo* info = Cxt->DebugInfo.get();
    if (info && info->Cxt && !info->Cxt->Binder && Cxt->Binder) info->Cxt->Binder = Cxt->Binder;
}

} // namespace

uint32_t Element::ChildCount() {
    if (IsArrayLike()) return Array.ElementCount();
    if (!ChildCxt) return 0;
    if (Type == structure && !ChildCxt->DebugInfo && TypeName && ChildCxt->Provider) {
        orvel::ComPtr<IDebugClassField> type;
        if (!ClassByName(ChildCxt->Provider.get(), TypeName, type)) {
            // Records may name a module's type by its short name; the global-name table
            // knows the full one.
            char shortName[ExtraInfo::TypeInfoSize];
            orvel::WideToNarrow(TypeName, static_cast<int>(SysStringLen(TypeName)), shortName,
                                static_cast<int>(sizeof shortName));
            char full[GlobalNameCapacity];
            if (GlobalNameByShortName(shortName, full, sizeof full)) {
                BSTR fullName = orvel::NarrowToBstr(full);
                if (fullName && ClassByName(ChildCxt->Provider.get(), fullName, type)) {
                    SysFreeString(TypeName);
                    TypeName = fullName;
                } else if (fullName) {
                    SysFreeString(fullName);
                }
            }
        }
        if (type) ChildCxt->DebugInfo.Attach(GetOurDebugInfo(type.get(), ChildCxt.get()));
    }
    if (!ChildCxt->DebugInfo) return 0;
    const int32_t count = ChildCxt->DebugInfo->Count(false);
    return count > 0 ? static_cast<uint32_t>(count) : 0;
}

Element* Element::GetChild(uint32_t Which) {
    if (!IsArrayLike()) {
        AddRef();
        return this;
    }
    Array.IndexToSubscripts(Which);
    // Addresses wrap in 32 bits as the debuggee's do.
    const DebuggeeAddress at = Address + static_cast<uint32_t>(Array.ElementOffset());
    return MakeChildAt(at, SubType, Array.ElemSize);
}

// The Element of an unnamed value of the given kind at a debuggee address, found in this
// Element's member scope: array elements and dereferenced pointers.
Element* Element::MakeChildAt(DebuggeeAddress At, ElementType Kind, int32_t ChildSize) {
    ExtraInfo record;
    record.Address = At;
    record.AddressKnown = 1;
    record.Size = ChildSize;
    record.Type = Kind;
    if (Kind == structure) CopyTypeName(TypeName, record);
    // Scalars have no members: expanding a large array makes a million of them.
    const bool scalar = Kind <= complex_20 || Kind == string;
    return new (std::nothrow) Element(record, ChildCxt.get(), !scalar);
}

Element* Element::GetNextChild() {
    if (IsArrayLike()) {
        Element* child = GetChild(static_cast<uint32_t>(NextChild));
        if (NextChild < INT32_MAX) ++NextChild;
        return child;
    }
    if (!ChildCxt || !ChildCxt->DebugInfo) return nullptr;
    LendBinder(ChildCxt.get());
    ExtraInfo record;
    if (!ChildCxt->DebugInfo->Next(record, false, false, nullptr)) return nullptr;
    Element* child = GetElement(record);
    if (NextChild < INT32_MAX) ++NextChild;
    return child;
}

void Element::ResetNextChild() {
    NextChild = 0;
    if (ChildCxt && ChildCxt->DebugInfo) ChildCxt->DebugInfo->Reset();
}

void Element::SkipNextChild(ULONG Skip) {
    if (IsArrayLike()) {
        const int64_t next = int64_t{NextChild} + Skip;
        NextChild = next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
        return;
    }
    if (!ChildCxt || !ChildCxt->DebugInfo) return;
    LendBinder(ChildCxt.get());
    ExtraInfo record;
    for (ULONG i = 0; i < Skip; ++i) {
        if (!ChildCxt->DebugInfo->Next(record, false, false, nullptr)) return;
        if (NextChild < INT32_MAX) ++NextChild;
    }
}

Element* Element::FindChild(const char* ChildName) {
    if (!ChildName || !ChildCxt || !ChildCxt->DebugInfo) return nullptr;
    LendBinder(ChildCxt.get());
    ExtraInfo record;
    if (!ChildCxt->DebugInfo->Find(ChildName, record)) return nullptr;
    Element* child = GetElement(record);
    if (!child) return nullptr;
    child->FetchValue();
    // Fetching a POINTER gives its target; P->X must still apply to what it reached.
    if (record.IsPointer && child->Type == structure) child->Flags |= ViaPointer;
    return child;
}

Element* Element::GetChildForField(IDebugField* ChildField) {
    if (!ChildField) return nullptr;
    if (ChildCxt && ChildCxt->DebugInfo) {
        ExtraInfo record;
        FIELD_INFO info{};
        if (SUCCEEDED(ChildField->GetInfo(FIF_NAME, &info)) && info.bstrName) {
            orvel::BstrHolder name(info.bstrName);
            LendBinder(ChildCxt.get());
            // A name not among the records leaves the record empty: a void_0 child.
            if (!ChildCxt->DebugInfo->Find(name.get(), record)) record = ExtraInfo();
        }
        if (info.bstrFullName) SysFreeString(info.bstrFullName);
        if (info.bstrType) SysFreeString(info.bstrType);
        return GetElement(record);
    }
    if (!Object && Cxt && Cxt->Binder)
        Cxt->Binder->Bind(ContainerObject.get(), Field.get(), Object.put());
    FIELD_INFO info{};
    orvel::BstrHolder name;
    if (SUCCEEDED(ChildField->GetInfo(FIF_NAME, &info))) name.Reset(info.bstrName);
    if (info.bstrFullName) SysFreeString(info.bstrFullName);
    if (info.bstrType) SysFreeString(info.bstrType);
    return new (std::nothrow)
        Element(ChildField, ChildCxt.get(), name.get(), Object.get(), nullptr);
}

// The structure a POINTER host field designates, dereferenced by the host; null with
// Error set when the host cannot.
Element* Element::DereferencePointerField() {
    orvel::ComPtr<IDebugPointerField> pointerField;
    orvel::ComPtr<IDebugField> targetField;
    orvel::ComPtr<IDebugObject> pointer;
    orvel::ComPtr<IDebugPointerObject> pointerObject;
    orvel::ComPtr<IDebugObject> target;
    HRESULT hr = Field.As(pointerField);
    if (SUCCEEDED(hr)) hr = pointerField->GetDereferencedField(targetField.put());
    if (SUCCEEDED(hr) && !targetField) hr = E_FAIL;
    if (SUCCEEDED(hr) && (!ChildCxt || !ChildCxt->Binder)) hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = ChildCxt->Binder->Bind(ContainerObject.get(), Field.get(), pointer.put());
    if (SUCCEEDED(hr) && !pointer) hr = E_FAIL;
    if (SUCCEEDED(hr)) hr = pointer.As(pointerObject);
    if (SUCCEEDED(hr)) hr = pointerObject->Dereference(0, target.put());
    if (SUCCEEDED(hr) && !target) hr = E_FAIL;
    if (FAILED(hr)) {
        Error = ErrHostCall;
        HResult = hr;
        return nullptr;
    }
    // No name: a plain OLECHAR array is no BSTR, and its length would be read from
    // the bytes before it.
    Element* result = new (std::nothrow)
        Element(targetField.get(), ChildCxt.get(), nullptr, pointer.get(), nullptr);
    if (!result) return nullptr;
    result->Object = target;
    return result;
}

Element* Element::ReadyFromEnum() {
    SetProcess();
    if (Type == pointer_4 && SubType == structure) {
        if (Field) {
            orvel::TraceOutput("Doing a deref for a Type==pointer_4 && SubType==structure\n");
            Element* target = DereferencePointerField();
            if (target) return target;
            AddRef();
            return this;
        }
        if (!(Flags & AddressKnown)) FetchValue();
        DebuggeeAddress target = 0;
        if ((Flags & AddressKnown) && Type == pointer_4 &&
            CopyDebuggeeMemory(&target, 0, sizeof target) == sizeof target) {
            if (Element* child = MakeChildAt(target, structure, 0)) {
                child->Flags |= ViaPointer;
                return child;
            }
        }
    }
    if (Type != function) FetchValue();
    AddRef();
    return this;
}
