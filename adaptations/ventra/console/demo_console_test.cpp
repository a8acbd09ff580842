// Ventra_Demo as the operator and the driver meet it, against the unit simulator: where
// the demonstration build differs from Ventra, case by case. The console's cases run in
// a child process on a 1024 x 768 desktop (the size that has the blue emission lamp).
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "adaptations/ventra/console/console_ids.h"
#include "adaptations/ventra/console/testing/console_fixture.h"
#include "adaptations/ventra/screens/screen_ids.h"
#include "common/version_record.h"
#include "common/win32_handles.h"
#include "npjbus/npjbus.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/window_finder.h"
#include "tools/wintest/window_picture.h"

namespace np::ventra {
namespace {

using np::testing::press;
using np::testing::wait_until;
using np::testing::window_text;

using namespace console_tests;

constexpr UINT kPreviewMessage = 0x659;
constexpr std::uint16_t kReadyLampCommand = 0x00A0;

std::string system_folder() {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\system\\";
}

// The 20 characters on the unit's state display, read once the console has closed
// the link.
std::string unit_display() {
    int link = JbusOpenCom("COM1", 57600);
    if (link == -1) return "(no link)";
    std::array<unsigned short, 20> words{};
    const int result = JbusReadSeveralWords(link, 1, 0x708D, 20, words.data());
    JbusCloseCom(&link);
    if (result != 0) return "(read failed)";
    std::string shown;
    for (unsigned short word : words) {
        shown += static_cast<char>(word & 0xFF);
        shown += static_cast<char>(word >> 8);
    }
    return shown.substr(0, 20);
}

// A packed 8-bit grey bitmap, every pixel white, in a movable global block.
UniqueGlobal white_preview(int width, int height) {
    const int stride = (width + 3) & ~3;
    const SIZE_T size = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + SIZE_T(stride) * height;
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
    auto* bytes = static_cast<std::uint8_t*>(::GlobalLock(block.get()));
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 8;
    auto* colours = reinterpret_cast<RGBQUAD*>(bytes + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < 256; ++i) colours[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    std::fill(bytes + sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), bytes + size, 0xFF);
    ::GlobalUnlock(block.get());
    return block;
}

// What a control shows, read from its own window rather than from the screen (a
// desktop of its own is not always on the screen).
struct Shown {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

Shown shown_by(HWND control) {
    np::testing::capture_window(::GetAncestor(control, GA_ROOT));  // once everything has painted
    RECT client{};
    ::GetClientRect(control, &client);
    Shown shown{client.right, client.bottom, {}};
    HDC dc = ::GetDC(control);
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) shown.pixels.push_back(::GetPixel(dc, x, y));
    ::ReleaseDC(control, dc);
    return shown;
}

bool is_black(COLORREF c) {
    return GetRValue(c) < 16 && GetGValue(c) < 16 && GetBValue(c) < 16;
}
bool is_white(COLORREF c) {
    return GetRValue(c) > 240 && GetGValue(c) > 240 && GetBValue(c) > 240;
}

class DemoConsole : public ConsoleFixture {
  protected:
    DemoConsole() : ConsoleFixture("Ventra_Demo.dll") {}

    // Closes the console (as the driver does with the image) and waits for its thread,
    // which closes the link.
    void close_console() {
        ::PostMessageA(console_, 0x658, 0, 0);
        ASSERT_TRUE(console_closed());
        end_of_console();
    }

    // The preview's pixels across its middle row, at the given fractions of its width.
    std::vector<COLORREF> preview_row(std::initializer_list<double> at) const {
        const Shown preview = shown_by(item(IDC_PREVIEW));
        std::vector<COLORREF> pixels;
        for (double f : at) pixels.push_back(preview.at(static_cast<int>(f * preview.width), preview.height / 2));
        return pixels;
    }

