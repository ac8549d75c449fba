// Where the operator evaluator's names and operand values come from. The evaluator
// itself only reads text and applies operators; what a name means and how a value
// becomes an integer or a boolean is the host's business, kept behind this interface so
// that the evaluator can be driven without one.
#pragma once

#include "platform/Variant.h"

class VariantOperands {
public:
    // value (empty on entry) becomes what name stands for: S_OK; S_FALSE when nothing of
    // that name is visible; any other failure is the evaluation's.
    virtual HRESULT LookUp(LPCOLESTR name, VARIANT* value) = 0;
    // value changes in place to vt (VT_I4 or VT_BOOL), a value that stands for a field
    // read first. On failure value is left empty.
    virtual HRESULT Convert(VARTYPE vt, VARIANT* value) = 0;

protected:
    ~VariantOperands() = default;
};
