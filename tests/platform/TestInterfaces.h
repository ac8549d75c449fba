// Interfaces of our own for exercising ComObject and ComPtr, with IIDs made up for
// the tests.
#pragma once

#include "platform/InterfaceId.h"
#include "platform/Unknown.h"

struct IWidget : IUnknown {
    virtual int STDMETHODCALLTYPE Value() = 0;
};

// Derives from IWidget, so an object implementing it answers for both.
struct IWidget2 : IWidget {
    virtual int STDMETHODCALLTYPE Doubled() = 0;
};

struct IGadget : IUnknown {
    virtual int STDMETHODCALLTYPE Turn() = 0;
};

// Implemented by nothing.
struct IMissing : IUnknown {};

inline const IID IID_IWidget = {0x6a1f0c01, 0x2b3d, 0x4e5f, {0x80, 1, 2, 3, 4, 5, 6, 7}};
inline const IID IID_IWidget2 = {0x6a1f0c02, 0x2b3d, 0x4e5f, {0x80, 1, 2, 3, 4, 5, 6, 7}};
inline const IID IID_IGadget = {0x6a1f0c03, 0x2b3d, 0x4e5f, {0x80, 1, 2, 3, 4, 5, 6, 7}};
inline const IID IID_IMissing = {0x6a1f0c04, 0x2b3d, 0x4e5f, {0x80, 1, 2, 3, 4, 5, 6, 7}};

ORVEL_INTERFACE_ID(IWidget, IID_IWidget)
ORVEL_INTERFACE_ID(IWidget2, IID_IWidget2)
ORVEL_INTERFACE_ID(IGadget, IID_IGadget)
ORVEL_INTERFACE_ID(IMissing, IID_IMissing)
ORVEL_INTERFACE_BASE(IWidget2, IWidget)
