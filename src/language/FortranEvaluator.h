// The Fortran expression engine: a one-pass lexer and operator-precedence parser whose
// operators pop Elements from an operand stack and push their results. With a scope
// Element names are looked up among its children and values are computed; without one
// the same pass is a syntax check that computes nothing. Lives on its caller's stack for
// one evaluation; nothing in it throws, every failure is an EvalError code.
#pragma once

#include <cstdint>
#include <string>

#include "language/EvalError.h"
#include "language/EvalToken.h"

class Element;

class FortranEvaluator {
public:
    // Texts longer than this are rejected with a syntax error (the host cuts its texts to
    // this length, so only a caller of our own can exceed it).
    static constexpr int MaxTextLength = 511;
    // Longest name, character constant or digit run; a longer one is a syntax error.
    static constexpr int MaxTokenLength = 255;
    // Open bracket levels; one more is a syntax error.
    static constexpr int MaxDepth = 20;

    // Copies Text (null means no text at all: Evaluate then does nothing). Scope is not
    // owned; null makes the pass a syntax check.
    FortranEvaluator(const char* Text, Element* Scope);
    ~FortranEvaluator();
    FortranEvaluator(const FortranEvaluator&) = delete;
    FortranEvaluator& operator=(const FortranEvaluator&) = delete;

    void Evaluate();
    int GetError() const { return Error; }
    bool HasError() const { return Error != EvalNoError; }
    // The result of a successful evaluation with a scope, else null. Borrowed: the
    // evaluator releases it when destroyed, so AddRef it to keep it.
    Element* GetResult() const { return Result.get(); }

    // Brings two numeric operands to one kind: the one of the lower class (integer below
    // real below complex) takes the other's kind, and within a class the narrower one
    // takes the wider kind. Non-numeric operands are left alone.
    static void Promote(Element* A, Element* B, bool First);

private:
    // Lexer.cpp
    EvalToken* NextToken();
    EvalToken* LexNumber();
    EvalToken* LexHexNumber();
    EvalToken* LexOctalNumber();
    EvalToken* LexDecimalNumber();
    EvalToken* LexReal(char* Buf, int Length);
    EvalToken* LexName();
    EvalToken* LexString();
    EvalToken* LexOperator();

    // Parser.cpp
    void RunPass();
    void HandleToken(EvalToken* t);
    void HandleOperand(EvalToken* t);
    void HandleOpenParen(EvalToken* t);
    void HandleCloseParen(EvalToken* t);
    void HandleComma(EvalToken* t);
    void HandleOpenSquare(EvalToken* t);
    void HandleCloseSquare(EvalToken* t);
    void HandleOperator(EvalToken* t);
    bool OpenLevel(int Kind);
    void Finish();
    void PushOperator(EvalToken* t);
    void Reduce(int Id);
    void ClearStacks();
    void Fail(int Code);

    // Operand.cpp
    EvalToken* PopOperand();
    EvalToken* PopRaw();
    void PushOperand(EvalToken* t) { Operands.Push(t); }
    bool PopBinary(EvalToken*& Left, EvalToken*& Right);
    void PushResult(Element* e);
    void ApplyOperator(int Id);
    void CheckOperator(int Id);

    // Arithmetic.cpp
    void Add();
    void Subtract();
    void MultiplyOrDivide(int Id);
    void Power();
    void Negate();
    void Bitwise(int Id);
    void Complement();
    void Calculate(int Id, Element* Left, Element* Right);
    void FinishInPlace(EvalToken* Left, EvalToken* Right);

    // Logic.cpp
    bool Truth(Element* e, bool& Value);
    void LogicalAndOr(int Id);
    void LogicalNot();
    void Compare(int Id);

    // Character.cpp
    bool CharacterValue(Element* e, std::string& Bytes);
    void Concatenate();
    void CompareCharacters(int Id, Element* Left, Element* Right);

    // Access.cpp
    void ApplySubscript();
    void ApplyIntrinsic(int Id, int Count);
    // Intrinsics.cpp
    void ApplyNumericIntrinsic(int Id, EvalToken** Args, int Count);
    void ApplyShapeIntrinsic(int Id, EvalToken** Args, int Count);
    void SelectComponent(int Id);
    bool ReachStructure(EvalToken* t);
    void Dereference();
    void AddressOf();

    char Text[MaxTextLength + 2]; // one more than the limit, to tell an overlong text
    bool HasText;
    bool TooLong;
    orvel::ComPtr<Element> Result;
    const char* Cursor;
    TokenStack Operands;
    TokenStack Operators;
    int LevelKind[MaxDepth];
    int ArgumentCount[MaxDepth]; // commas seen so far in an intrinsic's argument list
    int Depth;
    int Error;
    bool OperandSeen;
    bool Stopped; // the pass has ended early without an error (syntax-check mode)
    Element* Scope;
};
