// The memory context of a value that lives at a debuggee address.
#pragma once

#include "host/HostInterfaces.h"
#include "platform/ComObject.h"
#include "simhost/com/LiveObjects.h"

namespace orvel::sim {

class CSimMemoryContext final : public ComObject<IDebugMemoryContext2>, private LiveObject {
public:
    explicit CSimMemoryContext(uint32_t address);

    static HRESULT Create(uint32_t address, IDebugMemoryContext2** out);

    HRESULT STDMETHODCALLTYPE GetName(BSTR* pbstrName) override;
    // CIF_ADDRESS and CIF_ADDRESSABSOLUTE give the address as "0x%08X".
    HRESULT STDMETHODCALLTYPE GetInfo(CONTEXT_INFO_FIELDS dwFields, CONTEXT_INFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE Add(UINT64 dwCount, IDebugMemoryContext2** ppMemCxt) override;
    HRESULT STDMETHODCALLTYPE Subtract(UINT64 dwCount, IDebugMemoryContext2** ppMemCxt) override;
    HRESULT STDMETHODCALLTYPE Compare(CONTEXT_COMPARE compare,
                                      IDebugMemoryContext2** rgpMemoryContextSet,
                                      DWORD dwMemoryContextSetLen,
                                      DWORD* pdwMemoryContext) override;

private:
    uint32_t m_address;
};

} // namespace orvel::sim
