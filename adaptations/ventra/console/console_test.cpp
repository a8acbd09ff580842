// The console as the operator meets it, against the unit simulator (COM1 the unit's
// line, COM2 its command line): the test thread finds the console's windows, works
// them and reads back what they show, while the simulator plays the unit. The console
// runs in a child process on a desktop of each reference size (its thread takes the
// process's desktop), and leaves console-<size>.png beside this program.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/console/testing/console_fixture.h"
#include "common/acquisition_record.h"
#include "common/win32_handles.h"
#include "tools/wintest/process_handles.h"
#include "tools/wintest/window_finder.h"
#include "tools/wintest/window_picture.h"

namespace np::ventra {
namespace {

using testing::press;
using testing::wait_until;
using testing::window_text;

using namespace console_tests;

class Console : public ConsoleFixture {
  protected:
    Console() : ConsoleFixture("Ventra.dll") {}
};

// --- On both reference screens -----------------------------------------------------

TEST_F(Console, ComesUpWholeAndWorksWithTheUnit) {
    const int screen_width = ::GetSystemMetrics(SM_CXSCREEN);
    start();
    RECT frame{};
    ::GetWindowRect(console_, &frame);
    if (screen_width == 800) {
        EXPECT_EQ(frame.left, 0);
        EXPECT_EQ(frame.top, 0);
        EXPECT_EQ(frame.right, 800);
        EXPECT_EQ(frame.bottom, 600);
        EXPECT_EQ(::GetParent(console_), nullptr);
    } else {
        EXPECT_EQ(frame.left, (screen_width - 1024) / 2 + 1);
        EXPECT_EQ(frame.right - frame.left, 1024);
        HWND backdrop = ::GetParent(console_);
        ASSERT_TRUE(backdrop);  // the owner that covers the screen
        RECT covered{};
        ::GetWindowRect(backdrop, &covered);
        EXPECT_EQ(covered.right - covered.left, screen_width + 1);
    }
    for (int id : {IDC_EXIT, IDC_VOICE_HELP, IDC_EMISSION_LAMP, IDC_READY_LAMP, IDC_INFORMATION, IDC_LASER,
                   IDC_MOVEMENT_RESET, IDC_DEMONSTRATION, IDC_PAGE_SELECTOR, IDC_KV_DISPLAY, IDC_MA_DISPLAY,
                   IDC_TIME_DISPLAY, IDC_DOSE_DISPLAY, IDC_MESSAGE_DISPLAY, IDC_CODE_DISPLAY, IDC_COOLING_DISPLAY,
                   IDC_RECAP_ADULT, IDC_PREVIEW, IDC_PROGRAM_SINUS, IDC_PATIENT_HIGH, IDC_KV_PLUS, IDC_MEMORY})
        EXPECT_TRUE(item(id)) << id;

    // The displays and lamps mirror the unit.
    EXPECT_EQ(text(IDC_KV_DISPLAY), "70");
    EXPECT_EQ(text(IDC_MA_DISPLAY), "10");
    EXPECT_EQ(text(IDC_TIME_DISPLAY), "12.5");
    EXPECT_EQ(text(IDC_DOSE_DISPLAY), "3.7");
    EXPECT_TRUE(wait_until([&] { return state(IDC_READY_LAMP) == 1; }));
    EXPECT_EQ(state(IDC_RECAP_ADULT), 1);
    EXPECT_EQ(state(IDC_RECAP_INCISOR), 1);
    EXPECT_TRUE(wait_until([&] { return text(IDC_MESSAGE_DISPLAY) == "Ready"; }));
    unit_.send("set 7019 48 5F; ready off; cooling 75");
    EXPECT_TRUE(wait_until([&] { return text(IDC_MA_DISPLAY) == "9.5" && state(IDC_READY_LAMP) == 0; }));
    EXPECT_TRUE(wait_until([&] { return text(IDC_COOLING_DISPLAY) == "01:15"; }));
    EXPECT_EQ(text(IDC_PAGE_KV), "72");
    EXPECT_TRUE(testing::write_png("console-" + std::to_string(screen_width) + "x" +
                                       std::to_string(::GetSystemMetrics(SM_CYSCREEN)) + ".png",
                                   testing::capture_window(console_)));

    // Pages by the selector and by their captions.
    EXPECT_TRUE(testing::is_shown(page(IDC_PROGRAM_SINUS)));
    click(IDC_PAGE_SELECTOR);
    EXPECT_TRUE(wait_until([&] { return testing::is_shown(page(IDC_PATIENT_ADULT)); }));
    ::PostMessageA(item(IDC_CAPTION_PARAMETERS_PAGE), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    ::PostMessageA(item(IDC_CAPTION_PARAMETERS_PAGE), WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(wait_until([&] { return testing::is_shown(page(IDC_KV_PLUS)); }));
    EXPECT_FALSE(testing::is_shown(page(IDC_PATIENT_ADULT)));
    EXPECT_EQ(state(IDC_PAGE_SELECTOR), 2);

    // Each control's word reaches the unit, and the console shows the unit's answer.
    click(IDC_KV_PLUS);
    EXPECT_TRUE(was_sent(0x0001));
    EXPECT_TRUE(wait_until([&] { return text(IDC_KV_DISPLAY) == "73"; }));
    click(IDC_MA_MINUS);
    EXPECT_TRUE(was_sent(0x0102));
    click(IDC_PATIENT_CHILD);
    EXPECT_TRUE(was_sent(0x0005));
    EXPECT_TRUE(wait_until([&] { return state(IDC_RECAP_CHILD) == 1 && state(IDC_RECAP_ADULT) == 0; }));
    click(IDC_PATIENT_HIGH);
    EXPECT_TRUE(was_sent(0x0206));
    click(IDC_PROGRAM_TMJ_LEFT);
    EXPECT_TRUE(was_sent(0x0104));
    EXPECT_TRUE(wait_until([&] { return state(IDC_RECAP_TMJ_LEFT) == 1 && state(IDC_RECAP_INCISOR) == 0; }));
    AcquisitionRecord record{};
    infos_(&record);
    EXPECT_EQ(record.program, 187);
    EXPECT_EQ(record.section_count, 2);
    EXPECT_EQ(record.valid, 1u);
    click(IDC_PROGRAM_FOUR_VIEWS);
    EXPECT_TRUE(was_sent(0x1104));
    EXPECT_TRUE(wait_until([&] { return testing::is_shown(item(IDC_LABEL_X4)); }));
    click(IDC_PROGRAM_INCISOR);  // from TMJ: the incisor block alone
    EXPECT_TRUE(was_sent(0x2004));
    const int laser = state(IDC_LASER);
    click(IDC_LASER);
    EXPECT_TRUE(was_sent(0x020A));
    EXPECT_TRUE(wait_until([&] { return state(IDC_LASER) == 1 - laser; }));
    click(IDC_DEMONSTRATION);  // X-rays on: the button asks for the demonstration
    EXPECT_TRUE(was_sent(0x0007));
    EXPECT_TRUE(wait_until([&] { return state(IDC_DEMONSTRATION) == 0; }));
    click(IDC_DEMONSTRATION);
    EXPECT_TRUE(was_sent(0x0107));
    click(IDC_MOVEMENT_RESET);
    EXPECT_TRUE(was_sent(0x0009));

    // Exit: result 0, the driver told of the end, and the unit of the console's.
    click(IDC_EXIT);
    EXPECT_TRUE(console_closed());
    EXPECT_TRUE(was_sent(0x0086));
    end_of_console();
    EXPECT_EQ(notified(), (std::vector<int>{1, 3}));
}

// --- On the larger screen ------------------------------------------------------------

TEST_F(Console, TheFullMenuOnlyUnderMaintenanceAccess) {
    start();
    const auto menu_items = [&] {
        std::vector<std::string> items;
        click(IDC_INFORMATION);
        HWND popup = nullptr;
        if (!wait_until([&] { return (popup = testing::find_window(thread_id_, "#32768")) != nullptr; })) return items;
        auto menu = reinterpret_cast<HMENU>(::SendMessageA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            char name[128] = {};
            ::GetMenuStringA(menu, i, name, sizeof name, MF_BYPOSITION);
            items.push_back(name);
        }
        ::PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        wait_until([&] { return testing::find_window(thread_id_, "#32768") == nullptr; });
        return items;
    };
    EXPECT_EQ(menu_items(), (std::vector<std::string>{"About NorvanePan...", "Reset of the values"}));
    unit_.send("maintenance on");
    Sleep(600);
    EXPECT_EQ(menu_items(), (std::vector<std::string>{"?", "Maintenance"}));
    unit_.send("maintenance off");
    Sleep(600);
    EXPECT_EQ(menu_items().size(), 2u);

    // A reset asks first; No sends nothing. The screens open over the console.
    constexpr WPARAM kResetOfTotalParameters = 32779, kAbout = 32771;
    ::PostMessageA(console_, WM_COMMAND, kResetOfTotalParameters, 0);
    const auto box = testing::wait_for_message_box(thread_id_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Are you sure?");
    press(box->window, IDNO);
    ASSERT_TRUE(wait_until([&] { return !::IsWindow(box->window); }));
    ::PostMessageA(console_, WM_COMMAND, kAbout, 0);
    HWND about = nullptr;
    EXPECT_TRUE(wait_until([&] {
        about = testing::find_dialog(thread_id_);
        return about && about != console_;
    }));
    if (about) ::PostMessageA(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(wait_until([&] { return !::IsWindow(about); }));
    EXPECT_EQ(count_sent(0x0082), 0u);
}

TEST_F(Console, ParameterErrorsOfferTheirChoices) {
    start();
    unit_.send("error 54");
    HWND dialog = nullptr;
    ASSERT_TRUE(wait_until([&] { return (dialog = testing::find_dialog(thread_id_, "Error")) != nullptr; }));
    EXPECT_EQ(window_text(::GetDlgItem(dialog, IDC_ERROR_TEXT_1)), "Inconsistency in calibration parameters");
    press(dialog, IDC_ERROR_TRY_AGAIN);
    EXPECT_TRUE(was_sent(0x0080));
    EXPECT_TRUE(wait_until([&] { return testing::find_dialog(thread_id_, "Error") == nullptr; }));

    unit_.send("error 55");
    ASSERT_TRUE(wait_until([&] { return (dialog = testing::find_dialog(thread_id_, "Error")) != nullptr; }));
    EXPECT_EQ(window_text(::GetDlgItem(dialog, IDC_ERROR_DEFAULT)), "OK");
    press(dialog, IDC_ERROR_DEFAULT);
    EXPECT_TRUE(was_sent(0x000B));
    unit_.send("error 0");

    unit_.send("error 57");
    ASSERT_TRUE(wait_until([&] { return (dialog = testing::find_dialog(thread_id_, "Error")) != nullptr; }));
    EXPECT_EQ(window_text(::GetDlgItem(dialog, IDC_ERROR_TEXT_1)), "Error in user preferences");
    press(dialog, IDC_ERROR_RESTORE);  // the restore file the console wrote at start
    EXPECT_TRUE(was_sent(0x0481));
    EXPECT_TRUE(console_closed() == false || ::IsWindow(console_));

    unit_.send("error 56");
    ASSERT_TRUE(wait_until([&] { return (dialog = testing::find_dialog(thread_id_, "Error")) != nullptr; }));
    EXPECT_EQ(window_text(::GetDlgItem(dialog, IDC_ERROR_TEXT_1)), "Error in manufacturing parameters");
    press(dialog, IDC_ERROR_EXIT);
    EXPECT_TRUE(console_closed());
    end_of_console();
    EXPECT_EQ(notified().front(), 1);
}

TEST_F(Console, ProgramEvolutionErrorIsAcknowledgedAndEnds) {
    start();
    unit_.send("error 59");
    const auto box = testing::wait_for_message_box(thread_id_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "Error n\xB0 59");
    EXPECT_EQ(box->text, "Program evolution error");
    press(box->window, IDOK);
    EXPECT_TRUE(was_sent(0x0080));
    EXPECT_TRUE(console_closed());
}

TEST_F(Console, OtherErrorsAreRetriedOrEndTheConsole) {
    start();
    unit_.send("error 12");
    auto box = testing::wait_for_message_box(thread_id_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "Error n\xB0 12");
    EXPECT_NE(box->text.find("Start again."), std::string::npos);
    press(box->window, IDRETRY);
    EXPECT_TRUE(was_sent(0x0080));
    EXPECT_TRUE(wait_until([&] { return !::IsWindow(box->window); }));
    EXPECT_TRUE(::IsWindow(console_));
    unit_.send("error 13");
    box = testing::wait_for_message_box(thread_id_);
    ASSERT_TRUE(box);
    press(box->window, IDCANCEL);
    EXPECT_TRUE(console_closed());
}

TEST_F(Console, LeavingAndRegainingTheForegroundIsToldOnceEach) {
    start();
    ::SetForegroundWindow(console_);
    EXPECT_TRUE(was_sent(0x0085));
    Sleep(600);
    EXPECT_EQ(count_sent(0x0085), 1u);
    // Another window comes to the front.
    UniqueWindow other(::CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                         nullptr, nullptr));
    ::SetForegroundWindow(other.get());
    EXPECT_TRUE(was_sent(0x0086));
    Sleep(600);
    EXPECT_EQ(count_sent(0x0086), 1u);
    ::SetForegroundWindow(console_);
    EXPECT_TRUE(wait_until([&] { return count_sent(0x0085) == 2; }));
    Sleep(600);
    EXPECT_EQ(count_sent(0x0085), 2u);
}

TEST_F(Console, TheWatchdogEndsAnExposureWhoseImageNeverCame) {
    registry_.set_user_dword(kVentraKey, "SecurityTimeOut", 5000);
    start();
    unit_.send("set 7019 46 64 190");  // a 4 s exposure
    unit_.send("handswitch");
    ASSERT_TRUE(wait_until([&] { return state(IDC_EMISSION_LAMP) == 1; }));
    const DWORD emission = ::GetTickCount();
    const auto box = testing::wait_for_message_box(thread_id_, 8000);
    const DWORD fired = ::GetTickCount() - emission;
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "Error");
    EXPECT_EQ(box->text, "Problems with image reception.\nIf the problem remains, contact your norvane certified dealer.");
    EXPECT_GE(fired, 1800u);  // 2000 ms, not the 5000 stored
    EXPECT_LT(fired, 4000u);
    press(box->window, IDOK);
    EXPECT_TRUE(console_closed());
    end_of_console();
    EXPECT_EQ(notified(), (std::vector<int>{0, 1, 3}));
}

TEST_F(Console, LeavesNoHandleOrWindowObjectBehind) {
    start();  // a first console loads what stays for the process (fonts, classes)
    ::PostMessageA(console_, 0x658, 0, 0);
    ASSERT_TRUE(console_closed());
    end_of_console();
    const std::size_t handles = count_open_handles();
    const int threads = testing::thread_count();
    // Wine answers 0 for both counts below; on Windows they catch a leaked bitmap,
    // font, region or window.
    const DWORD gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    ASSERT_EQ(open_(), 0);
    start();
    ::PostMessageA(console_, 0x658, 0, 0);
    ASSERT_TRUE(console_closed());
    end_of_console();
    EXPECT_EQ(count_open_handles(), handles);
    EXPECT_EQ(testing::thread_count(), threads);
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS), gdi);
    EXPECT_EQ(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), user);
}

TEST_F(Console, ReadCommDataRunsTheConsoleOnTheCallersThread) {
    const auto read = entry<contract::ReadCommDataFn>("ReadCommData");
    int result = -1;
    std::atomic<DWORD> caller{0};
    std::thread host([&] {
        caller = ::GetCurrentThreadId();
        result = read(nullptr, nullptr);
    });
    ASSERT_TRUE(wait_until([&] { return caller && (console_ = testing::find_dialog(caller)) != nullptr; }));
    thread_id_ = caller;
    EXPECT_TRUE(wait_until([&] { return text(IDC_KV_DISPLAY) == "70"; }));
    click(IDC_EXIT);
    host.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(open_(), 0);  // the console closed the link behind it
}

// Figures, not a verdict: the console's processor time while it only polls the unit,
// and how long after the handswitch the driver hears that the exposure began.
TEST_F(Console, ReportsItsIdleCostAndItsReactionToTheHandswitch) {
    start();
    UniqueHandle thread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, thread_id_));
    const auto cpu_ms = [&] {
        FILETIME created, exited, kernel, user;
        ::GetThreadTimes(thread.get(), &created, &exited, &kernel, &user);
        const auto ms = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0; };
        return ms(kernel) + ms(user);
    };
    Sleep(1000);
    const double before = cpu_ms();
    const DWORD idle_start = ::GetTickCount();
    Sleep(10000);
    const double idle_cpu = cpu_ms() - before;
    const DWORD idle_wall = ::GetTickCount() - idle_start;
    const DWORD pressed = ::GetTickCount();
    unit_.send("handswitch");
    ASSERT_TRUE(wait_until([&] { return !notified().empty(); }, 10000));
    const DWORD reaction = g_started_at - pressed;
    std::printf("console idle: %.0f ms of processor in %lu ms (%.2f %%), status every 200 ms, cooling every 1000 ms\n",
                idle_cpu, idle_wall, 100.0 * idle_cpu / idle_wall);
    std::printf("handswitch to callback 0: %lu ms (the simulated unit rotates 400 ms before its exposure)\n",
                reaction);
    RecordProperty("idle_cpu_percent", std::to_string(100.0 * idle_cpu / idle_wall));
    RecordProperty("handswitch_to_start_ms", std::to_string(reaction));
}

