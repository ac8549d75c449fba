// Tokens of the expression engine and the two stacks that hold them. A token owns what
// it carries: an operand its Element reference, a name its text.
#pragma once

#include <cstdint>
#include <string>

#include "model/Element.h"
#include "platform/ComPtr.h"

enum class TokenKind : int32_t { Operand = 0, Name = 1, Operator = 2 };

struct EvalToken {
    TokenKind Kind;
    EvalToken* Next = nullptr;
    orvel::ComPtr<Element> Value; // Operand
    std::string Name;             // Name: upper-cased
    int32_t Id = 0;               // Operator: an OperatorId

    explicit EvalToken(TokenKind k) : Kind(k) {}
    EvalToken(const EvalToken&) = delete;
    EvalToken& operator=(const EvalToken&) = delete;
    ~EvalToken() = default;

    // Takes over the caller's reference.
    static EvalToken* MakeOperand(Element* e);
    static EvalToken* MakeName(const char* Text, size_t Length);
    static EvalToken* MakeOperator(int32_t Id);

    bool IsOperand() const { return Kind == TokenKind::Operand; }
    bool IsName() const { return Kind == TokenKind::Name; }
    bool IsOperator() const { return Kind == TokenKind::Operator; }
    // Replaces the held Element, taking over the new reference and releasing the old one.
    void Hold(Element* e);
    // Hands the held Element to the caller, who then owns the reference.
    Element* TakeValue();
};

// A singly linked stack with its count; clearing deletes every token.
class TokenStack {
public:
    TokenStack() = default;
    TokenStack(const TokenStack&) = delete;
    TokenStack& operator=(const TokenStack&) = delete;
    ~TokenStack() { Clear(); }

    void Push(EvalToken* t);
    EvalToken* Pop(); // null when empty
    EvalToken* Top() const { return Head; }
    bool Empty() const { return Head == nullptr; }
    int Size() const { return Count; }
    void Clear();

private:
    int Count = 0;
    EvalToken* Head = nullptr;
};
