#include "simhost/debuggee/DebuggeeProcess.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "platform/ProcessMemory.h"
#include "simhost/debuggee/ImageMapping.h"

#if ORVEL_WINDOWS
#include <thread>
#else
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#ifndef ORVEL_DEBUGGEE_BUILD_PATH
#define ORVEL_DEBUGGEE_BUILD_PATH ""
#endif

namespace orvel::sim {

namespace {

using Clock = std::chrono::steady_clock;

// How long a released helper gets to leave on its own before it is ended by force.
constexpr unsigned ExitGraceMs = 2000;

#if ORVEL_WINDOWS
constexpr char HelperName[] = "orvel-debuggee.exe";
#else
constexpr char HelperName[] = "orvel-debuggee";
#endif

unsigned MillisLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<unsigned>(left) : 0;
}

void SetError(std::string* error, const std::string& message) {
    if (error) *error = "debuggee helper: " + message;
}

// The helper's one line: empty means it said nothing before the deadline or its end.
std::string Verdict(const std::string& line, bool timedOut, unsigned timeoutMs) {
    if (line == "ready") return {};
    if (line.rfind("error ", 0) == 0) return line.substr(6);
    if (timedOut) return "no answer within " + std::to_string(timeoutMs) + " ms";
    if (line.empty()) return "it ended without reporting";
    return "unexpected answer \"" + line + "\"";
}

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of(ORVEL_WINDOWS ? "\\/" : "/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

#if ORVEL_WINDOWS

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string EnvironmentPath() {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(L"ORVEL_DEBUGGEE", buffer, 32768);
    return length > 0 && length < 32768 ? Narrow(std::wstring(buffer, length)) : std::string();
}

std::string ExecutablePath() {
    wchar_t buffer[32768];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
    return length > 0 && length < 32768 ? Narrow(std::wstring(buffer, length)) : std::string();
}

bool WriteAll(HANDLE pipe, const std::vector<uint8_t>& data) {
    size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1u << 20));
        DWORD put = 0;
        if (!WriteFile(pipe, data.data() + done, chunk, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

// Anonymous pipes have no timed read: peek until a line, the pipe's end or the deadline.
std::string ReadLine(HANDLE pipe, Clock::time_point deadline, bool* timedOut) {
    std::string line;
    *timedOut = false;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return line;
        if (available == 0) {
            if (MillisLeft(deadline) == 0) {
                *timedOut = true;
                return line;
            }
            Sleep(5);
            continue;
        }
        char c = 0;
        DWORD got = 0;
        if (!ReadFile(pipe, &c, 1, &got, nullptr) || got == 0) return line;
        if (c == '\n') return line;
        if (c != '\r' && line.size() < 4096) line.push_back(c);
    }
}

#else

bool IsFile(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

std::string EnvironmentPath() {
    const char* value = std::getenv("ORVEL_DEBUGGEE");
    return value ? value : "";
}

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    return length > 0 && static_cast<size_t>(length) < sizeof buffer
               ? std::string(buffer, static_cast<size_t>(length))
               : std::string();
}

// Keeps pipe ends off 0, 1 and 2, which the child's dup2 would otherwise leave
// close-on-exec when source and target coincide.
int AboveStandardFds(int fd) {
    if (fd < 0 || fd > 2) return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

bool MakePipe(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    fds[0] = AboveStandardFds(fds[0]);
    fds[1] = AboveStandardFds(fds[1]);
    return fds[0] >= 0 && fds[1] >= 0;
}

// Writes without blocking past the deadline and without dying of SIGPIPE when the
// helper stops reading early (it then reports why on its output).
bool WriteAll(int fd, const std::vector<uint8_t>& data, Clock::time_point deadline) {
    sigset_t pipeSignal, previous, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

    bool broken = false;
    size_t done = 0;
    while (done < data.size() && !broken) {
        pollfd out{fd, POLLOUT, 0};
        const int ready = poll(&out, 1, static_cast<int>(MillisLeft(deadline)));
        if (ready == 0) break;
        if (ready < 0) {
            if (errno == EINTR) continue;
            break;
        }
        const ssize_t put = write(fd, data.data() + done, data.size() - done);
        if (put > 0)
            done += static_cast<size_t>(put);
        else if (put < 0 && errno == EPIPE)
            broken = true;
        else if (put < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    if (broken && !alreadyPending) {
        const timespec noWait{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &noWait);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return done == data.size();
}

std::string ReadLine(int fd, Clock::time_point deadline, bool* timedOut) {
    std::string line;
    *timedOut = false;
    for (;;) {
        pollfd in{fd, POLLIN, 0};
        const int ready = poll(&in, 1, static_cast<int>(MillisLeft(deadline)));
        if (ready == 0) {
            *timedOut = true;
            return line;
        }
        if (ready < 0) {
            if (errno == EINTR) continue;
            return line;
        }
        char c = 0;
        const ssize_t got = read(fd, &c, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0 || c == '\n') return line;
        if (line.size() < 4096) line.push_back(c);
    }
}

#endif

} // namespace

std::string DebuggeeProcess::LocateHelper(std::string* error) {
    const std::string fromEnvironment = EnvironmentPath();
    if (!fromEnvironment.empty()) {
        if (IsFile(fromEnvironment)) return fromEnvironment;
        SetError(error, "ORVEL_DEBUGGEE names " + fromEnvironment + ", which is not a program");
        return {};
    }
    const std::string executable = ExecutablePath();
    if (!executable.empty()) {
        const std::string beside = DirectoryOf(executable) + HelperName;
        if (IsFile(beside)) return beside;
    }
    const std::string built = ORVEL_DEBUGGEE_BUILD_PATH;
    if (!built.empty() && IsFile(built)) return built;
    SetError(error, std::string("cannot find ") + HelperName +
                        " (set ORVEL_DEBUGGEE or put it beside the program)");
    return {};
}

bool DebuggeeProcess::Read(uint32_t addr, void* buffer, size_t size) const {
    return orvel::ReadDebuggee(m_memory, addr, buffer, size) == size;
}

bool DebuggeeProcess::Write(uint32_t addr, const void* buffer, size_t size) {
    return orvel::WriteDebuggee(m_memory, addr, buffer, size) == size;
}

DebuggeeProcess::~DebuggeeProcess() {
    Release();
    UnmapImage(m_spans);
}

std::unique_ptr<DebuggeeProcess> DebuggeeProcess::InThisProcess(const std::vector<Region>& regions,
                                                                std::string* error) {
#if ORVEL_WINDOWS
    // Under Wine a released image stayed readable through the process handle; nothing
    // on Windows needs an in-process image, so none is made there.
    (void)regions;
    if (error) *error = "in-process image: not available on Windows";
    return nullptr;
#else
    std::string problem = ValidateRegions(regions);
    std::unique_ptr<DebuggeeProcess> self(new DebuggeeProcess());
    self->m_pid = static_cast<DWORD>(getpid());
    self->m_reaped = true; // nothing to wait for
    if (problem.empty()) problem = MapImage(regions, &self->m_spans);
    if (!problem.empty()) {
        if (error) *error = "in-process image: " + problem;
        return nullptr;
    }
    self->m_memory =
        OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE, self->m_pid);
    if (!self->m_memory) {
        if (error) *error = "in-process image: cannot open this process";
        return nullptr;
    }
    return self;
#endif
}

#if ORVEL_WINDOWS

std::unique_ptr<DebuggeeProcess> DebuggeeProcess::Start(const std::vector<Region>& regions,
                                                        std::string* error, unsigned timeoutMs) {
    const std::string problem = ValidateRegions(regions);
    if (!problem.empty()) {
        SetError(error, problem);
        return nullptr;
    }
    const std::string path = LocateHelper(error);
    if (path.empty()) return nullptr;

    std::unique_ptr<DebuggeeProcess> helper(new DebuggeeProcess());
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    PROCESS_INFORMATION info{};
    {
        // An inheritable pipe end made by one start must not leak into another's child.
        static std::mutex spawning;
        std::lock_guard<std::mutex> lock(spawning);
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        if (!CreatePipe(&childInput, &helper->m_input, &inherit, 0) ||
            !CreatePipe(&helper->m_output, &childOutput, &inherit, 0)) {
            if (childInput) CloseHandle(childInput);
            SetError(error, "cannot create pipes");
            return nullptr;
        }
        SetHandleInformation(helper->m_input, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(helper->m_output, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput;
        startup.hStdOutput = childOutput;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        const std::wstring widePath = Widen(path);
        std::wstring commandLine =
            L"\"" + widePath + L"\" --parent " + std::to_wstring(GetCurrentProcessId());
        const BOOL started =
            CreateProcessW(widePath.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                           CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
        CloseHandle(childInput);
        CloseHandle(childOutput);
        if (!started) {
            SetError(error,
                     "cannot start " + path + " (error " + std::to_string(GetLastError()) + ")");
            return nullptr;
        }
    }
    CloseHandle(info.hThread);
    helper->m_process = info.hProcess;
    helper->m_pid = info.dwProcessId;

    // The pipe has no timed write: write from a thread and end the helper if it
    // does not answer, which fails the write.
    const std::vector<uint8_t> image = SerializeImage(regions);
    HANDLE input = helper->m_input;
    std::thread writer([input, &image] { WriteAll(input, image); });
    bool timedOut = false;
    const std::string line =
        ReadLine(helper->m_output, Clock::now() + std::chrono::milliseconds(timeoutMs), &timedOut);
    const std::string verdict = Verdict(line, timedOut, timeoutMs);
    if (!verdict.empty()) TerminateProcess(helper->m_process, 1);
    writer.join();
    if (!verdict.empty()) {
        SetError(error, verdict);
        return nullptr;
    }
    helper->m_memory = OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE,
                                   helper->m_pid);
    if (!helper->m_memory) {
        SetError(error, "cannot open process " + std::to_string(helper->m_pid));
        return nullptr;
    }
    return helper;
}

void DebuggeeProcess::Release() {
    if (m_memory) CloseHandle(m_memory);
    if (m_input) CloseHandle(m_input);
    if (m_process) {
        if (WaitForSingleObject(m_process, ExitGraceMs) != WAIT_OBJECT_0) {
            TerminateProcess(m_process, 1);
            WaitForSingleObject(m_process, ExitGraceMs);
        }
        CloseHandle(m_process);
    }
    if (m_output) CloseHandle(m_output);
    m_memory = m_input = m_process = m_output = nullptr;
}

#else

std::unique_ptr<DebuggeeProcess> DebuggeeProcess::Start(const std::vector<Region>& regions,
                                                        std::string* error, unsigned timeoutMs) {
    const std::string problem = ValidateRegions(regions);
    if (!problem.empty()) {
        SetError(error, problem);
        return nullptr;
    }
    const std::string path = LocateHelper(error);
    if (path.empty()) return nullptr;

    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (!MakePipe(input) || !MakePipe(output)) {
        for (int fd : {input[0], input[1], output[0], output[1]})
            if (fd >= 0) close(fd);
        SetError(error, std::string("cannot create pipes: ") + std::strerror(errno));
        return nullptr;
    }
    std::unique_ptr<DebuggeeProcess> helper(new DebuggeeProcess());
    helper->m_input = input[1];
    helper->m_output = output[0];
    fcntl(helper->m_input, F_SETFL, fcntl(helper->m_input, F_GETFL) | O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    const std::string parent = std::to_string(getpid());
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("--parent"),
                    const_cast<char*>(parent.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    if (spawned != 0) {
        helper->m_reaped = true;
        SetError(error, "cannot start " + path + ": " + std::strerror(spawned));
        return nullptr;
    }
    helper->m_pid = static_cast<DWORD>(pid);

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    // A helper that stops reading early says why on its output, so read that either way.
    WriteAll(helper->m_input, SerializeImage(regions), deadline);
    bool timedOut = false;
    const std::string line = ReadLine(helper->m_output, deadline, &timedOut);
    const std::string verdict = Verdict(line, timedOut, timeoutMs);
    if (!verdict.empty()) {
        SetError(error, verdict);
        return nullptr;
    }
    helper->m_memory = OpenProcess(PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_VM_OPERATION, FALSE,
                                   helper->m_pid);
    if (!helper->m_memory) {
        SetError(error, "cannot open process " + std::to_string(helper->m_pid));
        return nullptr;
    }
    return helper;
}

void DebuggeeProcess::Release() {
    if (m_memory) CloseHandle(m_memory);
    m_memory = nullptr;
    if (m_input >= 0) close(m_input);
    m_input = -1;
    if (m_pid != 0 && !m_reaped) {
        const pid_t pid = static_cast<pid_t>(m_pid);
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ExitGraceMs);
        while (!m_reaped) {
            const pid_t done = waitpid(pid, nullptr, WNOHANG);
            if (done == pid || (done < 0 && errno != EINTR)) {
                m_reaped = true;
            } else if (MillisLeft(deadline) == 0) {
                kill(pid, SIGKILL);
                while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
                }
                m_reaped = true;
            } else {
                usleep(2000);
            }
        }
    }
    if (m_output >= 0) close(m_output);
    m_output = -1;
}

#endif

} // namespace orvel::sim
