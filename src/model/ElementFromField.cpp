// Element: made from a host field, where the managed view of a variable meets its
// Fortran record.
#include <cstdlib>
#include <cstring>

#include "debuginfo/DebugInfoAcquisition.h"
#include "host/HostObjects.h"
#include "host/HostProperties.h"
#include "host/HostSymbols.h"
#include "model/ContextDebugInfo.h"
#include "model/Element.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "model/ExtraInfo.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

using orvel::ComPtr;

constexpr int NameCapacity = 512;
constexpr char AllocatableSuffix[] = ", :: ALLOCATABLE";

// The simple name the host gives for a field (GetInfo with Which), or null.
BSTR HostFieldName(IDebugField* Field, FIELD_INFO_FIELDS Which, HRESULT* Result = nullptr) {
    FIELD_INFO info{};
    const HRESULT hr = Field->GetInfo(Which, &info);
    if (Result) *Result = hr;
    orvel::BstrHolder fullName(info.bstrFullName), type(info.bstrType);
    if (FAILED(hr)) {
        if (info.bstrName) SysFreeString(info.bstrName);
        return nullptr;
    }
    return info.bstrName;
}

// The debuggee address of a memory context: its address text, read with automatic
// base (the host writes "0x...").
HRESULT ContextAddress(IDebugMemoryContext2* Memory, DebuggeeAddress& At) {
    CONTEXT_INFO info{};
    const HRESULT hr = Memory->GetInfo(CIF_ADDRESS, &info);
    // Whatever the host filled is ours to free, success or not.
    orvel::BstrHolder texts[] = {
        orvel::BstrHolder(info.bstrModuleUrl), orvel::BstrHolder(info.bstrFunction),
        orvel::BstrHolder(info.bstrAddress), orvel::BstrHolder(info.bstrAddressOffset),
        orvel::BstrHolder(info.bstrAddressAbsolute)};
    if (FAILED(hr)) return hr;
    if (!info.bstrAddress) return E_FAIL;
    char text[64];
    orvel::WideToNarrow(info.bstrAddress, static_cast<int>(SysStringLen(info.bstrAddress)), text,
                        static_cast<int>(sizeof text));
    At = static_cast<DebuggeeAddress>(std::strtoul(text, nullptr, 0));
    return S_OK;
}

// The steps that turn a host field into an Element, in order; each answers whether
// the construction goes on.
class FieldElementBuilder {
public:
    FieldElementBuilder(Element& E, ExtraInfo* Ex) : e(E), ex(Ex) {}

    void Run() {
        if (!AskKind()) return;
        if (kind & FIELD_TYPE_METHOD) {
            MakeFunction();
            return;
        }
        FindRoutineRecords();
        if (!FindTypeField()) return;
        if (!typeField) {
            e.Error = ErrBindFailure;
            return;
        }
        if (!TakeTypeName() || !BindContainer()) return;
        DWORD size = 0;
        if (SUCCEEDED(typeField->GetSize(&size))) e.Size = static_cast<int32_t>(size);
        ApplyRecord();
        if (e.Type == void_0) {
            e.RawTypeName = HostFieldName(typeField.get(), FIF_NAME);
            e.Error = ErrUnknownKind;
        }
    }

private:
    Element& e;
    ExtraInfo* ex;
    FIELD_KIND kind = 0;
    ComPtr<IDebugField> typeField;

    void HostFailure(HRESULT hr) {
        e.Error = ErrHostCall;
        e.HResult = hr;
    }

    bool AskKind() {
        const HRESULT hr = e.Field->GetKind(&kind);
        if (FAILED(hr)) {
            HostFailure(hr);
            return false;
        }
        if (kind & (FIELD_SYM_LOCAL | FIELD_SYM_PARAM)) e.Flags |= OnFrame;
        return true;
    }

    void MakeFunction() {
        e.Type = function;
        ExpressionContext* child = e.ChildCxt.get();
        if (!child) return;
        ExtraDebugInfo* info = GetOurDebugInfo(e.Field.get(), child);
        if (!info) info = EmptyDebugInfo(child);
        child->DebugInfo.Attach(info);
        if (child->ClassName && SysStringLen(child->ClassName) > 0) return;
        ComPtr<IDebugContainerField> container;
        if (FAILED(e.Field->GetContainer(container.put())) || !container) return;
        if (BSTR name = FieldName(container.get())) {
            if (child->ClassName) SysFreeString(child->ClassName);
            child->ClassName = name;
        }
    }

