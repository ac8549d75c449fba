// Element: the Fortran declaration text of its type.
#include <climits>
#include <cstring>

#include "model/Element.h"
#include "model/ElementText.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

// Names longer than this are cut before they go into a declaration.
constexpr int kMaxTypeNameChars = 255;

const char* FixedDeclaration(ElementType kind) {
    switch (kind) {
    case logical_1:
        return "LOGICAL*1";
    case logical_2:
        return "LOGICAL*2";
    case logical_4:
        return "LOGICAL*4";
    case integer_1:
        return "INTEGER*1";
    case integer_2:
        return "INTEGER*2";
    case integer_4:
        return "INTEGER*4";
    case real_4:
        return "REAL*4";
    case real_8:
        return "REAL*8";
    case real_10:
        return "REAL*10";
    case complex_8:
        return "COMPLEX*8";
    case complex_16:
        return "COMPLEX*16";
    case common:
        return "COMMON";
    default:
        return nullptr;
    }
}

// The narrow form of a wide name, at most kMaxTypeNameChars characters.
void AppendWideName(orvel::NarrowText& text, const OLECHAR* name, int length) {
    char narrow[2 * kMaxTypeNameChars + 1]; // room for double-byte code pages
    const int cut = length < kMaxTypeNameChars ? length : kMaxTypeNameChars;
    orvel::WideToNarrow(name, cut, narrow, sizeof narrow);
    text.Append(narrow);
}

void AppendBounds(orvel::NarrowText& text, const ArrayDesc& shape) {
    int rank = shape.Rank < 0 ? 0 : shape.Rank;
    if (rank > ArrayDesc::MaxRank) rank = ArrayDesc::MaxRank;
    text.Append(" (");
    for (int i = 0; i < rank; ++i) {
        if (i) text.Append(",");
        const int32_t lower = shape.Lower[i];
        const int32_t upper = shape.Upper[i];
        if (lower != 1)
            text.Format("%d:%d", static_cast<int>(lower), static_cast<int>(upper));
        else if (upper == INT32_MIN)
            text.Append("*"); // assumed size
        else if (upper < lower)
            text.Append("*Invalid*");
        else
            text.Format("%d", static_cast<int>(upper));
    }
    text.Append(")");
}

} // namespace

void Element::TypeDeclaration(char* Buf, int BufSize) {
    if (!Buf || BufSize <= 0) return;
    AppendDeclaration(Buf, BufSize);
    if (Flags & IsConst) orvel::NarrowText(Buf, BufSize, true).Append(", PARAMETER ::");
}

// Writes the declaration of the current kind into Buf from its start. A pointer's target
// and an array's element kind are written the same way after PopType, and PushType then
// restores the kind stack; as each pop shifts void_0 in, this ends within three levels.
void Element::AppendDeclaration(char* Buf, int BufSize) {
    orvel::NarrowText text(Buf, BufSize);
    if (const char* fixed = FixedDeclaration(Type)) {
        text.Append(fixed);
        return;
    }
    const ElementType kind = Type;
    const bool withInner =
        (kind == pointer_4 && SubType != pointer_4) || kind == allocatable_4 || kind == array;
    if (withInner) {
        PopType();
        AppendDeclaration(Buf, BufSize);
        PushType(kind);
    }
    orvel::NarrowText rest(Buf, BufSize, withInner);
    switch (kind) {
    case string:
        rest.Format("CHARACTER*%d", static_cast<int>(Size));
        return;
    case structure: {
        rest.Append("TYPE(");
        if (TypeName) {
            const int length = static_cast<int>(SysStringLen(TypeName));
            const int start = orvel::DisplayNameStart(TypeName, length);
            char narrow[2 * kMaxTypeNameChars + 1];
            const int cut = length - start < kMaxTypeNameChars ? length - start : kMaxTypeNameChars;
            orvel::WideToNarrow(TypeName + start, cut, narrow, sizeof narrow);
            orvel::UpperCaseAscii(narrow);
            rest.Append(narrow);
        }
        rest.Append(")");
        return;
    }
    case object_4:
        rest.Append("OBJECT(\"");
        if (TypeName) AppendWideName(rest, TypeName, static_cast<int>(SysStringLen(TypeName)));
        rest.Append("\")");
        return;
    case void_0:
        if (RawTypeName)
            AppendWideName(rest, RawTypeName, static_cast<int>(SysStringLen(RawTypeName)));
        else
            rest.Append("dbg error");
        return;
    case pointer_4:
        rest.Append(", POINTER ::");
        return;
    case allocatable_4:
        rest.Append(", ALLOCATABLE ::");
        AppendBounds(rest, Array);
        return;
    case array:
        AppendBounds(rest, Array);
        return;
    default:
        rest.Append("UNKNOWN");
        return;
    }
}

HRESULT Element::GetTypeDeclaration(BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    char narrow[1024];
    TypeDeclaration(narrow, sizeof narrow);
    orvel::WideText text;
    text.AppendNarrow(narrow);
    const UINT suffixLength = DeclSuffix ? SysStringLen(DeclSuffix) : 0;
    const UINT length = static_cast<UINT>(text.Length());
    BSTR result = SysAllocStringLen(nullptr, length + suffixLength);
    if (!result) return E_OUTOFMEMORY;
    std::memcpy(result, text.Text(), length * sizeof(OLECHAR));
    if (suffixLength) std::memcpy(result + length, DeclSuffix, suffixLength * sizeof(OLECHAR));
    result[length + suffixLength] = 0;
    *out = result;
    return S_OK;
}
