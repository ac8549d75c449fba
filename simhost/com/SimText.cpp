#include "simhost/com/SimText.h"

#include <new>

#include "platform/Bstr.h"
#include "platform/Utf8.h"
#include "simhost/model/HostModel.h"

namespace orvel::sim {

std::string ToUtf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

std::string ToUtf8(LPCOLESTR text) {
    if (!text) return {};
    size_t n = 0;
    while (text[n])
        ++n;
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), n));
}

std::u16string ToUtf16(std::string_view text) {
    return Utf8ToUtf16(text);
}

BSTR AllocBstr(std::string_view text) {
    try {
        std::u16string w = ToUtf16(text);
        return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(w.data()),
                                 static_cast<UINT>(w.size()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool NameMatches(std::string_view have, std::string_view want, int nameMatch) {
    return nameMatch == 2 ? NamesEqual(have, want) : have == want;
}

} // namespace orvel::sim