    // A data field of a routine: the routine's records tell its Fortran kind.
    void FindRoutineRecords() {
        ExpressionContext* cxt = e.Cxt.get();
        if (!cxt || cxt->DebugInfo) return;
        ComPtr<IDebugContainerField> container;
        if (FAILED(e.Field->GetContainer(container.put())) || !container) return;
        ComPtr<IDebugMethodField> method;
        if (FAILED(container.As(IID_IDebugMethodField, method)) || !method) return;
        cxt->DebugInfo.Attach(GetOurDebugInfo(method.get(), cxt));
    }

    bool FindTypeField() {
        if (!(kind & FIELD_TYPE_POINTER)) {
            // A failure leaves no type field, which ends the construction.
            e.Field->GetType(typeField.put());
            return true;
        }
        if ((e.Flags & OnFrame) && e.ChildCxt && e.ChildCxt->Binder && !LocatePointerTarget())
            return false;
        ComPtr<IDebugPointerField> pointer;
        HRESULT hr = e.Field.As(IID_IDebugPointerField, pointer);
        if (FAILED(hr) || !pointer) {
            HostFailure(FAILED(hr) ? hr : E_NOINTERFACE);
            return false;
        }
        e.Field = ComPtr<IDebugField>(pointer.get());
        hr = pointer->GetDereferencedField(typeField.put());
        if (!typeField) hr = pointer->GetType(typeField.put());
        if (!typeField) {
            if (FAILED(hr)) HostFailure(hr);
            return false;
        }
        hr = typeField->GetKind(&kind);
        if (FAILED(hr)) {
            HostFailure(hr);
            return false;
        }
        return true;
    }

    // A POINTER of the frame: its target's address, 0 when it is disassociated.
    bool LocatePointerTarget() {
        ComPtr<IDebugObject> object;
        HRESULT hr = e.ChildCxt->Binder->Bind(nullptr, e.Field.get(), object.put());
        ComPtr<IDebugPointerObject> pointer;
        if (SUCCEEDED(hr) && object) hr = object.As(IID_IDebugPointerObject, pointer);
        if (FAILED(hr) || !pointer) {
            e.Error = ErrBindFailure;
            return false;
        }
        ComPtr<IDebugObject> target;
        if (SUCCEEDED(pointer->Dereference(0, target.put())) && target) {
            ComPtr<IDebugMemoryContext2> memory;
            hr = target->GetMemoryContext(memory.put());
            if (hr == E_FAIL || (SUCCEEDED(hr) && !memory)) {
                e.Error = ErrNoTarget;
                return true;
            }
            DebuggeeAddress at = 0;
            if (SUCCEEDED(hr)) hr = ContextAddress(memory.get(), at);
            if (FAILED(hr)) {
                HostFailure(hr);
                return true;
            }
            SetKnownAddress(at + static_cast<uint32_t>(e.Offset));
            return true;
        }
        BOOL isNull = FALSE;
        if (SUCCEEDED(pointer->IsNullReference(&isNull)) && isNull) {
            SetKnownAddress(0);
            return true;
        }
        ComPtr<IDebugMemoryContext2> memory;
        DebuggeeAddress slot = 0;
        hr = pointer->GetMemoryContext(memory.put());
        if (SUCCEEDED(hr) && memory) hr = ContextAddress(memory.get(), slot);
        if (FAILED(hr) || !memory) {
            e.Error = ErrBindFailure;
            return false;
        }
        SetKnownAddress(slot + static_cast<uint32_t>(e.Offset));
        DebuggeeAddress target32 = 0;
        // A pointer word that cannot be read points nowhere rather than at itself.
        if (e.CopyDebuggeeMemory(&target32, 0, sizeof target32) != sizeof target32) target32 = 0;
        e.Address = target32;
        return true;
    }

    void SetKnownAddress(DebuggeeAddress At) {
        e.Address = At;
        e.Offset = 0;
        e.Flags |= AddressKnown;
    }

