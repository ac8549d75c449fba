// Ties each interface type to its IID, so that ComObject and ComPtr::As can find it
// from the type alone. Each interface header specialises the traits:
//
//   ORVEL_INTERFACE_ID(IDebugProperty2, IID_IDebugProperty2)
//   ORVEL_INTERFACE_BASE(IDebugProperty3, IDebugProperty2)  // answers both IIDs
//
// Use the macros at global scope. An interface with no InterfaceId specialisation
// fails to compile where its IID is needed.
#pragma once

#include "platform/PlatformTypes.h"
#include "platform/Unknown.h"

namespace orvel {

// InterfaceId<I>::value() gives the IID of I.
template <class I> struct InterfaceId;

// The interface I derives from, other than IUnknown; void when there is none.
template <class I> struct InterfaceBase { using type = void; };

} // namespace orvel

#define ORVEL_INTERFACE_ID(Interface, iid)                                                         \
    template <> struct orvel::InterfaceId<Interface> {                                             \
        static const IID& value() { return iid; }                                                  \
    };

#define ORVEL_INTERFACE_BASE(Interface, Base)                                                      \
    template <> struct orvel::InterfaceBase<Interface> { using type = Base; };

ORVEL_INTERFACE_ID(IUnknown, IID_IUnknown)
ORVEL_INTERFACE_ID(IClassFactory, IID_IClassFactory)
