#include "binder/VariantEvaluator.h"

#include <cstdint>
#include <iterator>

#include "binder/VariantOperands.h"
#include "platform/Bstr.h"
#include "platform/MessageTable.h"

using orvel::GetMessageText;

namespace {

enum class Operation {
    Or,
    And,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Equal,
    NotEqual,
    BitOr,
    BitAnd,
    BitXor,
    Add,
    Subtract,
    Multiply,
    Divide,
};

// A message is cut to this many characters.
constexpr size_t kMaxMessageLength = 255;

// The characters an operator is made of; a run of them must spell one row exactly.
constexpr OLECHAR kOperatorChars[] = OLESTR("^+-*/!=><&|.LEGNOTQADRX");

bool IsOperatorChar(OLECHAR c) {
    for (const OLECHAR* p = kOperatorChars; *p; ++p)
        if (*p == c) return true;
    return false;
}

bool IsBlank(OLECHAR c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Names are ASCII: a letter outside it is no more a name than any other stray character.
bool IsLetter(OLECHAR c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(OLECHAR c) {
    return c >= '0' && c <= '9';
}

int HexDigitValue(OLECHAR c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The length of text, or of as much of it as a message can show.
size_t ShownLength(const OLECHAR* text) {
    size_t length = 0;
    while (length < kMaxMessageLength && text[length])
        ++length;
    return length;
}

// Arithmetic wraps in 32 bits, as the debuggee's own integers do; it is done unsigned so
// that wrapping is defined.
int32_t Wrap(uint32_t value) {
    return static_cast<int32_t>(value);
}
uint32_t Bits(int32_t value) {
    return static_cast<uint32_t>(value);
}

int32_t Compute(Operation op, int32_t l, int32_t r) {
    switch (op) {
    case Operation::Or:
        return (l != 0 || r != 0) ? 1 : 0;
    case Operation::And:
        return (l != 0 && r != 0) ? 1 : 0;
    case Operation::Less:
        return l < r ? 1 : 0;
    case Operation::Greater:
        return l > r ? 1 : 0;
    case Operation::LessEqual:
        return l <= r ? 1 : 0;
    case Operation::GreaterEqual:
        return l >= r ? 1 : 0;
    case Operation::Equal:
        return l == r ? 1 : 0;
    case Operation::NotEqual:
        return l != r ? 1 : 0;
    case Operation::BitOr:
        return Wrap(Bits(l) | Bits(r));
    case Operation::BitAnd:
        return Wrap(Bits(l) & Bits(r));
    case Operation::BitXor:
        return Wrap(Bits(l) ^ Bits(r));
    case Operation::Add:
        return Wrap(Bits(l) + Bits(r));
    case Operation::Subtract:
        return Wrap(Bits(l) - Bits(r));
    case Operation::Multiply:
        return Wrap(Bits(l) * Bits(r));
    case Operation::Divide:
        // The one quotient that does not fit: it wraps to the dividend, as two's
        // complement negation of the most negative value does.
        if (l == INT32_MIN && r == -1) return l;
        return l / r; // the caller has refused a zero divisor
    }
    return 0;
}

} // namespace

struct VariantOperator {
    const OLECHAR* text;
    VariantEvaluator::Assoc assoc;
    int precedence; // 1 to 5, higher binds tighter
    Operation operation;
    VARTYPE left, right, result;
};

namespace {

using A = VariantEvaluator::Assoc;
using O = Operation;

// In search order. Unlike the watch language, || and && share one precedence here.
constexpr VariantOperator kOperators[] = {
    {OLESTR("||"), A::Left, 1, O::Or, VT_BOOL, VT_BOOL, VT_BOOL},
    {OLESTR("&&"), A::Left, 1, O::And, VT_BOOL, VT_BOOL, VT_BOOL},
    {OLESTR(".OR."), A::Left, 1, O::Or, VT_BOOL, VT_BOOL, VT_BOOL},
    {OLESTR(".AND."), A::Left, 1, O::And, VT_BOOL, VT_BOOL, VT_BOOL},
    {OLESTR("<"), A::None, 2, O::Less, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(">"), A::None, 2, O::Greater, VT_I4, VT_I4, VT_BOOL},
    {OLESTR("<="), A::None, 2, O::LessEqual, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(">="), A::None, 2, O::GreaterEqual, VT_I4, VT_I4, VT_BOOL},
    {OLESTR("=="), A::None, 2, O::Equal, VT_I4, VT_I4, VT_BOOL},
    {OLESTR("!="), A::None, 2, O::NotEqual, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(".LT."), A::None, 2, O::Less, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(".GT."), A::None, 2, O::Greater, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(".LE."), A::None, 2, O::LessEqual, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(".GE."), A::None, 2, O::GreaterEqual, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(".EQ."), A::None, 2, O::Equal, VT_I4, VT_I4, VT_BOOL},
    {OLESTR(".NE."), A::None, 2, O::NotEqual, VT_I4, VT_I4, VT_BOOL},
    {OLESTR("|"), A::Left, 3, O::BitOr, VT_I4, VT_I4, VT_I4},
    {OLESTR("&"), A::Left, 3, O::BitAnd, VT_I4, VT_I4, VT_I4},
    {OLESTR("^"), A::Left, 3, O::BitXor, VT_I4, VT_I4, VT_I4},
    {OLESTR("+"), A::Left, 4, O::Add, VT_I4, VT_I4, VT_I4},
    {OLESTR("-"), A::Left, 4, O::Subtract, VT_I4, VT_I4, VT_I4},
    {OLESTR("*"), A::Left, 5, O::Multiply, VT_I4, VT_I4, VT_I4},
    {OLESTR("/"), A::Left, 5, O::Divide, VT_I4, VT_I4, VT_I4},
};
static_assert(std::size(kOperators) == 23, "one row per operator spelling");

constexpr size_t LongestOperator() {
    size_t longest = 0;
    for (const VariantOperator& row : kOperators) {
        size_t length = 0;
        while (row.text[length])
            ++length;
        if (length > longest) longest = length;
    }
    return longest;
}
constexpr size_t kLongestOperator = LongestOperator();

const VariantOperator* FindOperator(const OLECHAR* run, size_t length) {
    for (const VariantOperator& row : kOperators) {
        size_t i = 0;
        while (i < length && row.text[i] == run[i])
            ++i;
        if (i == length && row.text[i] == 0) return &row;
    }
    return nullptr;
}

// The operand after conversion: a boolean counts as 1 or 0.
bool ReadOperand(const VARIANT& v, VARTYPE vt, int32_t* value) {
    if (v.vt != vt) return false;
    *value = vt == VT_BOOL ? (v.boolVal != 0 ? 1 : 0) : v.lVal;
    return true;
}

// Message text with its first "%s" replaced by argument and "%%" read as "%", cut to
// kMaxMessageLength characters. A satellite's text may hold anything, so no other
// directive is interpreted.
size_t FormatReport(const OLECHAR* format, const OLECHAR* argument, size_t argumentLength,
                    OLECHAR* out) {
    size_t length = 0;
    bool argumentUsed = false;
    auto put = [&](OLECHAR c) {
        if (length < kMaxMessageLength) out[length++] = c;
    };
    for (const OLECHAR* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && !argumentUsed) {
            for (size_t i = 0; i < argumentLength; ++i)
                put(argument[i]);
            argumentUsed = true;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put('%');
            ++p;
        } else {
            put(*p);
        }
    }
    out[length] = 0;
    return length;
}

} // namespace

VariantEvaluator::VariantEvaluator(LPCOLESTR text, VariantOperands* operands, BSTR* errorText)
    : m_cursor(text), m_operands(operands), m_errorText(errorText) {}

HRESULT VariantEvaluator::Evaluate(VARIANT* result) {
    VariantInit(result);
    SkipBlanks();
    const HRESULT hr = Expression(0, Assoc::Left, result);
    if (hr != S_OK) {
        if (*m_cursor)
            ReportRest(orvel::kMsgInvalidExpression);
        else
            Report(orvel::kMsgInvalidExpression, OLESTR("end"), 3);
        VariantClear(result);
        return hr;
    }
    if (*m_cursor) {
        ReportRest(orvel::kMsgInvalidExpressionAt);
        VariantClear(result);
        return S_FALSE;
    }
    return S_OK;
}

HRESULT VariantEvaluator::Expression(int minPrecedence, Assoc assoc, VARIANT* result) {
    HRESULT hr = Primary(result);
    if (hr != S_OK) return hr;
    const VariantOperator* op = nullptr;
    hr = MatchOperator(minPrecedence, assoc, &op);
    while (hr == S_OK && op) {
        VARIANT right;
        VariantInit(&right);
        hr = Expression(op->precedence, op->assoc, &right);
        if (hr == S_OK && m_operands) hr = Apply(*op, result, &right);
        VariantClear(&right);
        if (hr != S_OK) return hr;
        hr = MatchOperator(minPrecedence, assoc, &op);
    }
    return FAILED(hr) ? S_FALSE : S_OK;
}

HRESULT VariantEvaluator::MatchOperator(int minPrecedence, Assoc assoc,
                                        const VariantOperator** matched) {
    *matched = nullptr;
    // A run longer than every row spells none; it need not be measured to its end.
    size_t length = 0;
    while (length <= kLongestOperator && IsOperatorChar(m_cursor[length]))
        ++length;
    const VariantOperator* row = length ? FindOperator(m_cursor, length) : nullptr;
    if (!row || row->precedence < minPrecedence) return S_OK;
    if (row->precedence == minPrecedence) {
        // A left-associative operator after one of its own level belongs to the caller.
        if (assoc == Assoc::Left && row->assoc == Assoc::Left) return S_OK;
        Report(orvel::kMsgAmbiguousUse, row->text, length);
        return E_FAIL;
    }
    m_cursor += length;
    SkipBlanks();
    *matched = row;
    return S_OK;
}

HRESULT VariantEvaluator::Apply(const VariantOperator& op, VARIANT* left, VARIANT* right) {
    int32_t l = 0;
    int32_t r = 0;
    HRESULT hr = m_operands->Convert(op.right, right);
    if (SUCCEEDED(hr)) hr = m_operands->Convert(op.left, left);
    // An operand source that claims success without the asked-for type is refused too.
    if (SUCCEEDED(hr) && !(ReadOperand(*left, op.left, &l) && ReadOperand(*right, op.right, &r)))
        hr = E_FAIL;
    if (FAILED(hr)) {
        Report(orvel::kMsgIllegalOperandTypes, op.text, ShownLength(op.text));
        return hr;
    }
    if (op.operation == Operation::Divide && r == 0) {
        Report(orvel::kMsgDivideByZero, nullptr, 0);
        return S_FALSE;
    }
    VariantClear(left);
    left->vt = op.result;
    // Booleans are 1 and 0 over the whole 32-bit value.
    left->lVal = Compute(op.operation, l, r);
    return S_OK;
}

HRESULT VariantEvaluator::Primary(VARIANT* result) {
    HRESULT hr = S_FALSE;
    if (IsLetter(*m_cursor))
        hr = Name(result);
    else if (IsDigit(*m_cursor))
        hr = Number(result);
    else if (*m_cursor == '(')
        hr = Parenthesised(result);
    if (hr == S_OK) SkipBlanks();
    return hr;
}

HRESULT VariantEvaluator::Name(VARIANT* result) {
    const OLECHAR* start = m_cursor;
    const OLECHAR* end = start + 1;
    while (IsLetter(*end) || IsDigit(*end) || *end == '_')
        ++end;
    const size_t length = static_cast<size_t>(end - start);
    if (!m_operands) {
        m_cursor = end;
        return S_OK;
    }
    HRESULT hr = S_FALSE;
    if (length <= MaxNameLength) {
        OLECHAR name[MaxNameLength + 1];
        for (size_t i = 0; i < length; ++i)
            name[i] = start[i];
        name[length] = 0;
        hr = m_operands->LookUp(name, result);
    }
    if (hr == S_FALSE) Report(orvel::kMsgSymbolNotDefined, start, length);
    // A name that means nothing is reported where it stands.
    if (hr != S_OK) {
        VariantClear(result);
        return hr;
    }
    m_cursor = end;
    return S_OK;
}

HRESULT VariantEvaluator::Number(VARIANT* result) {
    uint32_t base = 10;
    if (m_cursor[0] == '0' && (m_cursor[1] == 'x' || m_cursor[1] == 'X')) {
        m_cursor += 2;
        if (HexDigitValue(*m_cursor) < 0) {
            ReportRest(orvel::kMsgExpectingHexNumber);
            return E_FAIL;
        }
        base = 16;
    }
    uint32_t value = 0;
    for (;; ++m_cursor) {
        const int digit =
            base == 16 ? HexDigitValue(*m_cursor) : (IsDigit(*m_cursor) ? *m_cursor - '0' : -1);
        if (digit < 0) break;
        value = value * base + static_cast<uint32_t>(digit);
    }
    result->vt = VT_I4;
    result->lVal = Wrap(value);
    return S_OK;
}

HRESULT VariantEvaluator::Parenthesised(VARIANT* result) {
    if (m_nesting >= MaxNesting) return S_FALSE;
    ++m_cursor;
    SkipBlanks();
    ++m_nesting;
    const HRESULT hr = Expression(0, Assoc::Left, result);
    --m_nesting;
    if (hr != S_OK) return hr;
    if (*m_cursor != ')') {
        Report(orvel::kMsgUnbalancedParenthesis, nullptr, 0);
        return S_FALSE;
    }
    ++m_cursor;
    return S_OK;
}

void VariantEvaluator::SkipBlanks() {
    while (IsBlank(*m_cursor))
        ++m_cursor;
}

void VariantEvaluator::Report(int message, const OLECHAR* argument, size_t length) {
    if (!m_errorText || *m_errorText) return;
    const OLECHAR* format = GetMessageText(message);
    OLECHAR text[kMaxMessageLength + 1];
    const size_t textLength = FormatReport(format ? format : OLESTR(""), argument, length, text);
    *m_errorText = SysAllocStringLen(text, static_cast<UINT>(textLength));
}

void VariantEvaluator::ReportRest(int message) {
    Report(message, m_cursor, ShownLength(m_cursor));
}
