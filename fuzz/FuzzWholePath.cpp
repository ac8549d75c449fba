// Runs the whole evaluator, through its COM surface, over a hostile program served by
// the substitute host. The input is three parts split by NUL bytes:
//
//   snapshot JSON \0 watch expressions, one a line \0 damage
//
// The snapshot is loaded as the host would serve it; the damage then corrupts what the
// debuggee hands over — attribute blobs (records with wrong lengths, ranks, kinds,
// offsets and names), the memory image (pointer chains, descriptors, CHARACTER
// lengths) and the fields themselves. The image is placed in this process, so no
// helper is started per input. Every watch is parsed, evaluated, shown with every
// field and expanded three levels deep; the locals window is listed in every view and
// a few rows are edited. Beyond the sanitizers, the contract is held: every call
// returns, every text is terminated, enumerators keep their counts, and every object
// made is gone once the input's host is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "debuginfo/DebugInfoCache.h"
#include "host/HostIds.h"
#include "host/HostInterfaces.h"
#include "model/LiveCounts.h"
#include "module/CEEFactory.h"
#include "platform/Bstr.h"
#include "platform/ComObject.h"
#include "platform/ComPtr.h"
#include "simhost/com/LiveObjects.h"
#include "simhost/com/SimHost.h"
#include "simhost/snapshot/SnapshotLoader.h"

namespace {

using orvel::ComPtr;

constexpr size_t MaxWatches = 4;
constexpr size_t MaxWatchLength = 300;
constexpr size_t MaxDamage = 48;
constexpr int MaxDepth = 3;
constexpr ULONG Batch = 5;
constexpr size_t MaxRowsPerList = 40; // enough to reach every kind of row, not all of them
constexpr int MaxEdits = 3;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "FuzzWholePath: %s\n", what);
    std::abort();
}

void CheckText(BSTR text) {
    if (!text) return;
    const UINT length = SysStringLen(text);
    if (text[length] != 0) Fail("a text is not terminated");
}

// Reads the damage, one operation at a time; runs dry as zeros.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_at >= m_size; }
    uint32_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    uint32_t Word() { return Byte() | (Byte() << 8); }
    uint32_t Long() { return Word() | (Word() << 16); }
    std::vector<uint8_t> Bytes(size_t count) {
        std::vector<uint8_t> out;
        while (out.size() < count && !Done())
            out.push_back(static_cast<uint8_t>(Byte()));
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Changes one byte string: overwrite, cut, insert or flip bits at an offset.
void Damage(std::vector<uint8_t>& bytes, Reader& in, bool mayResize) {
    const uint32_t how = in.Byte();
    const size_t at = bytes.empty() ? 0 : in.Word() % (bytes.size() + 1);
    const std::vector<uint8_t> data = in.Bytes(in.Byte() % 16);
    switch (how % (mayResize ? 4 : 2)) {
    case 0:
        for (size_t i = 0; i < data.size() && at + i < bytes.size(); ++i)
            bytes[at + i] = data[i];
        break;
    case 1:
        for (size_t i = 0; i < data.size() && at + i < bytes.size(); ++i)
            bytes[at + i] ^= data[i];
        break;
    case 2:
        bytes.resize(at);
        break;
    default:
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), data.begin(), data.end());
        break;
    }
}

void DamageProgram(orvel::sim::HostProgram& program, Reader& in) {
    std::vector<std::vector<uint8_t>*> blobs;
    for (orvel::sim::HostField& field : program.fields)
        for (auto& attribute : field.attributes)
            blobs.push_back(&attribute.second);
    for (size_t n = 0; n < MaxDamage && !in.Done(); ++n) {
        const uint32_t what = in.Byte() % 4;
        if (what == 0 && !blobs.empty()) {
            Damage(*blobs[in.Word() % blobs.size()], in, true);
        } else if (what == 1 && !program.memory.empty()) {
            // The image keeps its size: its regions were laid out not to overlap.
            Damage(program.memory[in.Word() % program.memory.size()].bytes, in, false);
        } else if (what == 2 && !program.fields.empty()) {
            orvel::sim::HostField& field = program.fields[in.Word() % program.fields.size()];
            const uint32_t value = in.Long();
            switch (in.Byte() % 5) {
            case 0:
                field.kind ^= value;
                break;
            case 1:
                field.size = value;
                break;
            case 2:
                field.arrayRank = value % 64;
                break;
            case 3:
                field.arrayCount = value;
                break;
            default:
                field.modifiers ^= value;
                break;
            }
        } else if (what == 3 && !program.fields.empty()) {
            orvel::sim::HostField& field = program.fields[in.Word() % program.fields.size()];
            const std::vector<uint8_t> name = in.Bytes(in.Byte() % 24);
            field.name.assign(name.begin(), name.end());
        }
    }
}

