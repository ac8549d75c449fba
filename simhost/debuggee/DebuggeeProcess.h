// A running orvel-debuggee helper that holds a memory image at its 32-bit addresses,
// so that the evaluator can open it by process id and read it with the operating
// system's own calls, as it reads a real debuggee.
//
// The helper program is looked for, in this order, at the path in the environment
// variable ORVEL_DEBUGGEE, beside the running executable, and where this build tree
// put it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/PlatformTypes.h"
#include "simhost/debuggee/MemoryImage.h"

namespace orvel::sim {

class DebuggeeProcess {
public:
    static constexpr unsigned DefaultTimeoutMs = 30000;

    // Checks the regions, starts the helper, hands it the image and waits until it
    // reports that every region is in place. Nothing and a message in *error (when
    // not null) if the regions are refused, the helper is missing, fails or does not
    // answer within timeoutMs.
    static std::unique_ptr<DebuggeeProcess> Start(const std::vector<Region>& regions,
                                                  std::string* error,
                                                  unsigned timeoutMs = DefaultTimeoutMs);

    // The image placed in this very process instead, for a caller that starts many
    // programs a second (a fuzzer): no helper, the same reads through the process's
    // memory. One such image at a time, as they all want the same addresses. Native
    // builds only, where the fuzzer runs: elsewhere it reports that it is not available.
    static std::unique_ptr<DebuggeeProcess> InThisProcess(const std::vector<Region>& regions,
                                                          std::string* error);

    // Releases the helper: closes its input, waits briefly, then ends it by force.
    ~DebuggeeProcess();

    DebuggeeProcess(const DebuggeeProcess&) = delete;
    DebuggeeProcess& operator=(const DebuggeeProcess&) = delete;

    DWORD Pid() const { return m_pid; }

    // All size bytes at addr, through the process's memory; false if any is missing.
    bool Read(uint32_t addr, void* buffer, size_t size) const;
    bool Write(uint32_t addr, const void* buffer, size_t size);

    // The helper program Start would run, or empty with a message in *error.
    static std::string LocateHelper(std::string* error);

private:
    DebuggeeProcess() = default;
    void Release();

    DWORD m_pid = 0;
    HANDLE m_memory = nullptr;        // read and write access, for Read and Write
    std::vector<MappingSpan> m_spans; // InThisProcess: what to give back
#if ORVEL_WINDOWS
    HANDLE m_process = nullptr;
    HANDLE m_input = nullptr;  // the helper's standard input, our end
    HANDLE m_output = nullptr; // the helper's standard output, our end
#else
    int m_input = -1;
    int m_output = -1;
    bool m_reaped = false;
#endif
};

} // namespace orvel::sim
