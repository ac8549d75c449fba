// The binder: turns fields into objects. With no container it binds statics and the
// stopped frame's arguments and locals; with one, the members of that object.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

class CSimBinder final : public ComObject<IDebugBinder>, private LiveObject {
public:
    explicit CSimBinder(SimStatePtr state);

    static HRESULT Create(const SimStatePtr& state, IDebugBinder** out);

    HRESULT STDMETHODCALLTYPE Bind(IDebugObject* pContainer, IDebugField* pField,
                                   IDebugObject** ppObject) override;
    HRESULT STDMETHODCALLTYPE ResolveDynamicType(IDebugDynamicField* pDynamic,
                                                 IDebugField** ppResolved) override;
    HRESULT STDMETHODCALLTYPE ResolveRuntimeType(IDebugObject* pObject,
                                                 IDebugField** ppResolved) override;
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugField* pField, DWORD dwConstant,
                                               IDebugMemoryContext2** ppMemCxt) override;
    // A function object that can make string arguments but evaluates nothing itself.
    HRESULT STDMETHODCALLTYPE GetFunctionObject(IDebugFunctionObject** ppFunction) override;

private:
    // The value a field binds to under container (kNoValue: none). Lock held.
    HRESULT Resolve(FieldId field, ValueId container, ValueId* value);

    SimStatePtr m_state;
};

} // namespace orvel::sim