struct Session {
    ComPtr<IDebugExpressionEvaluator> evaluator;
    ComPtr<IDebugSymbolProvider> provider;
    ComPtr<IDebugBinder> binder;
    ComPtr<IDebugAddress> stop;
};

// Every field of the row; its property when it has one.
ComPtr<IDebugProperty2> TakeInfo(DEBUG_PROPERTY_INFO& info) {
    for (BSTR text : {info.bstrFullName, info.bstrName, info.bstrType, info.bstrValue})
        CheckText(text);
    SysFreeString(info.bstrFullName);
    SysFreeString(info.bstrName);
    SysFreeString(info.bstrType);
    SysFreeString(info.bstrValue);
    ComPtr<IDebugProperty2> property = ComPtr<IDebugProperty2>::Adopt(info.pProperty);
    info = DEBUG_PROPERTY_INFO{};
    return property;
}

void Show(IDebugProperty2* property) {
    DEBUG_PROPERTY_INFO info{};
    if (property->GetPropertyInfo(DEBUGPROP_INFO_ALL, 10, 0, nullptr, 0, &info) == S_OK)
        TakeInfo(info);
    else if (info.bstrName || info.bstrValue || info.pProperty)
        Fail("a failed GetPropertyInfo handed something out");
}

void Expand(IDebugProperty2* property, const GUID& filter, int depth, int* edits);

// The rows of one enumerator, fetched in batches; each expandable one expanded further.
void List(IEnumDebugPropertyInfo2* rows, int depth, int* edits) {
    // A count taken from hostile records may overstate the rows (a COMMON block's member
    // count is the blob's word); the rows given must never exceed it.
    ULONG count = 0;
    const bool counted = rows->GetCount(&count) == S_OK;
    std::vector<ComPtr<IDebugProperty2>> expandable;
    size_t seen = 0;
    while (seen < MaxRowsPerList) {
        DEBUG_PROPERTY_INFO infos[Batch] = {};
        ULONG fetched = 0;
        const HRESULT hr = rows->Next(Batch, infos, &fetched);
        if (fetched > Batch) Fail("Next fetched more rows than asked for");
        for (ULONG i = 0; i < fetched; ++i) {
            const DBG_ATTRIB_FLAGS attrib = infos[i].dwAttrib;
            ComPtr<IDebugProperty2> row = TakeInfo(infos[i]);
            if (!row) continue;
            if ((attrib & DBG_ATTRIB_OBJ_IS_EXPANDABLE) && depth < MaxDepth)
                expandable.push_back(row);
            if (*edits < MaxEdits && !(attrib & DBG_ATTRIB_VALUE_READONLY) && seen % 7 == 0) {
                ++*edits;
                row->SetValueAsString(seen % 2 ? OLESTR("-1") : OLESTR("2 * 3"), 10, 0);
                Show(row.get());
            }
        }
        seen += fetched;
        if (counted && seen > count) Fail("an enumerator gave more rows than it counted");
        if (hr != S_OK || fetched < Batch) break;
    }
    for (const ComPtr<IDebugProperty2>& row : expandable)
        Expand(row.get(), GUID{}, depth + 1, edits);
}

void Expand(IDebugProperty2* property, const GUID& filter, int depth, int* edits) {
    ComPtr<IEnumDebugPropertyInfo2> rows;
    if (property->EnumChildren(DEBUGPROP_INFO_ALL, 10, filter, 0, nullptr, 0, rows.put()) == S_OK &&
        rows)
        List(rows.get(), depth, edits);
}

