// The lexer: one helper per token kind, chosen by the first character.
#include <charconv>
#include <cmath>
#include <cstring>

#include "language/FortranEvaluator.h"
#include "language/OperatorTable.h"
#include "language/ValueStore.h"
#include "model/Element.h"

using namespace orvel::lang;

namespace {

// ASCII classes only: the text is in the system code page and its upper half must never
// count as letters or digits, whatever the C locale says.
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
char ToUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
int HexDigitValue(char c) {
    if (IsDigit(c)) return c - '0';
    const char u = ToUpper(c);
    return (u >= 'A' && u <= 'F') ? u - 'A' + 10 : -1;
}
// Whether Text starts with the upper-case Spelling, letters compared in any case.
bool StartsWithFolded(const char* Text, const char* Spelling, size_t Length) {
    for (size_t i = 0; i < Length; ++i)
        if (ToUpper(Text[i]) != Spelling[i]) return false;
    return true;
}
bool IsNameChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '@' || c == '$' || c == '!';
}

constexpr uint32_t MaxUnsigned = 0xFFFFFFFFu;
constexpr double Real4Max = 3.4028234663852886e38;
constexpr double Real4Min = 1.1754943508222875e-38;
constexpr double Real8Max = 1.7976931348623157e308;
constexpr double Real8Min = 2.2250738585072014e-308;

// The decimal text of a real (digits, optional fraction, optional exponent) as a double.
// Locale-free. A value beyond the double range gives infinity, one below it zero.
double ScanReal(const char* Buf, int Length) {
    double d = 0.0;
    const auto [End, Ec] = std::from_chars(Buf, Buf + Length, d, std::chars_format::general);
    if (Ec == std::errc()) return d;
    if (Ec != std::errc::result_out_of_range) return 0.0;
    // Out of range: the decimal position of the first significant digit plus the exponent
    // tells overflow from underflow.
    long Position = 0;
    bool Significant = false, InFraction = false;
    const char* p = Buf;
    for (; p < End && *p != 'E' && *p != 'e'; ++p) {
        if (*p == '.')
            InFraction = true;
        else if (!InFraction && (Significant || *p != '0'))
            Significant = true, ++Position;
        else if (InFraction && !Significant && *p == '0')
            --Position;
        else if (*p != '0')
            Significant = true;
    }
    if (!Significant) return 0.0;
    long Exponent = 0;
    if (p + 1 < End) {
        const bool Negative = p[1] == '-';
        const char* Digits = p + 1 + (p[1] == '+' || p[1] == '-');
        if (std::from_chars(Digits, End, Exponent).ec != std::errc()) Exponent = 1000000;
        if (Negative) Exponent = -Exponent;
    }
    return Position + Exponent > 0 ? HUGE_VAL : 0.0;
}

bool IsExponentLetter(char c) {
    return c == 'E' || c == 'e' || c == 'D' || c == 'd';
}

// A kind suffix ("_2") after a constant: its number, the cursor moved past it. 0 when
// no digits follow the underscore, which is then left alone.
int LexKindSuffix(const char*& Cursor) {
    if (Cursor[0] != '_' || !IsDigit(Cursor[1])) return 0;
    int Kind = 0;
    const char* p = Cursor + 1;
    for (; IsDigit(*p); ++p)
        Kind = Kind < 100 ? Kind * 10 + (*p - '0') : 100;
    Cursor = p;
    return Kind == 0 ? 100 : Kind;
}

// The kind a real constant takes from its value: the narrowest whose normal range holds it.
ElementType RealKindOf(double d) {
    if (d == 0.0) return real_4;
    if (d > 1.0) return d < Real4Max ? real_4 : d < Real8Max ? real_8 : real_10;
    return d > Real4Min ? real_4 : d > Real8Min ? real_8 : real_10;
}

} // namespace

EvalToken* FortranEvaluator::NextToken() {
    while (IsSpace(*Cursor))
        ++Cursor;
    const char c = *Cursor;
    if (c == '\0') return nullptr;
    if (IsDigit(c) || (c == '.' && IsDigit(Cursor[1]))) return LexNumber();
    if (IsLetter(c) || c == '_') return LexName();
    if (c == '\'') return LexString();
    return LexOperator();
}

