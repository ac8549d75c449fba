// An enumeration of model values, as IEnumDebugObjects (the elements of an array
// object). Each Next hands out new object objects.
#pragma once

#include "simhost/com/CSimEnum.h"

namespace orvel::sim {

struct ObjectEnumTraits {
    using IEnum = IEnumDebugObjects;
    using IItem = IDebugObject;
    using Id = ValueId;
    static HRESULT Make(const SimStatePtr& state, ValueId id, IDebugObject** out);
};

using CSimObjectEnum = CSimEnum<ObjectEnumTraits>;

} // namespace orvel::sim
