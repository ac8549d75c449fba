#include "LocalsPath.h"

#include <algorithm>

#include "OleTextUtf8.h"
#include "PropertyRecords.h"

namespace {

constexpr DWORD kRadix = 10;
constexpr DWORD kNoTimeout = 0xFFFFFFFF;
constexpr ULONG kBatch = 100;

OLECHAR FoldCase(OLECHAR c) {
    return c >= 'a' && c <= 'z' ? static_cast<OLECHAR>(c - 'a' + 'A') : c;
}

bool SameName(OleText a, const std::basic_string<OLECHAR>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](OLECHAR x, OLECHAR y) { return FoldCase(x) == FoldCase(y); });
}

// The record of the first row whose name is name, into found. Whole records: the row's
// texts are the ones its parent's enumerator gives, as the window shows them.
bool FindChild(IDebugProperty2* parent, const GUID& filter, const std::basic_string<OLECHAR>& name,
               PropertyRecords& found) {
    orvel::ComPtr<IEnumDebugPropertyInfo2> rows;
    if (!parent ||
        FAILED(parent->EnumChildren(DEBUGPROP_INFO_ALL, kRadix, filter, DBG_ATTRIB_NONE, nullptr,
                                    kNoTimeout, rows.put())) ||
        !rows)
        return false;
    PropertyRecords batch(kBatch);
    for (;;) {
        ULONG fetched = 0;
        // Rows that come with S_FALSE count: some views end that way.
        if (FAILED(rows->Next(kBatch, batch.put(), &fetched))) return false;
        fetched = std::min(fetched, kBatch);
        for (ULONG i = 0; i < fetched; ++i) {
            if (SameName(batch.Row(i).name, name)) {
                batch.HandOver(i, found);
                return true;
            }
        }
        if (fetched < kBatch) return false;
    }
}

} // namespace

bool LocalsPath::Parse(const std::string& text) {
    m_names.clear();
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(text.find('%', start), text.size());
        if (end == start) return false;
        m_names.push_back(OleTextOf(std::string_view(text).substr(start, end - start)));
        if (end == text.size()) return true;
        start = end + 1;
    }
}

bool LocalsPath::Find(HostSession& session, const GUID& filter, PropertyRecords& row) const {
    row.Reset();
    orvel::ComPtr<IDebugProperty2> method;
    if (m_names.empty() || FAILED(session.MethodProperty(method.put())) || !method) return false;
    // The parent's property is held while its child's record is taken over.
    orvel::ComPtr<IDebugProperty2> parent = std::move(method);
    for (const std::basic_string<OLECHAR>& name : m_names) {
        if (!FindChild(parent.get(), filter, name, row)) return false;
        parent = orvel::ComPtr<IDebugProperty2>(row.Property(0));
    }
    return true;
}
