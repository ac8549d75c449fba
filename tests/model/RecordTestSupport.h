// Helpers for the record reader's tests: blobs built field by field, a binder that only
// counts references, contexts and iterators owned by smart pointers, and the records a
// walk returns.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "debuginfo/DebugInfoCache.h"
#include "host/HostObjects.h"
#include "model/ExpressionContext.h"
#include "model/ExtraDebugInfo.h"
#include "platform/ComPtr.h"

namespace orvel::test {

using ContextPtr = ComPtr<ExpressionContext>;
using InfoPtr = ComPtr<ExtraDebugInfo>;

// Record bytes written the way the compiler lays them out.
class Blob {
public:
    Blob& Text(const std::string& text) {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
        return *this;
    }
    Blob& Word(uint32_t w) {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
        return *this;
    }
    Blob& Bytes(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Blob& Pad(size_t count) {
        m_bytes.insert(m_bytes.end(), count, 0);
        return *this;
    }
    // Name, flags, kind code, value word and size: the fixed part of every record.
    Blob& Record(const std::string& name, uint32_t flags, uint32_t kind, uint32_t value,
                 uint32_t size) {
        return Text(name).Word(flags).Word(kind).Word(value).Word(size);
    }
    Blob& Append(const Blob& other) { return Bytes(other.m_bytes); }

    const std::vector<uint8_t>& Get() const { return m_bytes; }
    int32_t Size() const { return static_cast<int32_t>(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
};

// Kind codes and flags of the record format, as the tests write them.
enum : uint32_t {
    KindInteger4 = 4,
    KindReal8 = 11,
    KindStructure = 14,
    KindString = 26,
    RecArray = 0x0001,
    RecPointer = 0x0002,
    RecStatic = 0x0008,
    RecCommon = 0x0010,
    RecAddress = 0x0020,
    RecLocal = 0x0040,
    RecConst = 0x0080,
    RecModule = 0x0100,
    RecArgument = 0x0200,
    RecHidden = 0x0400,
    RecDecorated = 0x0800,
    RecOfPrefix = 0x2000,
    RecDecoratedToo = 0x4000,
};

// A binder that answers nothing and counts its references.
class CountingBinder final : public IDebugBinder {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
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

    ULONG Refs() const { return m_refs; }

private:
    ULONG m_refs = 1;
};

inline ContextPtr NewContext(IDebugBinder* binder = nullptr) {
    return ContextPtr::Adopt(ExpressionContext::Create(nullptr, binder, nullptr, nullptr));
}

// An iterator over a copy of the blob.
inline InfoPtr NewInfo(const Blob& blob, ExpressionContext* cxt) {
    return InfoPtr::Adopt(
        ExtraDebugInfo::Create(blob.Get().data(), blob.Size(), cxt, /*Copy=*/true));
}

// Every record the walk gives.
inline std::vector<ExtraInfo> Walk(ExtraDebugInfo& info, bool includeHidden, bool keepCommons,
                                   const char* lookingFor = nullptr) {
    std::vector<ExtraInfo> records;
    ExtraInfo ex;
    info.Reset();
    while (info.Next(ex, includeHidden, keepCommons, lookingFor))
        records.push_back(ex);
    return records;
}

inline std::vector<std::string> Names(const std::vector<ExtraInfo>& records) {
    std::vector<std::string> names;
    for (const ExtraInfo& ex : records)
        names.emplace_back(ex.Name);
    return names;
}

// Empties the module-wide cache before and after each test that uses it.
struct CacheScope {
    CacheScope() { CacheClear(); }
    ~CacheScope() { CacheClear(); }
    CacheScope(const CacheScope&) = delete;
    CacheScope& operator=(const CacheScope&) = delete;
};

} // namespace orvel::test
