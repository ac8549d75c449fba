// orvel-debuggee [--parent PID]
//
// Stands in for a stopped debuggee's memory. Reads a memory image (MemoryImage.h) on
// standard input, maps every region read/write at its exact 32-bit address and copies
// the bytes in, then writes one line on standard output: "ready" or "error MESSAGE".
// After "ready" it only waits, and exits when its standard input closes (the host let
// it go) or when the process PID is gone (the host died without closing it).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "simhost/debuggee/ImageMapping.h"
#include "simhost/debuggee/MemoryImage.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

using orvel::sim::MappingSpan;
using orvel::sim::Region;

namespace {

#if defined(_WIN32)

HANDLE Input() {
    return GetStdHandle(STD_INPUT_HANDLE);
}

bool ReadExact(void* buffer, size_t size) {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        DWORD got = 0;
        const DWORD chunk = size > 0x100000 ? 0x100000 : static_cast<DWORD>(size);
        if (!ReadFile(Input(), out, chunk, &got, nullptr) || got == 0) return false;
        out += got;
        size -= got;
    }
    return true;
}

void SayLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

DWORD WINAPI DrainInput(LPVOID) {
    char scratch[4096];
    DWORD got = 0;
    while (ReadFile(Input(), scratch, sizeof scratch, &got, nullptr) && got > 0) {
    }
    return 0;
}

void WaitForRelease(unsigned long parentPid) {
    HANDLE waits[2];
    DWORD count = 0;
    waits[count] = CreateThread(nullptr, 0, DrainInput, nullptr, 0, nullptr);
    if (waits[count]) ++count;
    if (parentPid != 0) {
        waits[count] = OpenProcess(SYNCHRONIZE, FALSE, parentPid);
        if (waits[count]) ++count;
    }
    if (count == 0) return;
    WaitForMultipleObjects(count, waits, FALSE, INFINITE);
}

#else

bool ReadExact(void* buffer, size_t size) {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = read(STDIN_FILENO, out, size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

void SayLine(const std::string& line) {
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        done += static_cast<size_t>(put);
    }
}

// Not PR_SET_PDEATHSIG: that fires when the thread that started us ends, and a host
// may well start the helper from a worker thread that ends long before it.
void WaitForRelease(unsigned long parentPid) {
    char scratch[4096];
    for (;;) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, 1, 500);
        if (ready < 0 && errno != EINTR) return;
        if (ready > 0) {
            const ssize_t got = read(STDIN_FILENO, scratch, sizeof scratch);
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) return;
        }
        if (parentPid != 0 && static_cast<unsigned long>(getppid()) != parentPid) return;
    }
}

#endif

bool ParseParent(int argc, char** argv, unsigned long* parentPid) {
    *parentPid = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--parent") == 0 && i + 1 < argc) {
            char* end = nullptr;
            *parentPid = std::strtoul(argv[++i], &end, 10);
            if (*end != '\0') return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    unsigned long parentPid = 0;
    if (!ParseParent(argc, argv, &parentPid)) {
        SayLine("error usage: orvel-debuggee [--parent PID] < image");
        return 2;
    }
    std::vector<Region> regions;
    std::string problem;
    if (!orvel::sim::ParseImage(ReadExact, &regions, &problem)) {
        SayLine("error " + problem);
        return 2;
    }
    problem = orvel::sim::ValidateRegions(regions);
    std::vector<MappingSpan> mapped;
    if (problem.empty()) problem = orvel::sim::MapImage(regions, &mapped);
    if (!problem.empty()) {
        SayLine("error " + problem);
        return 3;
    }
    regions.clear();
    regions.shrink_to_fit();
    SayLine("ready");
    WaitForRelease(parentPid);
    return 0;
}
