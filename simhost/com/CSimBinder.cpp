#include "simhost/com/CSimBinder.h"
#include "simhost/com/CallFaults.h"

#include "simhost/com/CSimObject.h"
#include "simhost/com/SimIdentity.h"
#include "simhost/com/SimResults.h"

namespace orvel::sim {

CSimBinder::CSimBinder(SimStatePtr state) : m_state(std::move(state)) {}

HRESULT CSimBinder::Create(const SimStatePtr& state, IDebugBinder** out) {
    return CreateComObject<CSimBinder>(out, state);
}

HRESULT CSimBinder::Resolve(FieldId id, ValueId container, ValueId* value) {
    HostProgram& program = m_state->program;
    const HostField& f = program.fields[id];
    *value = kNoValue;

    // A class with no container binds to the holder of its statics.
    if (f.form == FieldForm::Class && container == kNoValue) {
        if (program.IsValue(f.value)) {
            *value = f.value;
            return S_OK;
        }
        auto it = m_state->classObjects.find(id);
        if (it == m_state->classObjects.end()) {
            HostValue holder;
            holder.form = ValueForm::Object;
            holder.objectClass = id;
            it = m_state->classObjects.emplace(id, program.AddValue(std::move(holder))).first;
        }
        *value = it->second;
        return S_OK;
    }

    if (container == kNoValue || (f.modifiers & FIELD_MOD_STATIC)) {
        if (!program.IsValue(f.value)) return E_FAIL;
        *value = f.value;
        return S_OK;
    }

    const HostValue* object = &program.values[container];
    if (object->form == ValueForm::Pointer && program.IsValue(object->target))
        object = &program.values[object->target];
    if (object->isNull) return E_EVAL_NULL_REFERENCE;
    auto member = object->members.find(f.name);
    if (member != object->members.end() && program.IsValue(member->second)) {
        *value = member->second;
        return S_OK;
    }
    // The statics holder of a class answers with the field's own value.
    if (program.IsField(object->objectClass) && program.IsValue(f.value)) {
        *value = f.value;
        return S_OK;
    }
    return E_FAIL;
}

HRESULT CSimBinder::Bind(IDebugObject* pContainer, IDebugField* pField, IDebugObject** ppObject) {
    if (!pField || !ppObject) return E_INVALIDARG;
    *ppObject = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Guarded([&] {
        FieldId id = OwnField(*m_state, pField);
        if (id == kNoField) return E_FAIL; // not a field of this program
        HRESULT hr = m_state->program.InjectedResult(id, HostOp::Bind);
        if (FAILED(hr)) return hr;
        if (m_state->program.fields[id].form == FieldForm::Method)
            return CSimObject::MakeFunction(m_state, id, ppObject);
        ValueId container = kNoValue;
        if (pContainer) {
            container = OwnValue(*m_state, pContainer);
            if (container == kNoValue) return E_FAIL;
        }
        ValueId value;
        {
            std::lock_guard<std::mutex> lock(m_state->lock);
            hr = Resolve(id, container, &value);
        }
        if (FAILED(hr)) return hr;
        return CSimObject::MakeValue(m_state, value, id, ppObject);
    });
}

HRESULT CSimBinder::ResolveDynamicType(IDebugDynamicField* pDynamic, IDebugField** ppResolved) {
    if (!pDynamic || !ppResolved) return E_INVALIDARG;
    *ppResolved = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimBinder::ResolveRuntimeType(IDebugObject* pObject, IDebugField** ppResolved) {
    if (!pObject || !ppResolved) return E_INVALIDARG;
    *ppResolved = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimBinder::GetMemoryContext(IDebugField* pField, DWORD, IDebugMemoryContext2** ppMemCxt) {
    if (!pField || !ppMemCxt) return E_INVALIDARG;
    *ppMemCxt = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

HRESULT CSimBinder::GetFunctionObject(IDebugFunctionObject** ppFunction) {
    if (!ppFunction) return E_INVALIDARG;
    *ppFunction = nullptr;
    ORVEL_SIM_FAULT_POINT();
    ComPtr<IDebugObject> object;
    HRESULT hr = CSimObject::MakeFunction(m_state, kNoField, object.put());
    if (FAILED(hr)) return hr;
    return object->QueryInterface(IID_IDebugFunctionObject, reinterpret_cast<void**>(ppFunction));
}

} // namespace orvel::sim
