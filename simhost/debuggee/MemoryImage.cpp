#include "simhost/debuggee/MemoryImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orvel::sim {

namespace {

constexpr char Magic[4] = {'O', 'R', 'V', 'I'};
constexpr uint64_t FourGiB = uint64_t{1} << 32;

std::string Hex32(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

bool GetU32(const std::function<bool(void*, size_t)>& readExact, uint32_t* value) {
    uint8_t bytes[4];
    if (!readExact(bytes, sizeof bytes)) return false;
    *value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
             uint32_t{bytes[3]} << 24;
    return true;
}

// Region indexes in address order.
std::vector<size_t> ByAddress(const std::vector<Region>& regions) {
    std::vector<size_t> order(regions.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return regions[a].address < regions[b].address; });
    return order;
}

} // namespace

std::string ValidateRegions(const std::vector<Region>& regions) {
    if (regions.size() > MaxRegions)
        return "too many regions (" + std::to_string(regions.size()) + ", at most " +
               std::to_string(MaxRegions) + ")";
    uint64_t total = 0;
    for (const Region& region : regions) {
        const uint64_t end = uint64_t{region.address} + region.bytes.size();
        if (region.bytes.empty()) return "region at " + Hex32(region.address) + " is empty";
        if (region.address < LowestAddress)
            return "region at " + Hex32(region.address) + " lies below " + Hex32(LowestAddress) +
                   ", in the null-pointer area no process can map";
        if (end > FourGiB)
            return "region at " + Hex32(region.address) + " of " +
                   std::to_string(region.bytes.size()) + " bytes runs past 4 GiB";
        total += region.bytes.size();
    }
    if (total > MaxImageBytes)
        return "the regions hold " + std::to_string(total) + " bytes, more than the " +
               std::to_string(MaxImageBytes) + " allowed";
    const std::vector<size_t> order = ByAddress(regions);
    for (size_t i = 1; i < order.size(); ++i) {
        const Region& before = regions[order[i - 1]];
        const Region& after = regions[order[i]];
        if (uint64_t{before.address} + before.bytes.size() > after.address)
            return "regions at " + Hex32(before.address) + " (" +
                   std::to_string(before.bytes.size()) + " bytes) and " + Hex32(after.address) +
                   " overlap";
    }
    return {};
}

std::vector<MappingSpan> MappingSpans(const std::vector<Region>& regions, uint64_t granularity) {
    std::vector<MappingSpan> spans;
    for (size_t index : ByAddress(regions)) {
        const Region& region = regions[index];
        if (region.bytes.empty()) continue;
        const uint64_t begin = region.address & ~(granularity - 1);
        const uint64_t end =
            (uint64_t{region.address} + region.bytes.size() + granularity - 1) & ~(granularity - 1);
        if (!spans.empty() && begin <= spans.back().end)
            spans.back().end = std::max(spans.back().end, end);
        else
            spans.push_back({begin, end});
    }
    return spans;
}

std::vector<uint8_t> SerializeImage(const std::vector<Region>& regions) {
    std::vector<uint8_t> out(std::begin(Magic), std::end(Magic));
    PutU32(out, static_cast<uint32_t>(regions.size()));
    for (const Region& region : regions) {
        PutU32(out, region.address);
        PutU32(out, static_cast<uint32_t>(region.bytes.size()));
        out.insert(out.end(), region.bytes.begin(), region.bytes.end());
    }
    return out;
}

bool ParseImage(const std::function<bool(void*, size_t)>& readExact, std::vector<Region>* regions,
                std::string* error) {
    regions->clear();
    char magic[4];
    uint32_t count = 0;
    if (!readExact(magic, sizeof magic) || std::memcmp(magic, Magic, sizeof magic) != 0) {
        *error = "the image does not start with ORVI";
        return false;
    }
    if (!GetU32(readExact, &count)) {
        *error = "the image ends inside its header";
        return false;
    }
    if (count > MaxRegions) {
        *error = "the image announces " + std::to_string(count) + " regions, more than " +
                 std::to_string(MaxRegions);
        return false;
    }
    uint64_t total = 0;
    for (uint32_t i = 0; i < count; ++i) {
        Region region;
        uint32_t length = 0;
        if (!GetU32(readExact, &region.address) || !GetU32(readExact, &length)) {
            *error = "the image ends inside the header of region " + std::to_string(i);
            return false;
        }
        total += length;
        if (total > MaxImageBytes) {
            *error = "the image holds more than " + std::to_string(MaxImageBytes) + " bytes";
            return false;
        }
        region.bytes.resize(length);
        if (length != 0 && !readExact(region.bytes.data(), length)) {
            *error = "the image ends inside region " + std::to_string(i) + " at " +
                     Hex32(region.address);
            return false;
        }
        regions->push_back(std::move(region));
    }
    return true;
}

} // namespace orvel::sim
