// An adaptation module with an operator console, for the acquisition tests. Its
// console is a window of the thread that calls StartDesignDialog; it notes every
// image and preview message it receives. A thread of its own plays the operator:
// after "StartDelay" ms it notifies "Notify" (0 start, 1 cancel, others as they
// come), then, when "Then" is set, notifies that code "ThenDelay" ms later; "Then"
// 27 instead presses the Escape key and leaves it down (the test releases it). With
// "ThenAfterPreview" 1 the delay counts from the first live preview the console
// receives, so that lines are known to have arrived however slowly the scan started.
// Values below HKEY_CURRENT_USER "Software\NORVANE\SIMULATOR\CONSOLE"; "Widths" and
// "Gaps" as comma-separated lists. TestConsoleLog() returns what the console noted.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/sensor_lines.h"
#include "common/settings_key.h"
#include "common/text_numbers.h"
#include "common/win32_handles.h"
#include "acquisition/testmodules/test_module_settings.h"

namespace {

using np::testing::configured_list;
using np::testing::configured_number;

constexpr const char* kConfigPath = "NORVANE\\SIMULATOR\\CONSOLE";
constexpr const char* kWindowClass = "NpTestConsole";

std::string g_log;
HWND g_console = nullptr;
np::UniqueHandle g_first_preview(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
constexpr DWORD kLongestWaitForPreview = 60000;

LRESULT CALLBACK console_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message >= WM_USER + 600 && message <= WM_USER + 602) {
        char line[96];
        std::snprintf(line, sizeof line, "console %u %lu %ld\n", message,
                      static_cast<unsigned long>(wparam), static_cast<long>(lparam));
        g_log += line;
        if (message == WM_USER + 601) ::SetEvent(g_first_preview.get());
        return 0;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

HWND create_console() {
    if (g_console && ::IsWindow(g_console)) return g_console;
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = console_procedure;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = kWindowClass;
    ::RegisterClassA(&window_class);
    g_console = ::CreateWindowA(kWindowClass, "console", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, window_class.hInstance, nullptr);
    return g_console;
}

struct Operator {
    np::contract::NotifyFn notify;
    int first;
    int start_delay;
    int then;
    int then_delay;
    bool then_after_preview;
};

DWORD WINAPI play_operator(LPVOID parameter) {
    const Operator op = *static_cast<Operator*>(parameter);
    delete static_cast<Operator*>(parameter);
    ::Sleep(static_cast<DWORD>(op.start_delay));
    op.notify(op.first);
    if (op.then >= 0) {
        if (op.then_after_preview) ::WaitForSingleObject(g_first_preview.get(), kLongestWaitForPreview);
        ::Sleep(static_cast<DWORD>(op.then_delay));
        if (op.then == VK_ESCAPE) {
            ::keybd_event(VK_ESCAPE, 1, 0, 0);
        } else {
            op.notify(op.then);
        }
    }
    return 0;
}

}  // namespace

extern "C" {

int OpenCommPort() {
    return 0;
}

int ReadCommData(HWND, np::AcquisitionRecord*) {
    return 4;
}

void ReArrangement(std::uint16_t* dest, int samples, const std::uint16_t* src) {
    np::rearrange_sensor_lines(dest, static_cast<std::size_t>(samples), src,
                               np::LineOrder::forward);
}

int GetTiming(int, int gaps[np::kMaxSections]) {
    const std::vector<int> configured_gaps = configured_list(kConfigPath, "Gaps", "10");
    for (std::size_t k = 0; k < configured_gaps.size(); ++k)
        gaps[k] = configured_gaps[k];
    return configured_number(kConfigPath, "TimeoutUnits", 100);
}

int StartDesignDialog(HWND, HWND* console, np::contract::NotifyFn notify) {
    *console = create_console();
    auto* op = new Operator{notify, configured_number(kConfigPath, "Notify", 0),
                            configured_number(kConfigPath, "StartDelay", 50),
                            configured_number(kConfigPath, "Then", -1),
                            configured_number(kConfigPath, "ThenDelay", 300),
                            configured_number(kConfigPath, "ThenAfterPreview", 0) != 0};
    ::ResetEvent(g_first_preview.get());
    if (HANDLE thread = ::CreateThread(nullptr, 0, play_operator, op, 0, nullptr))
        ::CloseHandle(thread);
    else
        delete op;
    return 0;
}

void GetInfosTir(np::AcquisitionRecord* record) {
    *record = {};
    record->program = 20;
    record->valid = 1;
    const std::vector<int> widths = configured_list(kConfigPath, "Widths", "500,500,500,500,500");
    record->section_count = static_cast<std::int16_t>(widths.size());
    int start = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        record->sections[k] = {static_cast<std::int16_t>(start),
                               static_cast<std::int16_t>(widths[k])};
        start += widths[k] + np::kSectionGap;
    }
}

// What the console received since the last call, one line per message.
int TestConsoleLog(char* buffer, int size) {
    const int length = static_cast<int>(g_log.size());
    if (buffer && size > length) {
        g_log.copy(buffer, g_log.size());
        buffer[length] = '\0';
    }
    g_log.clear();
    return length;
}

}  // extern "C"
