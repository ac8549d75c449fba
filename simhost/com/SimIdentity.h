// Private interfaces by which the substitute host recognises its own objects when the
// caller hands them back (a field to bind, an object as container or argument, a code
// address). Anything that does not answer them is foreign and refused.
#pragma once

#include "platform/ComPtr.h"
#include "platform/InterfaceId.h"
#include "simhost/com/SimState.h"

namespace orvel::sim {

struct ISimField : IUnknown {
    virtual const SimState* STDMETHODCALLTYPE SimOwner() = 0;
    virtual FieldId STDMETHODCALLTYPE SimFieldId() = 0;
};

struct ISimObject : IUnknown {
    virtual const SimState* STDMETHODCALLTYPE SimOwner() = 0;
    virtual ValueId STDMETHODCALLTYPE SimValueId() = 0;
};

struct ISimAddress : IUnknown {
    virtual const SimState* STDMETHODCALLTYPE SimOwner() = 0;
    virtual FieldId STDMETHODCALLTYPE SimMethod() = 0;
};

inline const IID IID_ISimField = {
    0x1431574d, 0x076d, 0x45c9, {0x87, 0xe7, 0x72, 0x94, 0xa4, 0x89, 0xaa, 0x2e}};
inline const IID IID_ISimObject = {
    0x02031f30, 0x3654, 0x4841, {0x9a, 0x64, 0x72, 0x82, 0x6e, 0xf8, 0xcb, 0x48}};
inline const IID IID_ISimAddress = {
    0xe602b38f, 0xb48d, 0x4f11, {0xa6, 0xe6, 0xce, 0xa6, 0xe3, 0xab, 0xcb, 0xe2}};

// The model field behind an interface, or kNoField when it is not one of ours.
template <class I> FieldId OwnField(const SimState& state, I* p) {
    ComPtr<ISimField> f;
    if (!p || FAILED(ComPtr<I>(p).As(IID_ISimField, f)) || f->SimOwner() != &state) return kNoField;
    return f->SimFieldId();
}

template <class I> ValueId OwnValue(const SimState& state, I* p) {
    ComPtr<ISimObject> o;
    if (!p || FAILED(ComPtr<I>(p).As(IID_ISimObject, o)) || o->SimOwner() != &state)
        return kNoValue;
    return o->SimValueId();
}

template <class I> FieldId OwnAddressMethod(const SimState& state, I* p) {
    ComPtr<ISimAddress> a;
    if (!p || FAILED(ComPtr<I>(p).As(IID_ISimAddress, a)) || a->SimOwner() != &state)
        return kNoField;
    return a->SimMethod();
}

} // namespace orvel::sim

ORVEL_INTERFACE_ID(orvel::sim::ISimField, orvel::sim::IID_ISimField)
ORVEL_INTERFACE_ID(orvel::sim::ISimObject, orvel::sim::IID_ISimObject)
ORVEL_INTERFACE_ID(orvel::sim::ISimAddress, orvel::sim::IID_ISimAddress)