void Watch(const Session& s, const std::string& text, int* edits) {
    std::basic_string<OLECHAR> wide(text.begin(), text.end());
    ComPtr<IDebugParsedExpression> parsed;
    BSTR error = nullptr;
    UINT at = 0;
    const HRESULT hr = s.evaluator->Parse(wide.c_str(), 0, 10, &error, &at, parsed.put());
    CheckText(error);
    SysFreeString(error);
    if (hr != S_OK || !parsed) return;
    ComPtr<IDebugProperty2> result;
    if (parsed->EvaluateSync(0, 0, s.provider.get(), s.stop.get(), s.binder.get(), nullptr,
                             result.put()) != S_OK ||
        !result)
        return;
    Show(result.get());
    Expand(result.get(), GUID{}, 1, edits);
}

void Locals(const Session& s, int* edits) {
    ComPtr<IDebugProperty2> method;
    if (s.evaluator->GetMethodProperty(s.provider.get(), s.stop.get(), s.binder.get(), FALSE,
                                       method.put()) != S_OK ||
        !method)
        return;
    Show(method.get());
    for (const GUID* filter : {&guidFilterLocals, &guidFilterAllLocals, &guidFilterArgs,
                               &guidFilterLocalsPlusArgs, &guidFilterAllLocalsPlusArgs,
                               &guidFilterRegisters, &guidFilterThis, &guidFilterAutoRegisters})
        Expand(method.get(), *filter, 1, edits);
}

std::vector<std::string> Watches(const uint8_t* data, size_t size) {
    std::vector<std::string> out;
    std::string line;
    for (size_t i = 0; i <= size && out.size() < MaxWatches; ++i) {
        if (i == size || data[i] == '\n') {
            if (!line.empty()) out.push_back(line);
            line.clear();
        } else if (line.size() < MaxWatchLength) {
            line.push_back(static_cast<char>(data[i]));
        }
    }
    return out;
}

void Run(const uint8_t* data, size_t size) {
    const uint8_t* end = data + size;
    const uint8_t* firstNul = std::find(data, end, 0);
    const uint8_t* watches = firstNul == end ? end : firstNul + 1;
    const uint8_t* secondNul = std::find(watches, end, 0);
    const uint8_t* damage = secondNul == end ? end : secondNul + 1;

    orvel::sim::HostProgram program;
    if (!orvel::sim::LoadSnapshot(std::string(data, firstNul), &program, nullptr)) return;
    Reader in(damage, static_cast<size_t>(end - damage));
    DamageProgram(program, in);

    std::unique_ptr<orvel::sim::SimHost> host;
    if (orvel::sim::SimHost::Start(std::move(program), &host, nullptr,
                                   orvel::sim::DebuggeeKind::ThisProcess) != S_OK)
        return;
    Session s;
    ComPtr<IClassFactory> factory;
    if (orvel::CEEFactory::Create(factory.put()) != S_OK ||
        factory->CreateInstance(nullptr, IID_IDebugExpressionEvaluator,
                                reinterpret_cast<void**>(s.evaluator.put())) != S_OK)
        Fail("no evaluator");
    if (host->GetSymbolProvider(s.provider.put()) != S_OK ||
        host->GetBinder(s.binder.put()) != S_OK || host->GetStopAddress(s.stop.put()) != S_OK)
        Fail("the host hands out no scope");
    int edits = 0;
    for (const std::string& text : Watches(watches, static_cast<size_t>(secondNul - watches)))
        Watch(s, text, &edits);
    Locals(s, &edits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const long objects = orvel::ObjectCount().load();
    CacheClear();
    Run(data, size);
    CacheClear();
    if (orvel::sim::LiveObjects() != 0) Fail("a host object was not released");
    if (orvel::ObjectCount().load() != objects) Fail("a property or enumerator leaked");
    if (orvel::model::LiveElements() != 0) Fail("an Element leaked");
    if (orvel::model::LiveContexts() != 0) Fail("a context leaked");
    if (orvel::model::LiveRecordIterators() != 0) Fail("a record iterator leaked");
    return 0;
}
