#include "simhost/com/CSimMemoryContext.h"
#include "simhost/com/CallFaults.h"

#include <cstdio>
#include <cstring>

#include "platform/Bstr.h"
#include "simhost/com/SimText.h"

namespace orvel::sim {

namespace {
BSTR AddressText(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(address));
    return AllocBstr(text);
}
} // namespace

CSimMemoryContext::CSimMemoryContext(uint32_t address) : m_address(address) {}

HRESULT CSimMemoryContext::Create(uint32_t address, IDebugMemoryContext2** out) {
    return CreateComObject<CSimMemoryContext>(out, address);
}

HRESULT CSimMemoryContext::GetName(BSTR* pbstrName) {
    if (!pbstrName) return E_INVALIDARG;
    *pbstrName = nullptr;
    ORVEL_SIM_FAULT_POINT();
    *pbstrName = AddressText(m_address);
    return *pbstrName ? S_OK : E_OUTOFMEMORY;
}

HRESULT CSimMemoryContext::GetInfo(CONTEXT_INFO_FIELDS dwFields, CONTEXT_INFO* pInfo) {
    if (!pInfo) return E_INVALIDARG;
    std::memset(pInfo, 0, sizeof(*pInfo));
    ORVEL_SIM_FAULT_POINT();
    if (dwFields & CIF_ADDRESS) {
        pInfo->bstrAddress = AddressText(m_address);
        if (!pInfo->bstrAddress) return E_OUTOFMEMORY;
        pInfo->dwFields |= CIF_ADDRESS;
    }
    if (dwFields & CIF_ADDRESSABSOLUTE) {
        pInfo->bstrAddressAbsolute = AddressText(m_address);
        if (!pInfo->bstrAddressAbsolute) {
            SysFreeString(pInfo->bstrAddress);
            std::memset(pInfo, 0, sizeof(*pInfo));
            return E_OUTOFMEMORY;
        }
        pInfo->dwFields |= CIF_ADDRESSABSOLUTE;
    }
    return S_OK;
}

HRESULT CSimMemoryContext::Add(UINT64 dwCount, IDebugMemoryContext2** ppMemCxt) {
    if (!ppMemCxt) return E_INVALIDARG;
    *ppMemCxt = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Create(static_cast<uint32_t>(m_address + dwCount), ppMemCxt);
}

HRESULT CSimMemoryContext::Subtract(UINT64 dwCount, IDebugMemoryContext2** ppMemCxt) {
    if (!ppMemCxt) return E_INVALIDARG;
    *ppMemCxt = nullptr;
    ORVEL_SIM_FAULT_POINT();
    return Create(static_cast<uint32_t>(m_address - dwCount), ppMemCxt);
}

HRESULT CSimMemoryContext::Compare(CONTEXT_COMPARE, IDebugMemoryContext2** rgpMemoryContextSet,
                                   DWORD, DWORD* pdwMemoryContext) {
    if (!rgpMemoryContextSet || !pdwMemoryContext) return E_INVALIDARG;
    *pdwMemoryContext = 0;
    ORVEL_SIM_FAULT_POINT();
    return E_NOTIMPL;
}

} // namespace orvel::sim
