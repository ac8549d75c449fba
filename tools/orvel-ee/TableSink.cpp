#include "TableSink.h"

#include <algorithm>
#include <cstdio>

#include "HresultText.h"
#include "OleTextUtf8.h"
#include "platform/Utf8.h"

namespace {

constexpr size_t kGap = 2;       // spaces between columns
constexpr size_t kMinColumn = 8; // no column is cut narrower than this
constexpr size_t kIndent = 2;    // per level of children

// A cell's text in UTF-8. Control characters would break the line or move the cursor,
// so they are shown as escapes.
std::string CellText(OleText text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&out](char32_t c) {
        if (c >= 0x20 && c != 0x7F) {
            AppendCodePoint(out, c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
            out += escaped;
        }
    });
    return out;
}

// Columns on the screen: one per code point (no wide characters in our texts).
size_t Columns(const std::string& text) {
    size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

// Byte length of text's first `columns` code points.
size_t PrefixBytes(const std::string& text, size_t columns) {
    size_t bytes = 0;
    for (size_t seen = 0; bytes < text.size(); ++bytes) {
        if ((static_cast<unsigned char>(text[bytes]) & 0xC0) != 0x80 && seen++ == columns) break;
    }
    return bytes;
}

// text cut to limit columns, its end replaced by "..." where it was cut. Returns the
// columns written.
size_t AppendCell(OutputBuffer& out, const std::string& text, size_t limit) {
    const size_t columns = Columns(text);
    if (columns <= limit) {
        out.Append(text);
        return columns;
    }
    const size_t kept = limit > 3 ? limit - 3 : limit;
    out.Append(std::string_view(text.data(), PrefixBytes(text, kept)));
    if (limit > 3) out.Append("...");
    return limit;
}

void Pad(OutputBuffer& out, size_t written, size_t width) {
    if (written < width) out.Append(width - written, ' ');
}

} // namespace

TableSink::TableSink(OutputBuffer& out, int width, bool header) : m_out(out), m_width(width) {
    if (header) m_held.push_back(Line{0, "Name", "Value", "Type"});
}

void TableSink::BeginResult(const ResultHeader& header, const PropertyRow* row) {
    m_depth = 0;
    if (row) {
        Add(Line{0, CellText(row->name), CellText(row->value), CellText(row->type)});
        return;
    }
    const std::u16string expr = orvel::Utf8ToUtf16(header.expr);
    Line line{
        0, CellText(OleText(reinterpret_cast<const OLECHAR*>(expr.data()), expr.size())), {}, {}};
    if (header.parse == S_FALSE)
        line.value = "(syntax error)";
    else if (header.parse != S_OK)
        line.value = "(Parse failed: " + HresultText(header.parse) + ")";
    else
        line.value = "(EvaluateSync failed: " + HresultText(header.eval) + ")";
    Add(std::move(line));
}

void TableSink::BeginChild(const PropertyRow& row) {
    Add(Line{m_depth, CellText(row.name), CellText(row.value), CellText(row.type)});
}

void TableSink::EndRow() {}

void TableSink::BeginChildren() {
    ++m_depth;
}

void TableSink::EndChildren(const RowsLeft& left) {
    if (left.count > 0 || !left.known) {
        Line line{m_depth, "...", {}, {}};
        if (left.known) line.name += " " + std::to_string(left.count);
        line.name += " more";
        Add(std::move(line));
    }
    if (m_depth > 0) --m_depth;
}

void TableSink::Finish() {
    if (!m_laidOut) Layout();
    m_out.Flush();
}

void TableSink::Add(Line line) {
    if (m_laidOut) {
        Write(line, false);
        m_out.FlushIfFull();
        return;
    }
    m_held.push_back(std::move(line));
    if (m_held.size() >= kMeasuredRows) Layout();
}

void TableSink::Layout() {
    size_t name = 0, value = 0, type = 0;
    for (const Line& line : m_held) {
        name = std::max(name, kIndent * line.depth + Columns(line.name));
        value = std::max(value, Columns(line.value));
        type = std::max(type, Columns(line.type));
    }
    const size_t width = static_cast<size_t>(m_width);
    if (m_width > 0 && name + value + type + 2 * kGap > width) {
        const size_t avail = width > 2 * kGap ? width - 2 * kGap : 0;
        if (avail < 3 * kMinColumn) {
            name = value = type = std::max<size_t>(avail / 3, 1);
        } else {
            const size_t cap = std::max(kMinColumn, avail / 4);
            size_t nameWidth = std::min(name, cap);
            size_t typeWidth = std::min(type, cap);
            size_t valueWidth = avail - nameWidth - typeWidth;
            // What the value does not need goes back to the name, then to the type.
            if (valueWidth > value) {
                size_t spare = valueWidth - value;
                valueWidth = value;
                const size_t toName = std::min(spare, name - nameWidth);
                nameWidth += toName;
                spare -= toName;
                typeWidth += std::min(spare, type - typeWidth);
            }
            name = nameWidth;
            value = valueWidth;
            type = typeWidth;
        }
    }
    m_nameWidth = name;
    m_valueWidth = value;
    m_typeWidth = type;
    m_laidOut = true;
    for (const Line& line : m_held) {
        Write(line, true);
        m_out.FlushIfFull();
    }
    m_held.clear();
    m_held.shrink_to_fit();
}

void TableSink::Write(const Line& line, bool measured) {
    std::string name(kIndent * line.depth, ' ');
    name += line.name;
    // A row that came after the widths were set may be wider than its columns. It keeps
    // its text and only loses alignment while the whole line still fits; beyond that
    // its cells are cut to the columns, as the measured rows' are.
    const size_t natural = Columns(name) + Columns(line.value) + Columns(line.type) + 2 * kGap;
    const bool cut = m_width > 0 && (measured || natural > static_cast<size_t>(m_width));
    const auto limit = [cut](size_t width) { return cut ? width : size_t(-1); };
    size_t written = AppendCell(m_out, name, limit(m_nameWidth));
    if (!line.value.empty() || !line.type.empty()) {
        Pad(m_out, written, m_nameWidth);
        m_out.Append(kGap, ' ');
        written = AppendCell(m_out, line.value, limit(m_valueWidth));
        if (!line.type.empty()) {
            Pad(m_out, written, m_valueWidth);
            m_out.Append(kGap, ' ');
            AppendCell(m_out, line.type, limit(m_typeWidth));
        }
    }
    m_out.Append('\n');
}
