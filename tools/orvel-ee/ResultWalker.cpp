#include "ResultWalker.h"

#include <algorithm>

#include "PropertyRecords.h"

namespace {

constexpr DWORD kRadix = 10;
constexpr DWORD kNoTimeout = 0xFFFFFFFF;
// Rows asked of the enumerator at a time: few calls, little held at once.
constexpr ULONG kBatch = 100;
const GUID kNoFilter{};

} // namespace

bool ResultWalker::Show(const std::string& expr) {
    ResultHeader header;
    header.expr = expr;
    orvel::ComPtr<IDebugParsedExpression> parsed;
    header.parse = m_session.Parse(expr, parsed.put());
    if (header.parse != S_OK) {
        m_sink.BeginResult(header, nullptr);
        m_sink.EndRow();
        return false;
    }
    header.evaluated = true;
    orvel::ComPtr<IDebugProperty2> property;
    header.eval = parsed ? m_session.Evaluate(parsed.get(), property.put()) : E_POINTER;
    PropertyRecords info(1);
    if (FAILED(header.eval) || !property ||
        FAILED(property->GetPropertyInfo(DEBUGPROP_INFO_ALL, kRadix, kNoTimeout, nullptr, 0,
                                         info.put()))) {
        m_sink.BeginResult(header, nullptr);
        m_sink.EndRow();
        return true;
    }
    const PropertyRow row = info.Row(0);
    m_sink.BeginResult(header, &row);
    ShowChildren(property.get(), row.Expandable(), kNoFilter, 0);
    m_sink.EndRow();
    return true;
}

bool ResultWalker::ShowLocals(const GUID& filter) {
    orvel::ComPtr<IDebugProperty2> method;
    orvel::ComPtr<IEnumDebugPropertyInfo2> rows;
    if (FAILED(m_session.MethodProperty(method.put())) || !method ||
        FAILED(method->EnumChildren(DEBUGPROP_INFO_ALL, kRadix, filter, DBG_ATTRIB_NONE, nullptr,
                                    kNoTimeout, rows.put())) ||
        !rows)
        return false;
    PropertyRecords batch(kBatch);
    for (;;) {
        ULONG fetched = 0;
        // Some views end with S_FALSE and their last rows in the same call.
        if (FAILED(rows->Next(kBatch, batch.put(), &fetched))) break;
        fetched = std::min(fetched, kBatch);
        for (ULONG i = 0; i < fetched; ++i) {
            const PropertyRow row = batch.Row(i);
            m_sink.BeginChild(row);
            ShowChildren(batch.Property(i), row.Expandable(), filter, 0);
            m_sink.EndRow();
        }
        if (fetched < kBatch) break;
    }
    return true;
}

void ResultWalker::ShowChildren(IDebugProperty2* property, bool expandable, const GUID& filter,
                                int level) {
    if (level >= m_limits.depth) return;
    m_sink.BeginChildren();
    orvel::ComPtr<IEnumDebugPropertyInfo2> children;
    if (expandable && property &&
        SUCCEEDED(property->EnumChildren(DEBUGPROP_INFO_ALL, kRadix, filter, DBG_ATTRIB_NONE,
                                         nullptr, kNoTimeout, children.put())) &&
        children) {
        ListChildren(children.get(), filter, level);
        return;
    }
    m_sink.EndChildren(RowsLeft{});
}

void ResultWalker::ListChildren(IEnumDebugPropertyInfo2* children, const GUID& filter, int level) {
    PropertyRecords batch(kBatch);
    uint64_t listed = 0;
    bool exhausted = false;
    while (listed < m_limits.maxRows) {
        const auto wanted =
            static_cast<ULONG>(std::min<uint64_t>(kBatch, m_limits.maxRows - listed));
        ULONG fetched = 0;
        const HRESULT hr = children->Next(wanted, batch.put(), &fetched);
        if (FAILED(hr)) {
            exhausted = true;
            break;
        }
        fetched = std::min(fetched, wanted);
        for (ULONG i = 0; i < fetched; ++i) {
            const PropertyRow row = batch.Row(i);
            m_sink.BeginChild(row);
            ShowChildren(batch.Property(i), row.Expandable(), filter, level + 1);
            m_sink.EndRow();
        }
        listed += fetched;
        if (fetched < wanted) {
            exhausted = true;
            break;
        }
    }
    batch.Reset();

    RowsLeft left;
    if (!exhausted) {
        // Cut at --max-rows: say how many rows were left out.
        ULONG count = 0;
        if (SUCCEEDED(children->GetCount(&count))) {
            left.count = count > listed ? count - listed : 0;
        } else {
            ULONG fetched = 0;
            PropertyRecords probe(1);
            left.known = false;
            if (FAILED(children->Next(1, probe.put(), &fetched)) || fetched == 0) left = RowsLeft{};
        }
    }
    m_sink.EndChildren(left);
}
