// The operator evaluator behind EvaluateVariantExpression: precedence climbing over a
// table of binary integer and boolean operators, on wide text, with VARIANT operands.
// Nothing here throws; every failure is an HRESULT and, when asked for, one message.
#pragma once

#include "platform/Variant.h"

class VariantOperands;
struct VariantOperator;

class VariantEvaluator {
public:
    // How an operator groups with one of the same precedence: left to right, or not at
    // all (a second one is ambiguous).
    enum class Assoc { Left = 1, None = 3 };

    // Without operands the text is only checked: names stand for nothing and no operator
    // is applied. errorText, when given, must hold null; it receives the first message.
    VariantEvaluator(LPCOLESTR text, VariantOperands* operands, BSTR* errorText);
    VariantEvaluator(const VariantEvaluator&) = delete;
    VariantEvaluator& operator=(const VariantEvaluator&) = delete;

    // The whole text as one expression into result (initialised here; empty on failure).
    // S_OK; S_FALSE for an invalid text or a failed operation; else the failure of a
    // lookup or conversion, or E_FAIL for a malformed hexadecimal number.
    HRESULT Evaluate(VARIANT* result);

    // Parentheses nest at most this deep; deeper text is invalid rather than a risk to
    // the stack of the host's thread.
    static constexpr int MaxNesting = 100;
    // A longer name cannot be a field's, so it is reported as not defined.
    static constexpr int MaxNameLength = 511;

private:
    HRESULT Expression(int minPrecedence, Assoc assoc, VARIANT* result);
    HRESULT MatchOperator(int minPrecedence, Assoc assoc, const VariantOperator** matched);
    HRESULT Apply(const VariantOperator& op, VARIANT* left, VARIANT* right);
    HRESULT Primary(VARIANT* result);
    HRESULT Name(VARIANT* result);
    HRESULT Number(VARIANT* result);
    HRESULT Parenthesised(VARIANT* result);
    void SkipBlanks();

    // Keeps the message unless one is already kept; argument fills its "%s".
    void Report(int message, const OLECHAR* argument, size_t length);
    // The same with the rest of the text as the argument.
    void ReportRest(int message);

    const OLECHAR* m_cursor;
    VariantOperands* m_operands;
    BSTR* m_errorText;
    int m_nesting = 0;
};
