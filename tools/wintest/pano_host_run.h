// Test helper: PanoHost run beside the test, taking one image through Scanlink_sim.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32_handles.h"

namespace np::testing {

// PanoHost's exit code; -1 when it could not start or had to be stopped.
inline int run_pano_host(const std::string& out_folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = "PanoHost.exe --driver Scanlink_sim.dll --count 1 --out " + out_folder;
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return -1;
    const UniqueHandle owned_process(process.hProcess), thread(process.hThread);
    if (::WaitForSingleObject(process.hProcess, 120'000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 99);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}

}  // namespace np::testing
