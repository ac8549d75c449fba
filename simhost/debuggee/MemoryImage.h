// The memory image a debuggee helper process holds: regions of bytes at fixed 32-bit
// addresses. Shared by the host side, which checks and sends it, and the helper,
// which receives, checks again and maps it.
//
// Wire format on the helper's standard input (all integers 32-bit little-endian):
//   "ORVI", region count, then per region: address, length, that many bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvel::sim {

struct Region {
    uint32_t address = 0;
    std::vector<uint8_t> bytes;
};

// A run of whole allocation units [begin, end) that covers one or more regions.
struct MappingSpan {
    uint64_t begin = 0;
    uint64_t end = 0;
};

// Limits that keep a bad snapshot from exhausting the machine.
constexpr uint32_t MaxRegions = 1u << 16;
constexpr uint64_t MaxImageBytes = uint64_t{1} << 30;
// No process can map the first 64 KiB (Linux's default mmap_min_addr, and the
// null-pointer area Windows reserves).
constexpr uint32_t LowestAddress = 0x10000;

// Empty when the regions can be mapped together; else a message naming the first
// problem: an empty region, one below LowestAddress, one that runs past 4 GiB,
// two that share a byte, too many regions or too many bytes.
std::string ValidateRegions(const std::vector<Region>& regions);

// The spans to allocate for the regions, in address order, each aligned to
// granularity (a power of two): regions that share a unit share a span.
std::vector<MappingSpan> MappingSpans(const std::vector<Region>& regions, uint64_t granularity);

std::vector<uint8_t> SerializeImage(const std::vector<Region>& regions);

// Reads an image through readExact, which must fill the whole buffer or return
// false. Checks the limits before allocating; returns false with *error on a bad
// header, a short stream or a limit exceeded. Does not run ValidateRegions.
bool ParseImage(const std::function<bool(void*, size_t)>& readExact, std::vector<Region>* regions,
                std::string* error);

} // namespace orvel::sim
