// An enumeration of model fields. Each Next hands out new field objects.
#pragma once

#include "simhost/com/CSimEnum.h"

namespace orvel::sim {

struct FieldEnumTraits {
    using IEnum = IEnumDebugFields;
    using IItem = IDebugField;
    using Id = FieldId;
    static HRESULT Make(const SimStatePtr& state, FieldId id, IDebugField** out);
};

using CSimFieldEnum = CSimEnum<FieldEnumTraits>;

} // namespace orvel::sim
