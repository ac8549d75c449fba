#include "rows/CEnumArray.h"

#include <algorithm>
#include <cstring>

#include "model/Element.h"
#include "platform/ArgCheck.h"
#include "platform/Bstr.h"
#include "platform/CodePage.h"
#include "platform/DebuggeeReadCache.h"
#include "rows/ChildRow.h"
#include "rows/ElementTexts.h"

using orvel::NullArg;

namespace {

// Full names are formed in a buffer of this many bytes, as the row's name column allows.
constexpr int FullNameSize = 260;

// prefix followed by ascii as a new BSTR. Subscript texts are digits, signs, commas and
// parentheses, the same in every code page, so they widen byte for byte.
BSTR JoinAscii(const std::basic_string<OLECHAR>& prefix, const char* ascii, size_t length) {
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(prefix.size() + length));
    if (!text) return nullptr;
    std::copy(prefix.begin(), prefix.end(), text);
    for (size_t i = 0; i < length; ++i)
        text[prefix.size() + i] = static_cast<OLECHAR>(static_cast<unsigned char>(ascii[i]));
    return text;
}

} // namespace

CEnumArray::CEnumArray(Element* element, DEBUGPROP_INFO_FLAGS fields)
    : m_element(orvel::ComPtr<Element>::Adopt(element->ReadyFromEnum())), m_fields(fields) {
    orvel::BstrHolder name(orvel::ElementNameText(m_element.get()));
    char narrow[FullNameSize];
    orvel::WideToNarrow(name.get(), static_cast<int>(name.Length()), narrow, FullNameSize);
    m_nameBytes = static_cast<int>(std::strlen(narrow));
    // The name as the full name's 8-bit buffer holds it, widened once for every row.
    OLECHAR wide[FullNameSize];
    m_name.assign(wide, orvel::NarrowToWide(narrow, m_nameBytes, wide, FullNameSize));
}

CEnumArray::~CEnumArray() = default;

HRESULT CEnumArray::Create(Element* element, DEBUGPROP_INFO_FLAGS fields,
                           IEnumDebugPropertyInfo2** out) {
    if (!element) return E_INVALIDARG;
    return orvel::CreateComObject<CEnumArray>(out, element, fields);
}

ULONG CEnumArray::TakeCount() {
    m_count = std::min<ULONG>(m_element->ChildCount(), MaxRows);
    return m_count;
}

void CEnumArray::PrefetchRows(orvel::DebuggeeReadCache& cache, ULONG rows) {
    if (rows == 0) return;
    ArrayDesc& shape = m_element->Array;
    shape.IndexToSubscripts(m_position);
    const uint32_t first = static_cast<uint32_t>(shape.ElementOffset());
    shape.IndexToSubscripts(m_position + rows - 1);
    const uint32_t last = static_cast<uint32_t>(shape.ElementOffset());
    // Elements laid out in index order lie between the first row's and the last row's;
    // any other layout is read as the cache misses.
    if (last < first || shape.ElemSize <= 0) return;
    m_element->SetProcess();
    cache.Prefetch(m_element->Process, m_element->Address + first,
                   size_t{last - first} + static_cast<size_t>(shape.ElemSize));
}

BSTR CEnumArray::TypeText(Element* child) {
    // Every element is made from the same record but for its address, and its type text
    // does not depend on the address: the first row's text serves them all.
    if (!m_type.get()) m_type.Reset(orvel::ElementTypeText(child));
    if (!m_type.get()) return nullptr;
    return SysAllocStringLen(m_type.get(), m_type.Length());
}

HRESULT STDMETHODCALLTYPE CEnumArray::Next(ULONG celt, DEBUG_PROPERTY_INFO* rgelt,
                                           ULONG* pceltFetched) {
    if (pceltFetched) *pceltFetched = 0;
    if (m_count == 0) TakeCount();
    if (NullArg(rgelt, "rgelt")) return E_INVALIDARG;
    for (ULONG i = 0; i < celt; ++i)
        rgelt[i] = DEBUG_PROPERTY_INFO{};
    const bool wantNames = (m_fields & (DEBUGPROP_INFO_FULLNAME | DEBUGPROP_INFO_NAME)) != 0;
    // The batch's values are read from the debuggee at once; the copy goes with the batch.
    orvel::DebuggeeReadCache cache;
    if (m_fields & DEBUGPROP_INFO_VALUE)
        PrefetchRows(cache, m_position < m_count ? std::min(celt, m_count - m_position) : 0);
    for (ULONG row = 0; row < celt && m_position < m_count; ++row) {
        orvel::ComPtr<Element> child =
            orvel::ComPtr<Element>::Adopt(m_element->GetChild(m_position));
        if (!child) break;
        BSTR fullName = nullptr;
        BSTR name = nullptr;
        if (wantNames) {
            // The subscripts get what the name leaves of the 8-bit full-name buffer.
            char subscripts[FullNameSize];
            m_element->Array.SubscriptText(m_position, subscripts, FullNameSize - m_nameBytes);
            const size_t length = std::strlen(subscripts);
            if (m_fields & DEBUGPROP_INFO_FULLNAME)
                fullName = JoinAscii(m_name, subscripts, length);
            if (m_fields & DEBUGPROP_INFO_NAME) name = JoinAscii({}, subscripts, length);
        }
        BSTR type = (m_fields & DEBUGPROP_INFO_TYPE) ? TypeText(child.get()) : nullptr;
        FillChildRow(child.get(), m_fields, fullName, name, rgelt[row], type);
        ++m_position;
        if (pceltFetched) ++*pceltFetched;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Skip(ULONG celt) {
    m_position += celt;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumArray::Clone(IEnumDebugPropertyInfo2** ppEnum) {
    if (NullArg(ppEnum, "ppEnum")) return E_INVALIDARG;
    return Create(m_element.get(), m_fields, ppEnum);
}

HRESULT STDMETHODCALLTYPE CEnumArray::GetCount(ULONG* pcelt) {
    if (NullArg(pcelt, "pcelt")) return E_INVALIDARG;
    *pcelt = TakeCount();
    return S_OK;
}
