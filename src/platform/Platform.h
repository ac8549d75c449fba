// Everything of the platform layer in one include.
#pragma once

#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "platform/Guid.h"
#include "platform/InterfaceId.h"
#include "platform/Interlocked.h"
#include "platform/PlatformTypes.h"
#include "platform/TraceSink.h"
#include "platform/Unknown.h"
#include "platform/Variant.h"
