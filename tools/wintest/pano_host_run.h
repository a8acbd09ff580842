// Test helper: PanoHost run beside the test, taking one image through Scanlink_sim.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32_handles.h"

namespace np::testing {

struct PanoHostProcess {
    UniqueHandle process;
    DWORD id = 0;
};

// Starts PanoHost for one image into `out_folder`; no process when it could not start.
inline PanoHostProcess start_pano_host(const std::string& out_folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string command = "PanoHost.exe --driver Scanlink_sim.dll --count 1 --out " + out_folder;
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return {};
    const UniqueHandle thread(started.hThread);
    return {UniqueHandle(started.hProcess), started.dwProcessId};
}

// PanoHost's exit code once it ends; -1 when it has not ended within `timeout_ms`.
inline int pano_host_exit_code(HANDLE process, DWORD timeout_ms = 120'000) {
    if (::WaitForSingleObject(process, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

// PanoHost's exit code; -1 when it could not start or had to be stopped.
inline int run_pano_host(const std::string& out_folder) {
    const PanoHostProcess host = start_pano_host(out_folder);
    if (!host.process) return -1;
    const int code = pano_host_exit_code(host.process.get());
    if (code == -1) ::TerminateProcess(host.process.get(), 99);
    return code;
}

}  // namespace np::testing
