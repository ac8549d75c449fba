// Runs the expression engine the way its callers do and reports what came out, so that
// the tests can be tables of text and expected outcome.
#pragma once

#include <cstdio>
#include <string>

#include "language/FortranEvaluator.h"
#include "model/Element.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace orvel::test {

struct Outcome {
    int Error = 0;
    bool HasResult = false;
    ElementType Kind = void_0;
    int Size = 0;
    std::string Shown; // the value text, see ShownValue
};

// Print's text; unsigned and real_10 kinds have no printed form, so they show their
// value in decimal instead.
inline std::string ShownValue(Element* e) {
    char Buf[512] = "";
    if (e->Type == unsigned_4) {
        std::snprintf(Buf, sizeof Buf, "%u", static_cast<unsigned>(e->IntValue()));
        return Buf;
    }
    if (e->Type == real_10) {
        std::snprintf(Buf, sizeof Buf, "%g", e->RealValue());
        return Buf;
    }
    BSTR Printed = nullptr;
    e->Print(Printed);
    if (!Printed) return "<null>";
    orvel::WideToNarrow(Printed, static_cast<int>(SysStringLen(Printed)), Buf, sizeof Buf);
    SysFreeString(Printed);
    return Buf;
}

// Full evaluation with an empty Element as the scope (every name is unknown), or the
// syntax check when WithScope is false.
inline Outcome Evaluated(const char* Text, bool WithScope = true) {
    Element* Scope = WithScope ? new Element() : nullptr;
    Outcome Out;
    {
        FortranEvaluator Engine(Text, Scope);
        Engine.Evaluate();
        Out.Error = Engine.GetError();
        if (Element* Result = Engine.GetResult()) {
            Out.HasResult = true;
            Out.Kind = Result->Type;
            Out.Size = Result->Size;
            Out.Shown = ShownValue(Result);
        }
    }
    if (Scope) Scope->Release();
    return Out;
}

inline Outcome Checked(const char* Text) {
    return Evaluated(Text, false);
}

} // namespace orvel::test
