#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "debuginfo/AcquisitionSupport.h"
#include "debuginfo/DebugInfoAcquisition.h"
#include "debuginfo/DebugInfoCache.h"
#include "host/HostInterfaces.h"

using orvel::ComPtr;

namespace {

// The prolog and the attribute's first fixed argument come before the count.
constexpr size_t kGlobalPayloadOffset = 6;
// Smallest record: a 32-bit value and an empty name's NUL.
constexpr size_t kMinRecord = 5;
// Longest name kept, without its NUL; longer names are cut there.
constexpr size_t kMaxGlobalName = GlobalNameCapacity - 1;

// Reads blobs laid out by the compiler, trusting nothing: every read checks the bytes
// left first.
class PayloadReader {
public:
    PayloadReader(const uint8_t* bytes, size_t length) : m_at(bytes), m_left(length) {}

    size_t Left() const { return m_left; }

    bool Word(uint32_t& value) {
        if (m_left < 4) return false;
        value = uint32_t{m_at[0]} | uint32_t{m_at[1]} << 8 | uint32_t{m_at[2]} << 16 |
                uint32_t{m_at[3]} << 24;
        Skip(4);
        return true;
    }

    // A NUL-terminated name; false when the NUL is missing.
    bool Name(std::string& name) {
        const void* nul = std::memchr(m_at, 0, m_left);
        if (!nul) return false;
        const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - m_at);
        name.assign(reinterpret_cast<const char*>(m_at), std::min(length, kMaxGlobalName));
        Skip(length + 1);
        return true;
    }

private:
    void Skip(size_t n) {
        m_at += n;
        m_left -= n;
    }
    const uint8_t* m_at;
    size_t m_left;
};

// After the first '!', then after the first '~' of what is left.
std::string ShortNameOf(const std::string& full) {
    std::string rest = full.substr(full.find('!') == std::string::npos ? 0 : full.find('!') + 1);
    const size_t tilde = rest.find('~');
    return tilde == std::string::npos ? rest : rest.substr(tilde + 1);
}

// A payload cut short keeps the records read before the cut: they are whole, and the
// names they give are as the compiler wrote them.
std::vector<GlobalInfoRecord> ParseGlobalNames(const std::vector<uint8_t>& blob) {
    std::vector<GlobalInfoRecord> records;
    if (blob.size() <= kGlobalPayloadOffset) return records;
    PayloadReader reader(blob.data() + kGlobalPayloadOffset, blob.size() - kGlobalPayloadOffset);
    uint32_t count = 0;
    if (!reader.Word(count) || static_cast<int32_t>(count) <= 0) return records;
    // No more records than the bytes left could hold, whatever the count says.
    records.reserve(std::min<size_t>(count, reader.Left() / kMinRecord));
    for (uint32_t i = 0; i < count; ++i) {
        GlobalInfoRecord record;
        if (!reader.Word(record.Value) || !reader.Name(record.FullName)) break;
        record.ShortName = ShortNameOf(record.FullName);
        records.push_back(std::move(record));
    }
    return records;
}

// The blob of the global attribute on Field, when Field is a class that carries it.
bool GlobalBlobOf(IDebugField* field, std::vector<uint8_t>& blob) {
    FIELD_KIND kind = 0;
    if (FAILED(field->GetKind(&kind)) || !(kind & FIELD_TYPE_CLASS)) return false;
    ComPtr<IDebugCustomAttributeQuery> query;
    if (FAILED(ComPtr<IDebugField>(field).As(query)) || !query) return false;
    return ReadAttributeBlob(query.get(), kDebugGlobalInfoAttribute, blob);
}

// Deeper nesting than this is a host that loops, not a program.
constexpr int kMaxContainerDepth = 64;

} // namespace

void ReadGlobalDebugInfo(IDebugField* Field) {
    SetGlobalInfoRead(true);
    if (!Field) return;
    try {
        std::vector<uint8_t> blob;
        ComPtr<IDebugField> at(Field);
        for (int depth = 0; at && depth < kMaxContainerDepth; ++depth) {
            if (GlobalBlobOf(at.get(), blob)) {
                SetGlobalInfoRecords(ParseGlobalNames(blob));
                return;
            }
            ComPtr<IDebugContainerField> container;
            if (FAILED(at->GetContainer(container.put()))) return;
            at = ComPtr<IDebugField>(container.get());
        }
    } catch (const std::bad_alloc&) {
        // Out of memory: no table, as for a program without one.
    }
}