    // A command of the information menu, as the menu hands it to the console.
    void choose_from_menu(WPARAM command) const { ::PostMessageA(console_, WM_COMMAND, command, 0); }
};

TEST_F(DemoConsole, ShowsItsOwnTextsOnTheConsoleAndOnTheUnitsDisplay) {
    start();
    EXPECT_TRUE(wait_until([&] { return text(IDC_MESSAGE_DISPLAY) == "For Demo Only"; }));
    close_console();
    EXPECT_EQ(unit_display(), "For Demo Only       ");

    ASSERT_EQ(open_(), 0);
    start();
    unit_.send("set 7019 46 64 96; handswitch");  // a 1.5 s exposure with X-rays
    EXPECT_TRUE(wait_until([&] { return text(IDC_MESSAGE_DISPLAY) == "Acquisition For Demo"; }));
    // The emission lamp lights in blue.
    ASSERT_TRUE(wait_until([&] { return state(IDC_EMISSION_LAMP) == 1; }));
    const Shown lamp = shown_by(item(IDC_EMISSION_LAMP));
    int blue = 0, yellow = 0;
    for (COLORREF c : lamp.pixels) {
        if (GetBValue(c) > 150 && GetRValue(c) < 100) ++blue;
        if (GetRValue(c) > 150 && GetGValue(c) > 100 && GetBValue(c) < 80) ++yellow;
    }
    EXPECT_GT(blue, 100);
    EXPECT_EQ(yellow, 0);
    close_console();
    EXPECT_EQ(unit_display(), "Acquisition For Demo");
    Sleep(1500);  // the unit ends its exposure before the next case
}

TEST_F(DemoConsole, PreviewShowsOnlyTheColumnsTheDriverFilled) {
    start();
    const UniqueGlobal preview = white_preview(16, 8);
    ::SendMessageA(console_, kPreviewMessage, reinterpret_cast<WPARAM>(preview.get()), 0);
    for (COLORREF c : preview_row({0.05, 0.5, 0.95})) EXPECT_TRUE(is_black(c)) << std::hex << c;
    ::SendMessageA(console_, kPreviewMessage, reinterpret_cast<WPARAM>(preview.get()), 4);
    auto row = preview_row({0.05, 0.5, 0.9});
    EXPECT_TRUE(is_black(row[0]));
    EXPECT_TRUE(is_black(row[1]));
    EXPECT_TRUE(is_white(row[2])) << std::hex << row[2];
    ::SendMessageA(console_, kPreviewMessage, reinterpret_cast<WPARAM>(preview.get()), 16);
    for (COLORREF c : preview_row({0.05, 0.5, 0.95})) EXPECT_TRUE(is_white(c)) << std::hex << c;
}

TEST_F(DemoConsole, TheReadyLampSendsItsCommandOncePerClick) {
    start();
    for (std::size_t clicks : {1u, 2u}) {
        click(IDC_READY_LAMP);
        EXPECT_TRUE(wait_until([&] { return count_sent(kReadyLampCommand) == clicks; }));
        Sleep(600);
        EXPECT_EQ(count_sent(kReadyLampCommand), clicks);
    }
}

TEST_F(DemoConsole, AnImageThatNeverComesDoesNotEndTheConsoleWhateverSecurityTimeOutSays) {
    registry_.set_user_dword(kVentraKey, "SecurityTimeOut", 500);
    start();
    unit_.send("set 7019 46 64 190; handswitch");
    ASSERT_TRUE(wait_until([&] { return state(IDC_EMISSION_LAMP) == 1; }));
    EXPECT_FALSE(np::testing::wait_for_message_box(thread_id_, 2000));
    EXPECT_TRUE(::IsWindow(console_));
    EXPECT_TRUE(wait_until([&] { return state(IDC_EMISSION_LAMP) == 0; }, 6000));  // the exposure is over
    Sleep(500);
    EXPECT_TRUE(::IsWindow(console_));
    EXPECT_EQ(notified(), (std::vector<int>{0}));
}

TEST_F(DemoConsole, Error59IsAnsweredAsAnyOtherAndSomeErrorDialogsHaveNoOwner) {
    start();
    unit_.send("error 59");
    auto box = np::testing::wait_for_message_box(thread_id_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "Error n\xB0 59");
    EXPECT_EQ(box->text.rfind("Program evolution error\nStart again.\n", 0), 0u) << box->text;
    press(box->window, IDRETRY);
    EXPECT_TRUE(was_sent(0x0080));
    EXPECT_TRUE(wait_until([&] { return !::IsWindow(box->window); }));
    EXPECT_TRUE(::IsWindow(console_));

    unit_.send("set 7018 0");  // without X-rays the handswitch error only informs
    struct Case {
        const char* error;
        bool console_owns;
        int button;
    };
    for (const Case& c : {Case{"error 1", false, IDOK}, Case{"error 55", false, IDC_ERROR_DEFAULT},
                          Case{"error 54", true, IDC_ERROR_TRY_AGAIN}, Case{"error 57", false, IDC_ERROR_TRY_AGAIN},
                          Case{"error 56", true, IDC_ERROR_TRY_AGAIN}}) {
        SCOPED_TRACE(c.error);
        unit_.send(c.error);
        HWND dialog = nullptr;
        ASSERT_TRUE(wait_until([&] {
            dialog = np::testing::find_dialog(thread_id_, "Error");
            if (!dialog) dialog = np::testing::find_dialog(thread_id_, "Manipulation error");
            return dialog != nullptr;
        }));
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), c.console_owns ? console_ : nullptr);
        press(dialog, c.button);
        EXPECT_TRUE(wait_until([&] { return !::IsWindow(dialog); }));
        unit_.send("error 0");
        Sleep(400);
    }
    EXPECT_TRUE(::IsWindow(console_));
    EXPECT_TRUE(notified().empty());  // the handswitch error without X-rays only informs
}

