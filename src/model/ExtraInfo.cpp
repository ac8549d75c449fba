#include "model/ExtraInfo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Appends formatted text to a fixed buffer, cutting what does not fit.
class TextBuffer {
public:
    TextBuffer(char* buf, int size) : m_buf(buf), m_size(size) {
        if (m_size > 0) m_buf[0] = '\0';
    }

#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void
    Add(const char* format, ...) {
        if (m_used >= m_size - 1) return;
        va_list args;
        va_start(args, format);
        const int n =
            std::vsnprintf(m_buf + m_used, static_cast<size_t>(m_size - m_used), format, args);
        va_end(args);
        if (n < 0) return;
        m_used = n < m_size - m_used ? m_used + n : m_size - 1;
    }

private:
    char* m_buf;
    int m_size;
    int m_used = 0;
};

// The length of a text held in a fixed array, which may lack its NUL.
int BoundedLength(const char* text, size_t size) {
    const void* nul = std::memchr(text, '\0', size);
    return static_cast<int>(nul ? static_cast<const char*>(nul) - text : size);
}

} // namespace

void ExtraInfo::Dump(char* Buf, int BufSize) const {
    if (!Buf || BufSize <= 0) return;
    TextBuffer text(Buf, BufSize);
    // The record may come from anywhere: its texts are read only up to their field size.
    const int nameLength = BoundedLength(Name, sizeof Name);
    const int fullLength = BoundedLength(FullName, sizeof FullName);
    text.Add("Name: %.*s (%.*s), Type: ", nameLength, Name, fullLength, FullName);
    if (const char* kind = ElementTypeName(Type))
        text.Add("%s", kind);
    else
        text.Add("unknown %d", static_cast<int>(Type));
    text.Add(", Size=%d ", Size);

    const struct {
        uint8_t set;
        const char* name;
    } flags[] = {
        {AddressKnown, "AddressKnown"}, {IsAllocatable, "IsAllocatable"},
        {IsArgument, "IsArgument"},     {IsArray, "IsArray"},
        {IsCommon, "IsCommon"},         {IsConst, "IsConst"},
        {IsLocal, "IsLocal"},           {IsMangled, "IsMangled"},
        {IsModule, "IsModule"},         {IsPointer, "IsPointer"},
        {IsStatic, "IsStatic"},         {IsTarget, "IsTarget"},
        {IsToBeHidden, "IsToBeHidden"},
    };
    for (const auto& flag : flags)
        if (flag.set) text.Add("%s ", flag.name);

    if (Offset != 0) text.Add("Offset(%d) ", Offset);
    const int typeLength = BoundedLength(ExtraTypeInfo, sizeof ExtraTypeInfo);
    if (typeLength > 0) text.Add("ExtraTypeInfo(%.*s) ", typeLength, ExtraTypeInfo);
    if (Rank > 0) {
        text.Add("Rank: %d, ElemSize=%d ", Rank, ElemSize);
        const int dims = Rank < MaxRank ? Rank : MaxRank;
        for (int d = 0; d < dims; ++d)
            text.Add("Bits[%d]=0x%02x, Base[%d]=%d, Size[%d]=%d, Stride[%d]=%d, "
                     "BoundSizes[%d]=%d, BoundOfset[%d]=%d | ",
                     d, Bits[d], d, Base[d], d, DimSize[d], d, Stride[d], d, BoundSizes[d], d,
                     BoundOfset[d]);
    }
}