EvalToken* FortranEvaluator::LexOperator() {
    // "/=" (the Fortran "!=") and "//": before the rows, whose "/" would take their
    // first half.
    if (Cursor[0] == '/' && (Cursor[1] == '=' || Cursor[1] == '/')) {
        const int Id = Cursor[1] == '=' ? OpNotEqual : OpConcatenate;
        Cursor += 2;
        return EvalToken::MakeOperator(Id);
    }
    for (const OperatorRow& Row : OperatorRows) {
        const size_t Length = std::strlen(Row.Text);
        if (Length != 0 && StartsWithFolded(Cursor, Row.Text, Length)) {
            Cursor += Length;
            return EvalToken::MakeOperator(Row.Id);
        }
    }
    // A lone "=" ends the expression: "X = 5" shows X.
    if (*Cursor != '=') Fail(EvalSyntax);
    return nullptr;
}

EvalToken* FortranEvaluator::LexName() {
    const char* Start = Cursor;
    ++Cursor;
    for (;;) {
        if (IsNameChar(*Cursor))
            ++Cursor;
        else if (Cursor[0] == ':' && Cursor[1] == ':')
            Cursor += 2;
        else
            break;
    }
    const size_t Length = static_cast<size_t>(Cursor - Start);
    if (Length > MaxTokenLength) {
        Fail(EvalSyntax);
        return nullptr;
    }
    char Upper[MaxTokenLength + 1];
    for (size_t i = 0; i < Length; ++i)
        Upper[i] = ToUpper(Start[i]);
    Upper[Length] = '\0';
    if (*Cursor == '(') {
        for (const IntrinsicRow& Row : IntrinsicRows) {
            if (std::strlen(Row.Name) != Length) continue;
            size_t i = 0;
            while (i < Length && ToUpper(Row.Name[i]) == Upper[i])
                ++i;
            if (i != Length) continue;
            // A hideable name is an intrinsic only where no variable has it; the syntax
            // check, which knows no variables, leaves it a subscripted name.
            if (Row.Hideable) {
                if (!Scope) break;
                if (orvel::ComPtr<Element>::Adopt(Scope->FindChild(Upper))) break;
            }
            ++Cursor;
            return EvalToken::MakeOperator(Row.Id);
        }
    }
    return EvalToken::MakeName(Upper, Length);
}

EvalToken* FortranEvaluator::LexString() {
    ++Cursor;
    char Bytes[MaxTokenLength];
    int Length = 0;
    for (;;) {
        if (*Cursor == '\0') break; // an unclosed constant runs to the end of the text
        if (*Cursor == '\'') {
            if (Cursor[1] != '\'') {
                ++Cursor;
                break;
            }
            ++Cursor; // a doubled quote stands for one
        }
        if (Length == MaxTokenLength) {
            Fail(EvalSyntax);
            return nullptr;
        }
        Bytes[Length++] = *Cursor++;
    }
    return EvalToken::MakeOperand(MakeConstant(Bytes, Length, string));
}

EvalToken* FortranEvaluator::LexNumber() {
    if (Cursor[0] == '0' && ToUpper(Cursor[1]) == 'X') return LexHexNumber();
    if (Cursor[0] == '0' && IsDigit(Cursor[1])) return LexOctalNumber();
    return LexDecimalNumber();
}

EvalToken* FortranEvaluator::LexHexNumber() {
    Cursor += 2;
    if (HexDigitValue(*Cursor) < 0) {
        Fail(EvalBadConstant);
        return nullptr;
    }
    uint64_t Value = 0;
    int Digits = 0;
    for (int v; (v = HexDigitValue(*Cursor)) >= 0; ++Cursor) {
        if (++Digits > MaxTokenLength) {
            Fail(EvalSyntax);
            return nullptr;
        }
        Value = Value * 16 + static_cast<unsigned>(v);
        if (Value > MaxUnsigned) Value = MaxUnsigned + uint64_t(1); // saturates below
    }
    return EvalToken::MakeOperand(
        MakeUnsigned4(Value > MaxUnsigned ? MaxUnsigned : static_cast<uint32_t>(Value)));
}

EvalToken* FortranEvaluator::LexOctalNumber() {
    ++Cursor; // the leading 0; "09" leaves the 9 for the next token
    uint64_t Value = 0;
    int Digits = 0;
    for (; IsOctalDigit(*Cursor); ++Cursor) {
        if (++Digits > MaxTokenLength) {
            Fail(EvalSyntax);
            return nullptr;
        }
        Value = Value * 8 + static_cast<unsigned>(*Cursor - '0');
        if (Value > MaxUnsigned) Value = MaxUnsigned + uint64_t(1);
    }
    return EvalToken::MakeOperand(
        MakeUnsigned4(Value > MaxUnsigned ? MaxUnsigned : static_cast<uint32_t>(Value)));
}