// --- Below the smallest reference screen --------------------------------------------

TEST_F(Console, TooSmallAScreenEndsAtOnce) {
    ASSERT_EQ(start_(nullptr, &console_, record_notification), 0);
    thread_id_ = ::GetWindowThreadProcessId(console_, nullptr);
    const auto box = testing::wait_for_message_box(thread_id_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "Minimum required screen resolution: 800*600");
    press(box->window, IDOK);
    ASSERT_TRUE(wait_until([&] { return notified().size() >= 2; }));
    EXPECT_EQ(notified()[0], 1);
    EXPECT_EQ(notified()[1], 3);
    EXPECT_TRUE(console_closed());
    Sleep(500);  // the console thread closes the link and ends
}

// --- The driver of the runs above ---------------------------------------------------

class ReferenceScreens : public ::testing::TestWithParam<Screen> {};

TEST_P(ReferenceScreens, TheConsoleTests) {
    if (on_test_desktop()) GTEST_SKIP();
    EXPECT_EQ(run_on_desktop(GetParam()), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReferenceScreens,
                         // Threads of one process share the foreground only on the
                         // desktop the process started on; that run goes first. Wine
                         // gives later desktops the size of the last one made, so the
                         // too-small screen is never the last.
                         ::testing::Values(Screen{0, 0, "Console.Leaving*:Console.Reports*"},
                                           Screen{640, 480, "Console.TooSmall*"},
                                           Screen{800, 600, "Console.ComesUp*"},
                                           Screen{1024, 768,
                                                  "Console.*-Console.TooSmall*:Console.Leaving*:Console.Reports*"}),
                         [](const auto& info) { return screen_name(info.param); });

}  // namespace
}  // namespace np::ventra
