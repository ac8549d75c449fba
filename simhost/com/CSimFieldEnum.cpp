#include "simhost/com/CSimFieldEnum.h"

#include "simhost/com/CSimField.h"

namespace orvel::sim {

HRESULT FieldEnumTraits::Make(const SimStatePtr& state, FieldId id, IDebugField** out) {
    return CSimField::Make(state, id, out);
}

} // namespace orvel::sim
