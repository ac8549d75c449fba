// UTF-8 <-> UTF-16, for the places where 16-bit OLE text meets a byte-oriented system
// interface: file names and the registry store outside Windows.
#pragma once

#include <string>
#include <string_view>

namespace orvel {

// Malformed input (a lone surrogate, a bad or overlong UTF-8 sequence) becomes U+FFFD
// and sets *lossy when given; the conversion itself never fails.
std::string Utf16ToUtf8(std::u16string_view text, bool* lossy = nullptr);
std::u16string Utf8ToUtf16(std::string_view text, bool* lossy = nullptr);

} // namespace orvel
