#include "LocalsEditor.h"

#include <cstdio>
#include <iterator>

#include "HresultText.h"
#include "JsonSink.h"
#include "LocalsPath.h"
#include "OleTextUtf8.h"
#include "PropertyRecords.h"
#include "TableSink.h"
#include "TerminalWidth.h"

namespace {

constexpr DWORD kRadix = 10;

enum class Outcome { Stored, NotStored, Failed, NotReadBack, Count };

// ORDER Outcome
const char* const kOutcomeText[] = {"stored", "evaluated, not stored", "failed", "not read back"};
static_assert(std::size(kOutcomeText) == static_cast<size_t>(Outcome::Count),
              "one text per Outcome");

} // namespace

int LocalsEditor::Set(const std::string& path, const std::string& text, bool json,
                      OutputBuffer& out, std::string* error) {
    const GUID& filter = LocalsFilterGuid(m_filter);
    LocalsPath names;
    PropertyRecords before(1);
    if (!names.Parse(path) || !names.Find(m_session, filter, before) || !before.Property(0)) {
        *error = "no row '" + path + "' in the " + LocalsFilterName(m_filter) + " view";
        return 2;
    }
    const std::basic_string<OLECHAR> newText = OleTextOf(text);
    const HRESULT hr = before.Property(0)->SetValueAsString(newText.c_str(), kRadix, 0);

    // The row as the debuggee has it now, from a new walk; the earlier row if it is gone.
    PropertyRecords after(1);
    const bool readBack = names.Find(m_session, filter, after);
    const PropertyRow shown = readBack ? after.Row(0) : before.Row(0);
    Outcome outcome = Outcome::Failed;
    if (SUCCEEDED(hr)) {
        if (!readBack)
            outcome = Outcome::NotReadBack;
        else
            outcome = shown.value == before.Row(0).value ? Outcome::NotStored : Outcome::Stored;
    }
    const char* said = kOutcomeText[static_cast<size_t>(outcome)];

    if (json) {
        JsonSink sink(out);
        sink.BeginEdited(shown, hr, said);
        sink.EndRow();
        sink.Finish();
    } else {
        out.Append("SetValueAsString gave " + HresultText(hr) + ": " + said + "\n");
        TableSink sink(out, OutputWidth(stdout));
        sink.BeginChild(shown);
        sink.EndRow();
        sink.Finish();
    }
    return hr == S_OK ? 0 : 1;
}