    bool TakeTypeName() {
        if (!ex && (kind & FIELD_TYPE_CLASS)) {
            HRESULT hr = S_OK;
            BSTR name = HostFieldName(typeField.get(), FIF_ALL, &hr);
            if (FAILED(hr)) {
                HostFailure(hr);
                return false;
            }
            ReplaceTypeName(name);
        } else if (ex && ex->Type == structure) {
            ReplaceTypeName(RecordTypeName(*ex));
        }
        return true;
    }

    static BSTR RecordTypeName(ExtraInfo& Record) {
        Record.ExtraTypeInfo[sizeof Record.ExtraTypeInfo - 1] = '\0';
        return orvel::NarrowToBstr(Record.ExtraTypeInfo);
    }

    void ReplaceTypeName(BSTR Name) {
        if (e.TypeName) SysFreeString(e.TypeName);
        e.TypeName = Name;
    }

    // A member needs the object that contains it before it can be bound.
    bool BindContainer() {
        if (!(kind & FIELD_SYM_MEMBER) || e.ContainerObject || !e.ChildCxt || !e.ChildCxt->Binder)
            return true;
        ComPtr<IDebugContainerField> container;
        const HRESULT hr = e.Field->GetContainer(container.put());
        if (FAILED(hr)) {
            HostFailure(hr);
            return false;
        }
        if (container) e.ChildCxt->Binder->Bind(nullptr, container.get(), e.ContainerObject.put());
        return true;
    }

    void ApplyRecord() {
        ExtraInfo found;
        ExtraInfo* record = ex;
        if (!record && e.Cxt && e.Cxt->DebugInfo && e.Cxt->DebugInfo->Find(e.Name.c_str(), found))
            record = &found;
        if (!record) return;
        const bool addressKnown = (e.Flags & AddressKnown) != 0;
        const ElementType recordKind = record->Type;
        e.Type = recordKind;
        if (record->IsArray) {
            e.Array.BuildFromRecord(*record);
            e.SubType = recordKind;
            e.Type = array;
        }
        if (record->IsPointer && !addressKnown) {
            e.SubSubType = e.SubType;
            e.SubType = recordKind;
            e.Type = pointer_4;
        }
        if (record->IsAllocatable) {
            e.SubSubType = e.SubType;
            e.SubType = recordKind;
            if (!addressKnown) {
                e.Type = allocatable_4;
            } else {
                e.Type = array;
                if (e.DeclSuffix) SysFreeString(e.DeclSuffix);
                e.DeclSuffix = orvel::NarrowToBstr(AllocatableSuffix);
            }
        }
        if (recordKind == structure && !e.TypeName) e.TypeName = RecordTypeName(*record);
        if (recordKind == object_4) ReplaceTypeName(HostFieldName(typeField.get(), FIF_NAME));
        e.Size = record->Size;
    }
};

} // namespace

Element::Element(IDebugField* HostField, ExpressionContext* Context, BSTR FieldNameText,
                 IDebugObject* Container, ExtraInfo* Ex)
    : Element() {
    Field = ComPtr<IDebugField>(HostField);
    Cxt = ComPtr<ExpressionContext>(Context);
    if (Context) ChildCxt.Attach(Context->MakeChildContext());
    ContainerObject = ComPtr<IDebugObject>(Container);

    char narrow[NameCapacity] = "";
    if (FieldNameText)
        orvel::WideToNarrow(FieldNameText, static_cast<int>(SysStringLen(FieldNameText)), narrow,
                            NameCapacity);
    if (Ex) {
        Ex->Name[sizeof Ex->Name - 1] = '\0';
        Ex->FullName[sizeof Ex->FullName - 1] = '\0';
        SetName(Ex->Name, Ex->FullName);
        Offset = Ex->Offset;
    } else {
        SetName(narrow, nullptr);
    }
    // Module storage is located through the cache and the binder when it is fetched.
    if (Name.compare(0, 7, "MODULE ") == 0) {
        Type = module;
        return;
    }
    if (!Field) {
        Error = ErrBindFailure;
        return;
    }
    FieldElementBuilder(*this, Ex).Run();
}
