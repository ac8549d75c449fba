// orvel-ee: evaluates constant expressions the way the watch window would, with an empty
// Element as the scope (so any name is unknown), and prints one line per expression: the
// text, the value or the error message, and the type declaration.
#include <cstdio>

#include "language/FortranEvaluator.h"
#include "model/Element.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"

namespace {

const char* const Examples[] = {
    "7/2",        "-7/2",
    "2 + 3.5",    "1.0E30 * 1.0E30",
    "0xFFFFFFFF", "017",
    "'it''s'",    ".NOT. 0",
    "~1",         "1 << 33",
    "1.EQ.2",     "1E40",
    "5000000000", "(1 + 2) * 3 - 4 / 5",
    "X .GT. 2.5",
};

void Show(const char* Text) {
    Element* Scope = new Element();
    FortranEvaluator Engine(Text, Scope);
    Engine.Evaluate();
    char Value[512] = "";
    char Declaration[512] = "";
    if (Engine.HasError()) {
        FormatEvalError(Engine.GetError(), Value, sizeof Value);
    } else if (Element* Result = Engine.GetResult()) {
        BSTR Printed = nullptr;
        Result->Print(Printed);
        if (Printed) {
            orvel::WideToNarrow(Printed, static_cast<int>(SysStringLen(Printed)), Value,
                                sizeof Value);
            SysFreeString(Printed);
        }
        Result->TypeDeclaration(Declaration, sizeof Declaration);
    }
    std::printf("%s\t%s\t%s\n", Text, Value, Declaration);
    Scope->Release();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i)
            Show(argv[i]);
    } else {
        for (const char* Text : Examples)
            Show(Text);
    }
    return 0;
}
