// Runs the debug-information record reader over arbitrary bytes, as a blob from a
// hostile debuggee: walks in every mode, counts, searches and dumps. COMMON blocks the
// blob names find the same bytes as their members, so that descent (and a block that
// names itself) is exercised too. Beyond the sanitizers' checks, it holds the reader to
// its contract: the walk ends, a record's texts are terminated inside their fields, the
// rank fits the record's arrays, and a found record carries the name asked for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "debuginfo/DebugInfoCache.h"
#include "host/HostObjects.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "platform/ComPtr.h"

namespace {

using InfoPtr = orvel::ComPtr<ExtraDebugInfo>;
using ContextPtr = orvel::ComPtr<ExpressionContext>;

// Records are wanted by a search only when the context has a binder; this one answers
// nothing.
class NullBinder final : public IDebugBinder {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Bind(IDebugObject*, IDebugField*, IDebugObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ResolveDynamicType(IDebugDynamicField*, IDebugField**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ResolveRuntimeType(IDebugObject*, IDebugField**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMemoryContext(IDebugField*, DWORD,
                                               IDebugMemoryContext2**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetFunctionObject(IDebugFunctionObject**) override {
        return E_NOTIMPL;
    }
};

void Fail(const char* what, const char* name) {
    std::fprintf(stderr, "FuzzRecords: %s (record \"%.64s\")\n", what, name);
    std::abort();
}

bool Terminated(const char* text, size_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

void Check(const ExtraInfo& ex) {
    if (!Terminated(ex.FullName, sizeof ex.FullName) || !Terminated(ex.Name, sizeof ex.Name) ||
        !Terminated(ex.ExtraTypeInfo, sizeof ex.ExtraTypeInfo))
        Fail("unterminated text", "");
    if (ex.Rank < 0 || ex.Rank > ExtraInfo::MaxRank) Fail("rank outside the arrays", ex.Name);
    char dump[2048];
    ex.Dump(dump, sizeof dump);
    if (!Terminated(dump, sizeof dump)) Fail("unterminated dump", ex.Name);
    char small[24];
    ex.Dump(small, sizeof small);
    if (!Terminated(small, sizeof small)) Fail("unterminated short dump", ex.Name);
}

// Every record of one walk; no walk can give more records than the blob has bytes.
std::vector<std::string> WalkAll(ExtraDebugInfo& info, bool includeHidden, bool keepCommons,
                                 size_t size, std::vector<ExtraInfo>* commons = nullptr) {
    std::vector<std::string> names;
    ExtraInfo ex;
    info.Reset();
    while (info.Next(ex, includeHidden, keepCommons, nullptr)) {
        Check(ex);
        names.emplace_back(ex.Name);
        if (commons && ex.IsCommon) commons->push_back(ex);
        // Each COMMON member walk reads the blob once more, and a member walk does not
        // descend: at most the blob's records twice over per block.
        if (names.size() > (size + 1) * (size + 1)) Fail("walk does not end", ex.Name);
    }
    return names;
}

void FindEach(ExtraDebugInfo& info, const std::vector<std::string>& names) {
    ExtraInfo ex;
    size_t tried = 0;
    for (const std::string& name : names) {
        if (++tried > 8) break;
        if (info.Find(name.c_str(), ex)) {
            Check(ex);
            // A search keeps COMMON blocks closed for names that begin with '/', so a
            // member found under such a name is impossible; any found record must match.
            std::string found = ex.Name;
            if (found.size() != name.size()) Fail("found another name", ex.Name);
        }
    }
    info.Find("/BLK/", ex);
    info.Find(OLESTR("x"), ex);
}

void Run(const uint8_t* data, size_t size) {
    static NullBinder binder;
    const int32_t length = static_cast<int32_t>(size);
    ContextPtr cxt =
        ContextPtr::Adopt(ExpressionContext::Create(nullptr, &binder, nullptr, nullptr));
    if (!cxt) return;
    CacheAddAddress("MODULE M", 0x1000);
    SetGlobalInfoRecords({{7, "GEOM!T~POINT", "POINT"}, {0xFFFFFFFF, "ALL!ONES", "ONES"}});

    // Straight over the caller's bytes: a read past them is caught.
    InfoPtr info = InfoPtr::Adopt(ExtraDebugInfo::Create(data, length, cxt.get(), false));
    if (!info) return;
    std::vector<ExtraInfo> commons;
    const std::vector<std::string> names = WalkAll(*info, true, true, size, &commons);

    // Every block named finds these same bytes as its members, at a made-up base.
    for (const ExtraInfo& block : commons) {
        char key[ExtraInfo::NameSize + 16];
        std::snprintf(key, sizeof key, block.CommonInstance > 0 ? "/%s/%d" : "/%s/", block.Name,
                      block.CommonInstance);
        if (!CacheLookup(key, CacheDebugInfo))
            CacheAddDebugInfo(key, data, static_cast<uint32_t>(size));
        std::snprintf(key, sizeof key, "/%s/", block.Name);
        CacheAddAddress(key, 0x2000);
    }

    WalkAll(*info, false, false, size);
    WalkAll(*info, true, false, size);
    WalkAll(*info, false, true, size);
    const int32_t count = info->Count(true);
    if (count < 0 || count != info->Count(false)) Fail("count changed", "");
    FindEach(*info, names);

    // The context holding its own records, dropped in the middle of a walk.
    cxt->DebugInfo = InfoPtr::Adopt(ExtraDebugInfo::Create(data, length, cxt.get(), true));
    if (cxt->DebugInfo) {
        ExtraInfo ex;
        for (int i = 0; i < 3 && cxt->DebugInfo->Next(ex, false, false, nullptr); ++i)
            Check(ex);
    }
    info = nullptr;
    cxt = nullptr;
    CacheClear();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    Run(data, size);
    return 0;
}
