#include "simhost/com/CSimObjectEnum.h"

#include "simhost/com/CSimObject.h"

namespace orvel::sim {

HRESULT ObjectEnumTraits::Make(const SimStatePtr& state, ValueId id, IDebugObject** out) {
    return CSimObject::MakeValue(state, id, kNoField, out);
}

} // namespace orvel::sim