TEST_F(DemoConsole, ScreensOpenWithoutAnOwnerAndPreferencesStayOpenAfterSave) {
    start();
    constexpr WPARAM kAbout = 32771, kPreferences = 32774;
    choose_from_menu(kAbout);
    HWND about = nullptr;
    ASSERT_TRUE(wait_until([&] { return (about = np::testing::find_dialog(thread_id_, "About...")) != nullptr; }));
    EXPECT_EQ(::GetWindow(about, GW_OWNER), nullptr);
    press(about, IDOK);
    ASSERT_TRUE(wait_until([&] { return !::IsWindow(about); }));

    choose_from_menu(kPreferences);
    HWND preferences = nullptr;
    ASSERT_TRUE(
        wait_until([&] { return (preferences = np::testing::find_dialog(thread_id_, "Preference")) != nullptr; }));
    EXPECT_EQ(::GetWindow(preferences, GW_OWNER), nullptr);
    press(preferences, IDC_PREF_SAVE);
    EXPECT_TRUE(was_sent(0x0481));
    Sleep(800);
    EXPECT_TRUE(::IsWindow(preferences));
    ::PostMessageA(preferences, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(wait_until([&] { return !::IsWindow(preferences); }));
}

TEST_F(DemoConsole, PollsWithTheLinkClosedAndSaysTheUnitDoesNotAnswer) {
    start();
    close_console();  // its thread closes the link
    start(false);
    EXPECT_TRUE(wait_until([&] { return text(IDC_MESSAGE_DISPLAY) == "Communication problem"; }));
}

TEST_F(DemoConsole, SettingsComeFromTheUsersKeyThenTheMachinesOnly) {
    // The key of the default user, which Ventra reads first, is not one of them.
    const std::string default_user = ".DEFAULT\\Software\\NORVANE\\PANO\\VENTRA";
    const DWORD on = 1;
    set_registry_value(HKEY_USERS, default_user, "WithVocal", REG_DWORD, &on, sizeof on);
    start();
    EXPECT_EQ(state(IDC_VOICE_HELP), 0);
    close_console();
    registry_.set_machine_dword(kVentraKey, "WithVocal", 1);
    ASSERT_EQ(open_(), 0);
    start();
    EXPECT_EQ(state(IDC_VOICE_HELP), 1);
    ::RegDeleteKeyA(HKEY_USERS, default_user.c_str());
}

TEST_F(DemoConsole, TheDoseDisplayIsNarrower) {
    start();
    RECT dose{}, expected{0, 0, 27, 0};
    ::GetWindowRect(item(IDC_DOSE_DISPLAY), &dose);
    ::MapDialogRect(console_, &expected);
    EXPECT_EQ(dose.right - dose.left, expected.right);
}

// --- Without a console ----------------------------------------------------------------

TEST(VentraDemoModule, NamesItsPartsWithoutLookingAtAnyFile) {
    for (const char* file : {"Panodlg.dll", "NPjbus.dll", "NPLang.dll"})
        ::DeleteFileA((system_folder() + file).c_str());
    ASSERT_TRUE(::CopyFileA("NPeng.dll", "NPLang.dll", FALSE));
    {
        UniqueModule module(::LoadLibraryA("Ventra_Demo.dll"));
        ASSERT_TRUE(module);
        const auto get = reinterpret_cast<VersionRecord* (*)()>(
            reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module.get()), "pKXGetVersion")));
        const auto release = reinterpret_cast<void (*)()>(
            reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module.get()), "KXFreeVersion")));
        std::vector<std::string> names;
        for (const VersionRecord* r = get(); r; r = r->next) {
            names.emplace_back(r->name);
            EXPECT_STREQ(r->version, "3.0.1.0");
            EXPECT_STREQ(r->date, "17 juin 2002");
        }
        EXPECT_EQ(names, (std::vector<std::string>{"Ventra.dll", "NPjbus.dll", "NPLang.dll"}));
        release();
        release();
    }
    ::DeleteFileA("NPLang.dll");

    // Its own version resource.
    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeA("Ventra_Demo.dll", &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoA("Ventra_Demo.dll", 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00020000u);
    for (const char* key : {"FileDescription", "InternalName", "OriginalFilename"}) {
        char* value = nullptr;
        ASSERT_TRUE(::VerQueryValueA(info.data(), (std::string("\\StringFileInfo\\000004b0\\") + key).c_str(),
                                     reinterpret_cast<void**>(&value), &length));
        EXPECT_STREQ(value, "Ventra_Demo.dll") << key;
    }
}

// --- The driver of the console's cases ----------------------------------------------

class DemoScreen : public ::testing::TestWithParam<Screen> {};

TEST_P(DemoScreen, TheConsoleTests) {
    if (on_test_desktop()) GTEST_SKIP();
    EXPECT_EQ(run_on_desktop(GetParam()), 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DemoScreen, ::testing::Values(Screen{1024, 768, "DemoConsole.*"}),
                         [](const auto& info) { return screen_name(info.param); });

}  // namespace
}  // namespace np::ventra
