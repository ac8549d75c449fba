// The 8-bit form of a watch expression, as the expression engine reads it.
#pragma once

#include "language/FortranEvaluator.h"
#include "platform/PlatformTypes.h"

// One character more than the engine accepts, so that an overlong text reaches the
// engine as such and is refused there rather than silently cut into another expression.
struct ExpressionText {
    char Text[FortranEvaluator::MaxTextLength + 2];
    // False when a character has no form in the system code page: the engine would see
    // '?' in its place and could compute something the user did not write.
    bool Exact;

    explicit ExpressionText(const OLECHAR* wide);
};
