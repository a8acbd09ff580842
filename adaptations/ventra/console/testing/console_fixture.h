// Test helper for the console's tests against the unit simulator (COM1 the unit's line,
// COM2 its command line): a fixture that loads one build of the module, opens its link
// and starts its console, and the driver that runs a test program's cases again in a
// child process on a desktop of each reference size (the console's thread takes the
// process's desktop).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/module/ventra_registry.h"
#include "common/adaptation_contract.h"
#include "common/win32_handles.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/screen_desktop.h"
#include "tools/wintest/unit_command_line.h"
#include "tools/wintest/unit_journal.h"
#include "tools/wintest/window_finder.h"

namespace np::ventra::console_tests {

inline constexpr const char* kOnDesktop = "--on-desktop";
inline constexpr const char* kSessionDesktop = "session";

inline bool on_test_desktop() {
    return std::string(::GetCommandLineA()).find(kOnDesktop) != std::string::npos;
}

// The child's threads do not all start on the desktop it was given (Wine puts the
// first one on the default desktop), so the test's thread joins the console's own.
inline bool join_test_desktop() {
    static const bool joined = [] {
        const std::string line = ::GetCommandLineA();
        const std::size_t at = line.find(kOnDesktop);
        std::string name = line.substr(at + std::string(kOnDesktop).size() + 1);
        name = name.substr(0, name.find(' '));
        if (name == kSessionDesktop) return true;
        HDESK desktop = ::OpenDesktopA(name.c_str(), 0, FALSE, GENERIC_ALL);
        return desktop && ::SetThreadDesktop(desktop);
    }();
    return joined;
}

// --- The console's notifications ---------------------------------------------------

inline std::mutex g_mutex;
inline std::vector<int> g_notified;
inline DWORD g_started_at = 0;  // tick of the first callback 0

inline void record_notification(int code) {
    std::lock_guard lock(g_mutex);
    if (code == 0 && !g_started_at) g_started_at = ::GetTickCount();
    g_notified.push_back(code);
}

inline std::vector<int> notified() {
    std::lock_guard lock(g_mutex);
    return g_notified;
}

// The unit as every test starts: a three-block panoramic for an average adult with
// X-rays, 70 kV, 10 mA, 12.5 s, dose 3.7, ready, at rest, no error, no maintenance access.
inline constexpr const char* kUnitAtRest =
    "restore; command 9; error 0; indicators 0; maintenance off; ready on; cooling none; "
    "set 7012 46 0 0 70 0 1 1; set 7019 46 64 4E2 0 25";

class ConsoleFixture : public ::testing::Test {
  protected:
    explicit ConsoleFixture(const char* module) : module_name_(module) {}

    void SetUp() override {
        if (!on_test_desktop()) GTEST_SKIP() << "runs on a desktop of a reference size";
        ASSERT_TRUE(join_test_desktop());
        {
            std::lock_guard lock(g_mutex);
            g_notified.clear();
            g_started_at = 0;
        }
        ASSERT_TRUE(::CopyFileA("NPeng.dll", "NPLang.dll", FALSE));
        registry_.set_user_text(kPanoKey, "COM", "1");
        registry_.set_user_dword(kVentraKey, "Baudrate", 57600);
        ASSERT_TRUE(unit_.send(kUnitAtRest));
        ventra_.reset(::LoadLibraryA(module_name_));
        ASSERT_TRUE(ventra_);
        open_ = entry<contract::OpenCommPortFn>("OpenCommPort");
        start_ = entry<contract::StartDesignDialogFn>("StartDesignDialog");
        infos_ = entry<contract::GetInfosTirFn>("GetInfosTir");
        ASSERT_EQ(open_(), 0);
    }

    void TearDown() override {
        if (console_ && ::IsWindow(console_)) ::PostMessageA(console_, 0x658, 0, 0);
        end_of_console();
        ventra_.reset();
        ::DeleteFileA("NPLang.dll");
        unit_.send("restore; error 0; maintenance off");
    }

