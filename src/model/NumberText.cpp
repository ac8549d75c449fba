#include "model/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace orvel {

namespace {

// The general form switches to an exponent before a number gets long: with at most
// MaxPrecision digits, a sign, a point and "e+308", every text fits.
constexpr int Scratch = 64;
constexpr int MaxPrecision = 20;

int CopyOut(const char* text, int length, char* out, int outSize) {
    if (!out || outSize <= 0) return 0;
    const int n = length < outSize - 1 ? length : outSize - 1;
    std::memcpy(out, text, static_cast<size_t>(n));
    out[n] = '\0';
    return n;
}

} // namespace

int IntegerText(int64_t Value, char* Out, int OutSize) {
    char text[Scratch];
    const std::to_chars_result r = std::to_chars(text, text + Scratch, Value);
    return CopyOut(text, static_cast<int>(r.ptr - text), Out, OutSize);
}

int GeneralText(double Value, int Precision, char* Out, int OutSize) {
    if (Precision < 1) Precision = 1;
    if (Precision > MaxPrecision) Precision = MaxPrecision;
    char text[Scratch];
    int length = 0;
    if (std::isfinite(Value)) {
        // Formats as printf does for "%.<p>g", digit for digit.
        const std::to_chars_result r =
            std::to_chars(text, text + Scratch, Value, std::chars_format::general, Precision);
        length = r.ec == std::errc() ? static_cast<int>(r.ptr - text) : 0;
    } else {
        // Each C library spells infinities and NaNs its own way: keep its spelling.
        length = std::snprintf(text, sizeof text, "%.*g", Precision, Value);
        if (length < 0) length = 0;
        if (length >= Scratch) length = Scratch - 1;
    }
    return CopyOut(text, length, Out, OutSize);
}

} // namespace orvel
