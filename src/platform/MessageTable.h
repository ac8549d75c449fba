// The texts the user or the registry can see, by number. Each has a built-in English
// form; a satellite module for the user's language (module/SatelliteLocator.h) may
// replace it when the module loads.
#pragma once

#include "platform/PlatformTypes.h"

namespace orvel {

enum MessageNumber : int {
    kMsgEvaluatorName = 1, // default value of the class key
    kMsgRegistryRoot = 3,  // the Visual Studio root registration writes under
    kMsgEmpty = 4,
    kMsgUnknown = 5,
    kMsgUnknownVariant = 6, // value text of a variant kind we cannot show
    kMsgFalse = 7,
    kMsgTrue = 8,
    kMsgInvalidExpression = 9,
    kMsgInvalidExpressionAt = 10,
    kMsgAmbiguousUse = 11,
    kMsgIllegalOperandTypes = 12,
    kMsgIllegalOperandType = 13,
    kMsgUnbalancedParenthesis = 14,
    kMsgExpectingHexNumber = 15,
    kMsgSymbolNotDefined = 16,
    kMsgDivideByZero = 17,
};
constexpr int kMessageCount = 16;

// The loaded text of the message, else its built-in text; the empty text for a number
// that has none. The table keeps ownership.
LPCOLESTR GetMessageText(int number);

// Replaces the built-in texts with those of the satellite module found for module's
// class. A message the satellite lacks keeps its built-in text. Fails, leaving every
// built-in text in force, when no satellite is found or it cannot be read.
HRESULT LoadMessages(HMODULE module, const GUID& classId);

// Back to the built-in texts.
void FreeMessages();

} // namespace orvel
