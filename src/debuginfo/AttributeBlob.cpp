#include <memory>
#include <new>

#include "debuginfo/DebugInfoAcquisition.h"
#include "host/HostInterfaces.h"

namespace {

// The host's answer when it will not report a length without a buffer.
constexpr HRESULT kNullBufferRefused = static_cast<HRESULT>(0x800706F4);
// Shorter blobs hold nothing past their framing.
constexpr DWORD kMinBlob = 7;

// The attribute's length as the host reports it, or 0.
DWORD AttributeLength(IDebugCustomAttributeQuery* query, const OLECHAR* name) {
    DWORD length = 0;
    HRESULT hr = query->GetCustomAttributeByName(name, nullptr, &length);
    if (hr == kNullBufferRefused) {
        std::unique_ptr<BYTE[]> scratch(new (std::nothrow) BYTE[kMaxAttributeBlob]);
        if (!scratch) return 0;
        length = kMaxAttributeBlob;
        hr = query->GetCustomAttributeByName(name, scratch.get(), &length);
    }
    // A length beyond the largest blob we take is not believed.
    return SUCCEEDED(hr) && length <= kMaxAttributeBlob ? length : 0;
}

} // namespace

bool ReadAttributeBlob(IDebugCustomAttributeQuery* Query, const OLECHAR* Name,
                       std::vector<uint8_t>& Blob) {
    Blob.clear();
    if (!Query || !Name || Query->IsCustomAttributeDefined(Name) != S_OK) return false;
    const DWORD length = AttributeLength(Query, Name);
    if (length < kMinBlob) return false;
    try {
        Blob.resize(length);
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD delivered = length;
    // Only the bytes the host says it delivered count, and never more than we gave it room for.
    if (Query->GetCustomAttributeByName(Name, Blob.data(), &delivered) != S_OK ||
        delivered < kMinBlob) {
        Blob.clear();
        return false;
    }
    if (delivered < length) Blob.resize(delivered);
    return true;
}
