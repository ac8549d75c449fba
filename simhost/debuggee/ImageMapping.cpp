#include "simhost/debuggee/ImageMapping.h"

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace orvel::sim {

namespace {

void* At(uint64_t address) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(address));
}

#if defined(_WIN32)

std::string MapSpan(const MappingSpan& span) {
    void* want = At(span.begin);
    void* got = VirtualAlloc(want, static_cast<SIZE_T>(span.end - span.begin),
                             MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (got == want) return {};
    if (got) VirtualFree(got, 0, MEM_RELEASE);
    char text[96];
    std::snprintf(text, sizeof text, "cannot allocate 0x%08llX-0x%08llX (error %lu)",
                  static_cast<unsigned long long>(span.begin),
                  static_cast<unsigned long long>(span.end),
                  static_cast<unsigned long>(GetLastError()));
    return text;
}

void UnmapSpan(const MappingSpan& span) {
    VirtualFree(At(span.begin), 0, MEM_RELEASE);
}

#else

std::string MapSpan(const MappingSpan& span) {
    void* want = At(span.begin);
    const size_t length = static_cast<size_t>(span.end - span.begin);
    // Kernels before 4.17 ignore MAP_FIXED_NOREPLACE and take the address as a hint,
    // so the result is checked either way.
    void* got = mmap(want, length, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (got == want) return {};
    const int error = errno;
    if (got != MAP_FAILED) munmap(got, length);
    char text[128];
    std::snprintf(text, sizeof text, "cannot map 0x%08llX-0x%08llX: %s",
                  static_cast<unsigned long long>(span.begin),
                  static_cast<unsigned long long>(span.end),
                  got == MAP_FAILED ? std::strerror(error) : "address taken");
    return text;
}

void UnmapSpan(const MappingSpan& span) {
    munmap(At(span.begin), static_cast<size_t>(span.end - span.begin));
}

#endif

} // namespace

uint64_t MappingGranularity() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwAllocationGranularity;
#else
    return static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
#endif
}

std::string MapImage(const std::vector<Region>& regions, std::vector<MappingSpan>* mapped) {
    mapped->clear();
    for (const MappingSpan& span : MappingSpans(regions, MappingGranularity())) {
        std::string problem = MapSpan(span);
        if (!problem.empty()) {
            UnmapImage(*mapped);
            mapped->clear();
            return problem;
        }
        mapped->push_back(span);
    }
    for (const Region& region : regions)
        std::memcpy(At(region.address), region.bytes.data(), region.bytes.size());
    return {};
}

void UnmapImage(const std::vector<MappingSpan>& spans) {
    for (const MappingSpan& span : spans)
        UnmapSpan(span);
}

} // namespace orvel::sim