EvalToken* FortranEvaluator::LexDecimalNumber() {
    char Buf[MaxTokenLength + 1];
    int Length = 0;
    for (; IsDigit(*Cursor); ++Cursor) {
        if (Length == MaxTokenLength) {
            Fail(EvalSyntax);
            return nullptr;
        }
        Buf[Length++] = *Cursor;
    }
    bool IsInteger;
    if (*Cursor == 'L' || *Cursor == 'l') {
        ++Cursor;
        IsInteger = true;
    } else if (*Cursor != '.') {
        IsInteger = !IsLetter(*Cursor);
    } else {
        // "1.EQ.2" and "1.AND.X" are integers followed by a dotted operator; "1.E5" is real.
        const char After = Cursor[1];
        const bool ExponentLike =
            IsExponentLetter(After) && (IsDigit(Cursor[2]) || Cursor[2] == '+' || Cursor[2] == '-');
        IsInteger = IsLetter(After) && !ExponentLike;
    }
    if (!IsInteger) return LexReal(Buf, Length);

    uint64_t Value = 0;
    for (int i = 0; i < Length; ++i) {
        Value = Value * 10 + static_cast<unsigned>(Buf[i] - '0');
        if (Value > MaxUnsigned) break; // too large for either integer kind: a real_8
    }
    if (const int Kind = LexKindSuffix(Cursor)) {
        // "7_2": the integer in that kind, which must hold it. The value model has no
        // 64-bit integers, so "_8" is refused like any kind that does not exist.
        const uint64_t Largest = Kind == 1 ? 0x7F : Kind == 2 ? 0x7FFF : 0x7FFFFFFF;
        if ((Kind != 1 && Kind != 2 && Kind != 4) || Value > Largest) {
            Fail(EvalBadConstant);
            return nullptr;
        }
        const int32_t v = static_cast<int32_t>(Value);
        const ElementType t = Kind == 1 ? integer_1 : Kind == 2 ? integer_2 : integer_4;
        return EvalToken::MakeOperand(MakeConstant(&v, Kind, t));
    }
    if (Value <= 0x7FFFFFFFu)
        return EvalToken::MakeOperand(MakeInteger4(static_cast<int32_t>(Value)));
    if (Value <= MaxUnsigned)
        return EvalToken::MakeOperand(MakeUnsigned4(static_cast<uint32_t>(Value)));
    return EvalToken::MakeOperand(MakeReal(ScanReal(Buf, Length), real_8));
}

// Completes a real constant whose integer digits are already in Buf.
EvalToken* FortranEvaluator::LexReal(char* Buf, int Length) {
    auto Append = [&](char c) {
        if (Length == MaxTokenLength) return false;
        Buf[Length++] = c;
        return true;
    };
    bool Fits = true;
    if (*Cursor == '.' || IsDigit(*Cursor)) {
        Fits = Append(*Cursor++);
        while (Fits && IsDigit(*Cursor))
            Fits = Append(*Cursor++);
    }
    // A D exponent makes the constant double precision whatever its value.
    bool Double = false;
    if (Fits && IsExponentLetter(*Cursor) &&
        (ToUpper(*Cursor) == 'E' || IsDigit(Cursor[1]) ||
         ((Cursor[1] == '+' || Cursor[1] == '-') && IsDigit(Cursor[2])))) {
        Double = ToUpper(*Cursor) == 'D';
        Fits = Append('E');
        ++Cursor;
        if (Fits && (IsDigit(*Cursor) || *Cursor == '+' || *Cursor == '-')) {
            Fits = Append(*Cursor++);
            while (Fits && IsDigit(*Cursor))
                Fits = Append(*Cursor++);
        }
    }
    if (!Fits) {
        Fail(EvalSyntax);
        return nullptr;
    }
    const double d = ScanReal(Buf, Length);
    ElementType t = RealKindOf(d);
    if (const int Kind = LexKindSuffix(Cursor)) {
        if (Double || (Kind != 4 && Kind != 8) || t == real_10 || (Kind == 4 && t != real_4)) {
            Fail(EvalBadConstant);
            return nullptr;
        }
        t = Kind == 4 ? real_4 : real_8;
    } else if (Double && t == real_4) {
        t = real_8;
    }
    return EvalToken::MakeOperand(MakeReal(d, t));
}
