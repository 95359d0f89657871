// Processes on Windows, against suspended copies of the test program, each ended before the test returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32/win32_system.h"
#include "support.h"

#include "platform/win32/windows_api.h"
#include <tlhelp32.h>

namespace {

struct SuspendedCopies {
    std::vector<PROCESS_INFORMATION> started;
    ~SuspendedCopies() {
        for (const PROCESS_INFORMATION& p : started) {
            ::TerminateProcess(p.hProcess, 0);
            ::CloseHandle(p.hThread);
            ::CloseHandle(p.hProcess);
        }
    }
    bool Start() {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION p{};
        if (!::CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &p))
            return false;
        started.push_back(p);
        return true;
    }
    bool Holds(std::uint32_t pid) const {
        return std::any_of(started.begin(), started.end(),
                           [pid](const PROCESS_INFORMATION& p) { return p.dwProcessId == pid; });
    }
};

// The copies as the system's own snapshot walk meets them.
std::vector<std::uint32_t> SystemOrder(const SuspendedCopies& copies) {
    std::vector<std::uint32_t> order;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = ::Process32FirstW(snap, &pe); more; more = ::Process32NextW(snap, &pe))
        if (copies.Holds(pe.th32ProcessID)) order.push_back(pe.th32ProcessID);
    ::CloseHandle(snap);
    return order;
}

// Threads that come and go make the system hand a later process a lower id, as a long-running machine does.
void ChurnIds() {
    HANDLE go = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> threads;
    for (int i = 0; i < 300; ++i)
        threads.push_back(::CreateThread(
            nullptr, 64 * 1024, [](void* e) -> DWORD { return ::WaitForSingleObject(e, INFINITE); }, go, 0, nullptr));
    ::SetEvent(go);
    for (HANDLE t : threads) {
        ::WaitForSingleObject(t, INFINITE);
        ::CloseHandle(t);
    }
    ::CloseHandle(go);
}

TEST(Win32Processes, ListedInTheSystemsOrderAndEndedWithExitCodeZero) {
    testsupport::TempDir dir;
    platform::Win32System::Options options;
    options.windowsDir = dir.str();
    options.instanceName = "TarnoluxTests.processes." + dir.path().filename().string();
    platform::Win32System sys(options);

    SuspendedCopies copies;
    std::vector<std::uint32_t> order;
    for (int round = 0; round < 12 && std::is_sorted(order.begin(), order.end()); ++round) {
        ASSERT_TRUE(copies.Start());
        ChurnIds();
        order = SystemOrder(copies);
    }
    std::vector<std::uint32_t> listed;
    for (const platform::ProcessEntry& p : sys.ProcessSnapshot())
        if (copies.Holds(p.pid)) listed.push_back(p.pid);

    for (const PROCESS_INFORMATION& p : copies.started) {
        EXPECT_TRUE(sys.TerminateProcess(p.dwProcessId));
        ASSERT_EQ(::WaitForSingleObject(p.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(p.hProcess, &code);
        EXPECT_EQ(code, 0u);
    }
    if (std::is_sorted(order.begin(), order.end())) GTEST_SKIP() << "the system handed out ids in rising order only";
    EXPECT_EQ(listed, order);
}

}  // namespace
