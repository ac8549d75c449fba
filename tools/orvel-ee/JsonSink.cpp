#include "JsonSink.h"

#include "OleTextUtf8.h"
#include "platform/Utf8.h"

namespace {

// A character JSON does not take as it is: quote, backslash, C0 controls.
void AppendEscape(std::string& out, char32_t c) {
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    static const char kHex[] = "0123456789abcdef";
    const char escaped[] = {'\\', 'u', '0', '0', kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
    out.append(escaped, sizeof escaped);
}

} // namespace

void JsonSink::AppendString(std::string& out, OleText text) {
    out += '"';
    ForEachCodePoint(text, [&out](char32_t c) {
        if (c >= 0x20 && c != '"' && c != '\\')
            AppendCodePoint(out, c);
        else
            AppendEscape(out, c);
    });
    out += '"';
}

void JsonSink::AppendKey(const char* key) {
    std::string& text = m_out.Text();
    text += ",\"";
    text += key;
    text += "\":";
}

void JsonSink::AppendRowFields(const PropertyRow& row) {
    std::string& text = m_out.Text();
    text += "\"name\":";
    AppendString(text, row.name);
    AppendKey("fullName");
    AppendString(text, row.fullName);
    AppendKey("type");
    AppendString(text, row.type);
    AppendKey("value");
    AppendString(text, row.value);
    AppendKey("attrib");
    m_out.AppendDecimal(row.attrib);
    AppendKey("expandable");
    text += row.Expandable() ? "true" : "false";
}

void JsonSink::BeginResult(const ResultHeader& header, const PropertyRow* row) {
    std::string& text = m_out.Text();
    const std::u16string expr = orvel::Utf8ToUtf16(header.expr);
    text += "{\"expr\":";
    AppendString(text, OleText(reinterpret_cast<const OLECHAR*>(expr.data()), expr.size()));
    AppendKey("parse");
    text += '"';
    m_out.AppendHresult(header.parse);
    text += '"';
    if (!header.evaluated) return;
    AppendKey("eval");
    text += '"';
    m_out.AppendHresult(header.eval);
    text += '"';
    if (row) {
        text += ',';
        AppendRowFields(*row);
        return;
    }
    // No property to ask: the keys stay, with nothing to say.
    text += ",\"name\":null,\"fullName\":null,\"type\":null,\"value\":null,\"attrib\":0,"
            "\"expandable\":false";
}

void JsonSink::BeginChild(const PropertyRow& row) {
    std::string& text = m_out.Text();
    if (!m_listHasRows.empty()) {
        if (m_listHasRows.back()) text += ',';
        m_listHasRows.back() = true;
    }
    text += '{';
    AppendRowFields(row);
}

void JsonSink::BeginEdited(const PropertyRow& row, HRESULT hr, const char* outcome) {
    std::string& text = m_out.Text();
    text += '{';
    AppendRowFields(row);
    AppendKey("hr");
    text += '"';
    m_out.AppendHresult(hr);
    text += '"';
    AppendKey("outcome");
    text += '"';
    text += outcome; // one of the tool's own words: nothing to escape
    text += '"';
}

void JsonSink::EndRow() {
    m_out.Append('}');
    if (m_listHasRows.empty()) m_out.Append('\n');
    // Also inside a list: one expansion can be a single line of a hundred megabytes.
    m_out.FlushIfFull();
}

void JsonSink::BeginChildren() {
    m_out.Text() += ",\"children\":[";
    m_listHasRows.push_back(false);
}

void JsonSink::EndChildren(const RowsLeft&) {
    // The format has no place for the rows left out: the list's length is what a
    // reader compares with the cut.
    m_out.Append(']');
    if (!m_listHasRows.empty()) m_listHasRows.pop_back();
    m_out.FlushIfFull();
}
