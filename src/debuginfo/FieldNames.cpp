#include <new>
#include <string>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "host/HostInterfaces.h"
#include "platform/Bstr.h"

using orvel::acquisition::OleString;

namespace {

// Deeper nesting than this is a host that loops, not a program.
constexpr int kMaxContainerDepth = 64;

// The simple name, when GetInfo gives S_OK with one.
bool SimpleName(IDebugField* field, OleString& name) {
    FIELD_INFO info{};
    const HRESULT hr = field->GetInfo(FIF_NAME, &info);
    // The caller frees whatever the host handed out, whatever the result.
    orvel::BstrHolder full(info.bstrFullName), simple(info.bstrName), type(info.bstrType);
    if (hr != S_OK || !simple.get()) return false;
    name.assign(simple.get(), simple.Length());
    return true;
}

void AppendQualified(IDebugField* field, OleString& text, int depth) {
    orvel::ComPtr<IDebugContainerField> container;
    if (depth < kMaxContainerDepth && field->GetContainer(container.put()) == S_OK && container)
        AppendQualified(container.get(), text, depth + 1);
    if (!text.empty()) text += u'.';
    OleString name;
    text += SimpleName(field, name) ? name : OLESTR("*");
}

BSTR ToBstr(const OleString& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

} // namespace

BSTR FieldName(IDebugField* Field) {
    try {
        OleString name;
        if (!Field || !SimpleName(Field, name)) name = OLESTR("<Unknown>");
        return ToBstr(name);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

BSTR QualifiedFieldName(IDebugField* Field) {
    if (!Field) return nullptr;
    try {
        OleString text;
        AppendQualified(Field, text, 0);
        return ToBstr(text);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
