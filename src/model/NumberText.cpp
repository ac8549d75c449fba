#include "model/NumberText.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

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

// A decimal of at most 15 significant digits that reads back as a normal double lies
// within a unit in the last place of it, under 2^-52 of its size: less than half the step
// between 15-digit decimals there. So its digits are the correctly rounded ones at any
// precision up to 15, which are printf's digits.
constexpr int ShortcutPrecision = 15;

// The digits (trailing zeros allowed) and decimal exponent of d.ddd x 10^Exponent.
struct Decimal {
    char Digits[Scratch];
    int Count = 0;
    int Exponent = 0;
};

// Counters and ramps hold integers or numbers of a few decimals: finds N x 10^-K that
// reads back as Magnitude, with N < 10^15, without the general conversion.
bool FewDecimals(double Magnitude, Decimal& Out) {
    constexpr double Limit = 1e15;
    constexpr double Powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    for (int k = 0; k < static_cast<int>(std::size(Powers)); ++k) {
        const double scaled = Magnitude * Powers[k];
        if (!(scaled < Limit)) return false;
        const auto n = static_cast<int64_t>(scaled);
        if (static_cast<double>(n) != scaled || n == 0) continue;
        if (static_cast<double>(n) / Powers[k] != Magnitude) continue;
        const std::to_chars_result r = std::to_chars(Out.Digits, Out.Digits + Scratch, n);
        Out.Count = static_cast<int>(r.ptr - Out.Digits);
        Out.Exponent = Out.Count - 1 - k;
        return true;
    }
    return false;
}

// The shortest text that reads back as Magnitude, from "d.ddde+XX".
bool Shortest(double Magnitude, Decimal& Out) {
    char text[Scratch];
    const std::to_chars_result r =
        std::to_chars(text, text + Scratch, Magnitude, std::chars_format::scientific);
    if (r.ec != std::errc()) return false;
    const char* p = text;
    for (; p < r.ptr && *p != 'e'; ++p)
        if (*p != '.') Out.Digits[Out.Count++] = *p;
    if (p == r.ptr || Out.Count == 0) return false;
    ++p;
    const bool negative = p < r.ptr && *p == '-';
    int exponent = 0;
    for (++p; p < r.ptr; ++p)
        exponent = exponent * 10 + (*p - '0');
    Out.Exponent = negative ? -exponent : exponent;
    return true;
}

// Lays D out in "%.<Precision>g"'s form into Text (Scratch bytes).
int Layout(bool Negative, Decimal& D, int Precision, char* Text) {
    while (D.Count > 1 && D.Digits[D.Count - 1] == '0')
        --D.Count;
    const char* digits = D.Digits;
    const int count = D.Count;
    const int exponent = D.Exponent;
    int n = 0;
    if (Negative) Text[n++] = '-';
    if (exponent < -4 || exponent >= Precision) {
        Text[n++] = digits[0];
        if (count > 1) {
            Text[n++] = '.';
            std::memcpy(Text + n, digits + 1, static_cast<size_t>(count - 1));
            n += count - 1;
        }
        Text[n++] = 'e';
        Text[n++] = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) Text[n++] = static_cast<char>('0' + magnitude / 100);
        Text[n++] = static_cast<char>('0' + magnitude / 10 % 10);
        Text[n++] = static_cast<char>('0' + magnitude % 10);
    } else if (exponent < 0) {
        Text[n++] = '0';
        Text[n++] = '.';
        for (int i = -1; i > exponent; --i)
            Text[n++] = '0';
        std::memcpy(Text + n, digits, static_cast<size_t>(count));
        n += count;
    } else {
        // exponent + 1 digits before the point, padded with zeros; the rest after it.
        for (int i = 0; i <= exponent; ++i)
            Text[n++] = i < count ? digits[i] : '0';
        if (count > exponent + 1) {
            Text[n++] = '.';
            const int rest = count - exponent - 1;
            std::memcpy(Text + n, digits + exponent + 1, static_cast<size_t>(rest));
            n += rest;
        }
    }
    return n;
}

// "%.<Precision>g" of a finite Value through a short decimal; 0 when it has none.
int ShortGeneral(double Value, int Precision, char* Text) {
    const double magnitude = std::fabs(Value);
    if (Precision > ShortcutPrecision || !(magnitude >= DBL_MIN)) return 0;
    Decimal decimal;
    if (!FewDecimals(magnitude, decimal)) {
        decimal = Decimal();
        if (!Shortest(magnitude, decimal)) return 0;
    }
    if (decimal.Count > Precision) {
        // Trailing zeros do not count; anything longer needs real rounding.
        int significant = decimal.Count;
        while (significant > 1 && decimal.Digits[significant - 1] == '0')
            --significant;
        if (significant > Precision) return 0;
    }
    return Layout(std::signbit(Value), decimal, Precision, Text);
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
        length = ShortGeneral(Value, Precision, text);
        if (length == 0) {
            // Formats as printf does for "%.<p>g", digit for digit.
            const std::to_chars_result r =
                std::to_chars(text, text + Scratch, Value, std::chars_format::general, Precision);
            length = r.ec == std::errc() ? static_cast<int>(r.ptr - text) : 0;
        }
    } else {
        // Each C library spells infinities and NaNs its own way: keep its spelling.
        length = std::snprintf(text, sizeof text, "%.*g", Precision, Value);
        if (length < 0) length = 0;
        if (length >= Scratch) length = Scratch - 1;
    }
    return CopyOut(text, length, Out, OutSize);
}

} // namespace orvel