    template <typename Fn>
    Fn entry(const char* name) {
        return reinterpret_cast<Fn>(
            reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(ventra_.get()), name)));
    }

    // Starts the console; `showing_values`: waits until it shows the unit's kV.
    void start(bool showing_values = true) {
        mark_ = np::testing::unit_commands().size();
        ASSERT_EQ(start_(nullptr, &console_, record_notification), 0);
        ASSERT_TRUE(console_);
        ASSERT_TRUE(::IsWindow(console_));
        thread_id_ = ::GetWindowThreadProcessId(console_, nullptr);
        thread_.reset(::OpenThread(SYNCHRONIZE, FALSE, thread_id_));
        if (showing_values) {
            ASSERT_TRUE(np::testing::wait_until([&] { return !text(IDC_KV_DISPLAY).empty(); }))
                << text(IDC_MESSAGE_DISPLAY);
        }
    }

    // Waits until the console's thread has ended: only then may the module go.
    void end_of_console() {
        if (thread_) {
            EXPECT_EQ(::WaitForSingleObject(thread_.get(), 15000), WAIT_OBJECT_0);
        }
        thread_.reset();
    }

    bool console_closed() { return np::testing::wait_until([&] { return !::IsWindow(console_); }, 8000); }

    HWND page(int control_on_it) const {
        for (HWND child = ::GetWindow(console_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (::GetDlgItem(child, control_on_it)) return child;
        return nullptr;
    }
    HWND item(int id) const {
        if (HWND control = ::GetDlgItem(console_, id)) return control;
        return ::GetDlgItem(page(id), id);
    }
    std::string text(int id) const { return np::testing::window_text(item(id)); }
    int state(int id) const { return static_cast<int>(::SendMessageA(item(id), BM_GETCHECK, 0, 0)); }
    void click(int id) const { ::PostMessageA(item(id), BM_CLICK, 0, 0); }

    std::vector<std::uint16_t> sent() const { return np::testing::unit_commands_since(mark_); }
    bool was_sent(std::uint16_t word) const {
        return np::testing::wait_until([&] {
            const auto words = sent();
            return std::find(words.begin(), words.end(), word) != words.end();
        });
    }
    std::size_t count_sent(std::uint16_t word) const {
        const auto words = sent();
        return static_cast<std::size_t>(std::count(words.begin(), words.end(), word));
    }

    const char* module_name_;
    RegistrySandbox registry_{"NORVANE"};
    np::testing::UnitCommandLine unit_;
    UniqueModule ventra_;
    contract::OpenCommPortFn open_ = nullptr;
    contract::StartDesignDialogFn start_ = nullptr;
    contract::GetInfosTirFn infos_ = nullptr;
    HWND console_ = nullptr;
    UniqueHandle thread_;
    DWORD thread_id_ = 0;
    std::size_t mark_ = 0;
};

// --- The driver of the runs on the reference screens ---------------------------------

struct Screen {
    int width, height;
    const char* tests;
};

// Runs this program's tests `screen.tests` in a child process on a desktop of the
// screen's size; a width of 0 runs them on the session's own display. The child's exit
// code.
inline int run_on_desktop(const Screen& screen) {
    std::optional<np::testing::ScreenDesktop> desktop;
    if (screen.width) desktop.emplace(screen.width, screen.height);
    std::string name = desktop ? desktop->name() : kSessionDesktop;
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    // NP_CONSOLE_TESTS narrows the tests run on each screen, when looking into one.
    const char* narrowed = std::getenv("NP_CONSOLE_TESTS");
    std::string command = std::string("\"") + self + "\" " + kOnDesktop + "=" + name + " --gtest_filter=" +
                          (narrowed ? narrowed : screen.tests);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (screen.width) startup.lpDesktop = name.data();
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child))
        return -1;
    UniqueHandle process(child.hProcess);
    UniqueHandle thread(child.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

inline std::string screen_name(const Screen& screen) {
    if (!screen.width) return "session";
    return std::to_string(screen.width) + "x" + std::to_string(screen.height);
}

}  // namespace np::ventra::console_tests
