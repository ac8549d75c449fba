// Runs the expression engine over arbitrary bytes: as the host hands texts over (cut at
// 511 characters) and uncut, as a syntax check and as a full evaluation with an empty
// Element as the scope. Beyond the sanitizers' checks, it holds the engine to its
// contract: a full evaluation has a result exactly when it has no error, a syntax check
// never has one, and every error is a code of the table.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "language/EvalError.h"
#include "language/FortranEvaluator.h"
#include "model/Element.h"
#include "platform/Bstr.h"

namespace {

void Fail(const char* What, const char* Text, int Error) {
    std::fprintf(stderr, "FuzzEvaluator: %s (error %d) for \"%s\"\n", What, Error, Text);
    std::abort();
}

void CheckError(const char* Text, int Error) {
    if (Error < 0 || Error >= EvalErrorSlots || !EvalErrorMessage(Error))
        Fail("error outside the table", Text, Error);
    char Buf[64];
    FormatEvalError(Error, Buf, sizeof Buf);
    if (std::memchr(Buf, '\0', sizeof Buf) == nullptr) Fail("unterminated message", Text, Error);
}

void Run(const char* Text) {
    {
        FortranEvaluator Engine(Text, nullptr);
        Engine.Evaluate();
        CheckError(Text, Engine.GetError());
        if (Engine.GetResult()) Fail("syntax check produced a result", Text, Engine.GetError());
    }
    Element* Scope = new Element();
    {
        FortranEvaluator Engine(Text, Scope);
        Engine.Evaluate();
        const int Error = Engine.GetError();
        CheckError(Text, Error);
        Element* Result = Engine.GetResult();
        if ((Result != nullptr) == (Error != EvalNoError))
            Fail("result and error disagree", Text, Error);
        if (Result) {
            // Showing the value must be as safe as computing it.
            BSTR Printed = nullptr;
            Result->Print(Printed);
            if (Printed) SysFreeString(Printed);
            char Declaration[256];
            Result->TypeDeclaration(Declaration, sizeof Declaration);
        }
    }
    if (Scope->Counter != 1) Fail("scope reference leaked", Text, 0);
    Scope->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    std::vector<char> Text(Data, Data + Size);
    Text.push_back('\0');
    Run(Text.data());
    if (Size > FortranEvaluator::MaxTextLength) {
        Text[FortranEvaluator::MaxTextLength] = '\0';
        Run(Text.data());
    }
    return 0;
}
