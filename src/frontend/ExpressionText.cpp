#include "frontend/ExpressionText.h"

#include "platform/CodePage.h"

ExpressionText::ExpressionText(const OLECHAR* wide) {
    bool lossy = false;
    orvel::WideToNarrow(wide, -1, Text, static_cast<int>(sizeof Text), &lossy);
    Exact = !lossy;
}
