// The maintenance screens against the NorvanePan unit simulator (COM1 the unit's
// line, COM2 its command line). The screens run modally on the test's thread, over a
// plain window standing for the console; an operator thread finds each screen, works
// its controls and reads what it shows. The unit's registers are read back once the
// screen has closed, so that the link is never used from two threads. Each screen
// leaves its picture in screenshots/ beside this program.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/files/event_log.h"
#include "adaptations/ventra/files/restore_file.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "adaptations/ventra/module/ventra_module.h"
#include "adaptations/ventra/module/ventra_registry.h"
#include "adaptations/ventra/screens/maintenance_screens.h"
#include "adaptations/ventra/screens/screen_ids.h"
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/test_files.h"
#include "tools/wintest/unit_command_line.h"
#include "tools/wintest/window_finder.h"
#include "tools/wintest/window_picture.h"

namespace np::ventra {
namespace {

using testing::file_bytes;
using testing::put_file;
using testing::wait_until;
using testing::window_text;

std::uint16_t file_word(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                      static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

// The console as the screens see it: a plain window, and what they asked of it.
class FakeConsole : public ConsoleAccess {
  public:
    FakeConsole()
        : window_(::CreateWindowExA(0, "STATIC", "console", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 200,
                                    nullptr, nullptr, nullptr, nullptr)) {}
    ~FakeConsole() override { ::DestroyWindow(window_); }
    HWND window() const override { return window_; }
    void refresh_from_unit() override { ++refreshes; }
    void set_calibration_running(bool running) override { calibration_flags.push_back(running); }
    void show_command_failure(int) override {}

    std::atomic<int> refreshes{0};
    std::vector<bool> calibration_flags;

  private:
    HWND window_;
};

// One screen as the operator thread reaches it.
class Screen {
  public:
    explicit Screen(HWND window = nullptr) : window_(window) {}
    HWND window() const { return window_; }
    bool open() const { return window_ && ::IsWindow(window_); }
    HWND item(int control) const { return ::GetDlgItem(window_, control); }

    // Runs the button's command and returns once it is done (message boxes answered).
    void click(int control) const {
        ::SendMessageA(window_, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), reinterpret_cast<LPARAM>(item(control)));
    }
    // For a button that opens a screen of its own: returns at once.
    void press(int control) const {
        ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), reinterpret_cast<LPARAM>(item(control)));
    }
    std::string text(int control) const { return window_text(item(control)); }
    void type(int control, const std::string& value) const {
        ::SendMessageA(item(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    }
    void choose(int combo, int index) const {
        ::SendMessageA(item(combo), CB_SETCURSEL, index, 0);
    }
    int chosen(int combo) const { return static_cast<int>(::SendMessageA(item(combo), CB_GETCURSEL, 0, 0)); }
    std::string choice_text(int combo, int index) const {
        char buffer[128] = {};
        ::SendMessageA(item(combo), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
        return buffer;
    }
    int choices(int combo) const { return static_cast<int>(::SendMessageA(item(combo), CB_GETCOUNT, 0, 0)); }
    std::string cell(int list, int row, int column) const {
        char buffer[64] = {};
        LVITEMA i{};
        i.iSubItem = column;
        i.pszText = buffer;
        i.cchTextMax = sizeof buffer;
        ::SendMessageA(item(list), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&i));
        return buffer;
    }
    void shoot(const std::string& name) const {
        ::CreateDirectoryA("screenshots", nullptr);
        EXPECT_TRUE(testing::write_png("screenshots\\" + name + ".png", testing::capture_window(window_)));
    }

  private:
    HWND window_;
};

// The screen of the given thread with this title, once it has opened (the title is what
// identifies a screen to the operator).
Screen wait_for_screen(DWORD thread, const std::string& title, HWND other_than = nullptr) {
    HWND found = nullptr;
    wait_until(
        [&] {
            found = testing::find_dialog(thread, title);
            return found && found != other_than;
        },
        10000);
    if (found) ::SendMessageA(found, WM_NULL, 0, 0);  // done opening
    return Screen(found != other_than ? found : nullptr);
}

class MaintenanceScreens : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(::CopyFileA("NPeng.dll", "NPLang.dll", FALSE));
        ASSERT_TRUE(module_.start());
        // The templates and strings are the module's own.
        templates_.reset(::LoadLibraryExA("Ventra.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(templates_);
        module_.instance = templates_.get();
        registry_.set_user_text(kPanoKey, "COM", "1");
        registry_.set_user_dword(kVentraKey, "Baudrate", 57600);
        ASSERT_EQ(open_comm_port(module_), 0);
        unit_.send("restore; command 82; error 0");  // every group at the unit's defaults
    }
    void TearDown() override {
        unit_.send("restore");
        module_.end();
        ::DeleteFileA("NPLang.dll");
    }

    // Opens the screen of a menu command; `operate` works it from another thread and
    // whatever it leaves open is cancelled.
    void work(int command, const std::string& title, const std::function<void(const Screen&)>& operate) {
        const DWORD caller = ::GetCurrentThreadId();
        std::atomic<bool> returned{false};
        std::thread operator_thread([&] {
            const Screen screen = wait_for_screen(caller, title);
            EXPECT_TRUE(screen.open()) << "no screen for command " << command;
            if (screen.open()) operate(screen);
            // Screens still open, nested ones first, are cancelled until the command returns.
            while (!returned) {
                ::EnumThreadWindows(caller, cancel_dialog, 0);
                ::Sleep(100);
            }
        });
        EXPECT_TRUE(open_maintenance_screen(console_, module_, command));
        returned = true;
        operator_thread.join();
    }

    static BOOL CALLBACK cancel_dialog(HWND window, LPARAM) {
        char name[16] = {};
        ::GetClassNameA(window, name, sizeof name);
        if (std::string(name) == "#32770" && ::IsWindowEnabled(window))
            ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    std::uint16_t word(std::uint16_t address) {
        std::uint16_t value = 0;
        EXPECT_EQ(module_.link.read(address, 1, &value), 0);
        return value;
    }
    std::vector<std::uint16_t> words(std::uint16_t address, int count) {
        std::vector<std::uint16_t> values(count);
        EXPECT_EQ(module_.link.read(address, count, values.data()), 0);
        return values;
    }
    std::string text(std::uint16_t id) const { return module_.language.text(id); }

    RegistrySandbox registry_{"NORVANE"};
    bool answer_yes_ = true;
    MessageBoxCapture boxes_{[this](const CapturedMessageBox& box) {
        if (box.buttons == MB_YESNO) return answer_yes_ ? IDYES : IDNO;
        return MessageBoxCapture::first_button(box);
    }};
    testing::UnitCommandLine unit_;
    VentraModule module_;
    UniqueModule templates_;
    FakeConsole console_;
};

TEST_F(MaintenanceScreens, CommandsTheConsoleServesItselfOpenNothing) {
    for (int command : {32779, 32786, 32787, 32788, 32790, 32791, 40000})
        EXPECT_FALSE(open_maintenance_screen(console_, module_, command)) << command;
}

TEST_F(MaintenanceScreens, AboutDetailsAndLogShowTheirTexts) {
    put_file(kConfigReportPath, "[VERSION]\r\nSoftName=NorvanePan\r\n");
    work(32771, "About...", [&](const Screen& about) {
        EXPECT_EQ(about.text(IDC_ABOUT_FIRMWARE_LABEL), "Firmware version");
        const std::string firmware = about.text(IDC_ABOUT_FIRMWARE);
        EXPECT_EQ(firmware.substr(0, 22), "Name :\t\tNorvanePan\r\nVe");
        EXPECT_NE(firmware.find("Version :\t1.02\r\nDate :\t\t2026/11\r\n"), std::string::npos);
        EXPECT_EQ(about.text(IDC_ABOUT_SOFTWARE).substr(0, 13), "panodlg.dll\r\n");
        about.shoot("about");
        about.press(IDC_ABOUT_DETAILS);
        const Screen details = wait_for_screen(::GetWindowThreadProcessId(about.window(), nullptr), "Details...");
        ASSERT_TRUE(details.open());
        EXPECT_EQ(details.text(IDC_TEXT), "[VERSION]\r\nSoftName=NorvanePan\r\n");
        details.shoot("details");
        details.click(IDOK);
        EXPECT_TRUE(wait_until([&] { return !details.open(); }));
        about.click(IDOK);
    });

    const std::string log = std::string("Error n\xB0" "12\t01/02/2026 10h05min\r\r\n");
    put_file(kEventLogPath, log);
    work(32789, "Log File", [&](const Screen& screen) {
        EXPECT_EQ(screen.text(IDC_LOG_PATH), "c:\\NorvanePan.log");
        EXPECT_EQ(screen.text(IDC_TEXT), log);
        screen.shoot("log");
        // Wine has no mail service: nothing is sent and nothing shown.
        screen.click(IDC_LOG_SEND);
        EXPECT_TRUE(boxes_.boxes().empty()) << boxes_.log();
        // Nor a printer: the print dialog says so itself, and nothing is printed.
        screen.click(IDC_LOG_PRINT);
        EXPECT_TRUE(screen.open());
        EXPECT_FALSE(::IsWindowEnabled(console_.window()));  // still the modal screen's owner
        screen.click(IDOK);
    });
    EXPECT_TRUE(::IsWindowEnabled(console_.window()));
}

TEST_F(MaintenanceScreens, GeneralShowsTheTubeTotalsAndItsFailures) {
    unit_.send("set 6809 1 2 E240 1");  // 131073 images, 123456 J
    work(32772, "General information", [&](const Screen& screen) {
        EXPECT_EQ(screen.text(IDC_GENERAL_IMAGES), "131073");
        EXPECT_EQ(screen.text(IDC_GENERAL_ENERGY), "123");
        EXPECT_EQ(screen.text(IDC_GENERAL_CHARGE), "42");
        EXPECT_FALSE(::IsWindowVisible(screen.item(IDC_GENERAL_MAINS)));
        EXPECT_EQ(screen.text(IDC_GENERAL_MAINS), "231.5");
        screen.shoot("general");
        unit_.send("set 701E 0 4364");  // 228 V
        EXPECT_TRUE(wait_until([&] { return screen.text(IDC_GENERAL_MAINS) == "228.0"; }));
        unit_.send("exception 2 5");
        EXPECT_TRUE(wait_until([&] { return screen.text(IDC_GENERAL_MAINS) == "ERROR : 102"; }));
    });
    unit_.send("restore; exception 2 3");
    work(32772, "General information", [&](const Screen& screen) {
        EXPECT_EQ(screen.text(IDC_GENERAL_IMAGES), "ERROR : 102");
        EXPECT_EQ(screen.text(IDC_GENERAL_CHARGE), "ERROR : 102");
    });
}

TEST_F(MaintenanceScreens, CommunicationListsPortsRatesAndTheFailureRate) {
    const std::string ports = "Hardware\\DeviceMap\\SerialComm";
    set_registry_value(HKEY_LOCAL_MACHINE, ports, "\\Device\\Serial0", REG_SZ, "COM1", 5);
    set_registry_value(HKEY_LOCAL_MACHINE, ports, "\\Device\\Serial1", REG_SZ, "COM2", 5);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, ports.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, "\\Device\\Serial2");
        ::RegCloseKey(key);
    }
    registry_.set_user_text(kPanoKey, "COM", "2");
    registry_.set_user_dword(kVentraKey, "Baudrate", 38400);
    unit_.send("set 702C 383 64");  // 899 and 100; the screen's read makes 900
    work(32773, "Communication", [&](const Screen& screen) {
        ASSERT_EQ(screen.choices(IDC_COMM_PORT), 2);
        EXPECT_EQ(screen.choice_text(IDC_COMM_PORT, screen.chosen(IDC_COMM_PORT)), "COM2");
        ASSERT_EQ(screen.choices(IDC_COMM_RATE), 4);
        EXPECT_EQ(screen.choice_text(IDC_COMM_RATE, 0), "9600 Bauds");
        EXPECT_EQ(screen.choice_text(IDC_COMM_RATE, screen.chosen(IDC_COMM_RATE)), "38400 Bauds");
        EXPECT_EQ(screen.text(IDC_COMM_TOTAL), "1000");
        EXPECT_EQ(screen.text(IDC_COMM_WRONG), "100");
        EXPECT_EQ(screen.text(IDC_COMM_RATE_OF_FAILURE), "10.0 %");
        screen.shoot("communication");

        screen.press(IDC_COMM_COUNTERS);
        const Screen counters =
            wait_for_screen(::GetWindowThreadProcessId(screen.window(), nullptr), "Communication", screen.window());
        ASSERT_TRUE(counters.open());
        EXPECT_EQ(counters.text(IDC_COUNTER_FIRST + 1), "100");
        EXPECT_EQ(counters.text(IDC_COUNTERS_STATUS), text(113));
        counters.shoot("counters");
        counters.click(IDC_COUNTERS_RESET);
        EXPECT_EQ(counters.text(IDC_COUNTER_FIRST), "1");  // the read after the reset
        EXPECT_EQ(counters.text(IDC_COUNTER_FIRST + 1), "0");
        EXPECT_EQ(counters.text(IDC_COUNTERS_STATUS), text(115));
        counters.click(IDCANCEL);
        EXPECT_TRUE(wait_until([&] { return screen.text(IDC_COMM_RATE_OF_FAILURE) == "0.0 %"; }));
        screen.click(IDOK);
    });
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_[0].text, text(230));
}

TEST_F(MaintenanceScreens, PreferencesAreEditedInPlaceStoredAndKeptInTheRestoreFile) {
    unit_.send("set 7079 1 0 FFFE A 3 B 4 C 5 14 6 15 7 16");
    work(32774, "Preference", [&](const Screen& screen) {
        EXPECT_EQ(screen.chosen(IDC_PREF_ORIGIN), 1);
        EXPECT_EQ(screen.cell(IDC_PREF_LIST, 0, 0), "Child: kV");
        EXPECT_EQ(screen.cell(IDC_PREF_LIST, 0, 1), "-2");
        EXPECT_EQ(screen.cell(IDC_PREF_LIST, 3, 3), "22");
        // A double click on the cell child kV / medium opens its editor.
        RECT cell{};
        cell.top = 2;
        cell.left = LVIR_BOUNDS;
        ::SendMessageA(screen.item(IDC_PREF_LIST), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
        const LPARAM point = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
        ::SendMessageA(screen.item(IDC_PREF_LIST), WM_LBUTTONDBLCLK, MK_LBUTTON, point);
        ASSERT_TRUE(wait_until([&] { return screen.item(IDC_PREF_CELL_EDIT) != nullptr; }));
        EXPECT_EQ(screen.text(IDC_PREF_CELL_EDIT), "3");
        screen.type(IDC_PREF_CELL_EDIT, "-7");
        ::PostMessageA(screen.item(IDC_PREF_CELL_EDIT), WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_TRUE(wait_until([&] { return screen.item(IDC_PREF_CELL_EDIT) == nullptr; }));
        EXPECT_EQ(screen.cell(IDC_PREF_LIST, 0, 2), "-7");
        EXPECT_TRUE(screen.open());  // Enter ends the cell's editing, not the screen
        screen.choose(IDC_PREF_ORIGIN, 2);
        screen.shoot("preferences");

        unit_.send("exception 2 1");  // the write is refused: the screen stays
        screen.click(IDC_PREF_SAVE);
        ASSERT_EQ(boxes_.count(), 1u);
        EXPECT_EQ(boxes_[0].text, "Save: failed");
        ASSERT_TRUE(screen.open());
        screen.click(IDC_PREF_SAVE);
    });
    EXPECT_EQ(words(address::preferences, 14),
              (std::vector<std::uint16_t>{2, 0, 0xFFFE, 0xA, 0xFFF9, 0xB, 4, 0xC, 5, 0x14, 6, 0x15, 7, 0x16}));
    EXPECT_EQ(word(address::command), 0x0481);
    const std::string saved = file_bytes(kRestoreFilePath);
    ASSERT_EQ(saved.size(), 182u);
    EXPECT_EQ(file_word(saved, 142 + 2 * 4), 0xFFF9);

    // Reinitialisation answered No sends nothing; Yes brings the unit's defaults.
    work(32774, "Preference", [&](const Screen& screen) {
        answer_yes_ = false;
        screen.click(IDC_PREF_REINIT);
        EXPECT_EQ(screen.cell(IDC_PREF_LIST, 0, 2), "-7");
        answer_yes_ = true;
        screen.click(IDC_PREF_REINIT);
        EXPECT_EQ(screen.cell(IDC_PREF_LIST, 0, 1), std::to_string(0x4402));
    });
    EXPECT_EQ(file_word(file_bytes(kRestoreFilePath), 142 + 2 * 2), 0x4402);  // a reset rewrites the file too
}

TEST_F(MaintenanceScreens, ManufacturingSavesTheSerialNumberAndTheChoices) {
    work(32777, "Manufacturing parameters", [&](const Screen& screen) {
        EXPECT_EQ(screen.choices(IDC_MANUF_PANORAMIC), 4);
        EXPECT_EQ(screen.choice_text(IDC_MANUF_TUBE, 2), "NORVANE tube");
        EXPECT_EQ(screen.chosen(IDC_MANUF_TUBE), -1);  // the default pattern is no choice
        screen.type(IDC_MANUF_SERIAL, "NP-0042");
        screen.choose(IDC_MANUF_VOLTAGE, 1);
        screen.choose(IDC_MANUF_FREQUENCY, 0);
        screen.choose(IDC_MANUF_TUBE, 2);
        screen.choose(IDC_MANUF_PANORAMIC, 3);
        screen.choose(IDC_MANUF_CEPH, 1);
        screen.shoot("manufacturing");
        screen.click(IDC_MANUF_SAVE);
        EXPECT_TRUE(screen.open());
    });
    const auto stored = words(address::manufacturing, 11);
    EXPECT_EQ(stored, (std::vector<std::uint16_t>{'N' | 'P' << 8, '-' | '0' << 8, '0' | '4' << 8, '2', 0, 1, 0, 3,
                                                   1, 2, 0x220A}));
    EXPECT_EQ(word(address::command), 0x0281);
    EXPECT_EQ(file_word(file_bytes(kRestoreFilePath), 30 + 2 * 9), 2);

    work(32777, "Manufacturing parameters", [&](const Screen& screen) {
        EXPECT_EQ(screen.text(IDC_MANUF_SERIAL), "NP-0042");
        unit_.send("exception 2 1");
        screen.click(IDC_MANUF_DEFAULT);
        ASSERT_EQ(boxes_.count(), 1u);
        EXPECT_EQ(boxes_[0].text, "Reinitialization failed");
        screen.click(IDC_MANUF_DEFAULT);
        EXPECT_EQ(screen.text(IDC_MANUF_SERIAL), "");  // the default pattern starts with a NUL
    });
}

// The unit refuses one request (an exception answer) while the screen opens or after
// a button: the screen says so in its own text.
TEST_F(MaintenanceScreens, EachScreenReportsARefusedRequestInItsOwnText) {
    struct Case {
        int command;
        const char* screen;
        int button;  // no button: refused while opening
        std::uint16_t text;
    };
    const Case cases[] = {
        {32777, "Manufacturing parameters", 0, 168},  {32777, "Manufacturing parameters", IDC_MANUF_SAVE, 159},
        {32785, "Arm calibration", 0, 195},           {32785, "Arm calibration", IDC_ARM_SAVE, 197},
        {32785, "Arm calibration", IDC_ARM_DEFAULT, 199}, {32774, "Preference", IDC_PREF_RESET_VALUES, 131},
    };
    for (const Case& c : cases) {
        boxes_.clear();
        if (!c.button) unit_.send("exception 2 1");
        work(c.command, c.screen, [&](const Screen& screen) {
            if (!c.button) return;
            // Two refusals: the arm screen's own reads every 500 ms may take the first.
            unit_.send("exception 2 2");
            screen.click(c.button);
        });
        unit_.send("restore");
        ASSERT_GE(boxes_.count(), 1u) << c.command << " " << c.button;
        EXPECT_EQ(boxes_[0].text, text(c.text)) << c.command << " " << c.button;
    }
}

TEST_F(MaintenanceScreens, ArmCalibrationFollowsTheArmAndSavesTheOffset) {
    unit_.send("set 7051 64 7 FFFB");
    for (int command : {32785, 32778}) {
        work(command, "Arm calibration", [&](const Screen& screen) {
            EXPECT_EQ(screen.text(IDC_ARM_LENGTH), "100");
            EXPECT_EQ(screen.text(IDC_ARM_OFFSET), "-5");
            screen.click(IDC_ARM_CALIBRATE);
            EXPECT_TRUE(wait_until([&] { return screen.text(IDC_ARM_LENGTH) == "2150"; }));
            EXPECT_EQ(screen.text(IDC_ARM_HYSTERESIS), "14");
            if (command == 32785) screen.shoot("arm-calibration");
            screen.type(IDC_ARM_OFFSET, "-12");
            screen.click(IDC_ARM_SAVE);
        });
        EXPECT_EQ(word(address::arm_calibration), 0xFFF4);
        EXPECT_EQ(word(address::command), 0x0181);
        unit_.send("set 7051 64 7 FFFB");
    }
    EXPECT_TRUE(boxes_.boxes().empty()) << boxes_.log();
}

// Both steps of a calibration: the set value and the unit's measurement shown, the
// instrument's value entered.
void run_steps(const Screen& result, const std::array<const char*, 2>& set, const std::array<const char*, 2>& unit,
               const std::array<const char*, 2>& entered, const std::string& title) {
    const DWORD thread = ::GetWindowThreadProcessId(result.window(), nullptr);
    result.press(IDC_RESULT_START);
    for (int step = 0; step < 2; ++step) {
        const Screen screen = wait_for_screen(thread, title + (step == 0 ? " - Step 1" : " - Step 2"));
        ASSERT_TRUE(screen.open());
        EXPECT_TRUE(wait_until([&] { return screen.text(IDC_STEP_SET) == set[step]; })) << screen.text(IDC_STEP_SET);
        EXPECT_TRUE(wait_until([&] { return screen.text(IDC_STEP_UNIT) == unit[step]; }))
            << screen.text(IDC_STEP_UNIT);
        if (step == 0) screen.shoot(title == "kV calibration" ? "kv-step" : "ma-step");
        screen.type(IDC_STEP_ENTRY, entered[step]);
        screen.click(IDOK);
        EXPECT_TRUE(wait_until([&] { return !screen.open(); }));
    }
}

TEST_F(MaintenanceScreens, KvAndMaCalibrationsRunBothStepsToTheResultAndSaveIt) {
    work(32782, "kV calibration", [&](const Screen& result) {
        run_steps(result, {"70.0", "85.0"}, {"71.8", "87.1"}, {"70.5", "85.2"}, "kV calibration");
        EXPECT_EQ(result.text(IDC_RESULT_MEASURE_GAIN), "0.9608");
        EXPECT_EQ(result.text(IDC_RESULT_MEASURE_OFFSET), "1.5157");
        EXPECT_EQ(result.text(IDC_RESULT_COMMAND_GAIN), "1.0204");
        EXPECT_EQ(result.text(IDC_RESULT_COMMAND_OFFSET), "-1.9388");
        result.shoot("calibration-result");
        result.click(IDC_RESULT_SAVE);
    });
    EXPECT_EQ(console_.calibration_flags, (std::vector<bool>{true, false}));
    EXPECT_GE(console_.refreshes, 2);
    const auto block = words(address::calibration, 40);
    EXPECT_EQ(block[12] << 16 | block[11], 0x3F829CBC);  // command gain 15 / 14.7
    EXPECT_EQ(block[6], 0x1106);                         // the words around are the unit's
    EXPECT_EQ(block[15], 0x110F);
    EXPECT_EQ(word(address::command), 0x0181);

    work(32783, "mA calibration", [&](const Screen& result) {
        run_steps(result, {"4.0", "10.0"}, {"3.9", "9.6"}, {"4,1", "10.3"}, "mA calibration");
        EXPECT_EQ(result.text(IDC_RESULT_MEASURE_GAIN), "1.0877");
        EXPECT_EQ(result.text(IDC_RESULT_MEASURE_OFFSET), "-0.1421");
        EXPECT_EQ(result.text(IDC_RESULT_COMMAND_GAIN), "0.9677");
        EXPECT_EQ(result.text(IDC_RESULT_COMMAND_OFFSET), "0.0323");
        result.click(IDC_RESULT_SAVE);
    });
    const auto ma = words(address::calibration + 15, 8);
    EXPECT_NE(ma[1] << 16 | ma[0], 0x3F800000);  // no longer the neutral gain of the steps
    EXPECT_TRUE(boxes_.boxes().empty()) << boxes_.log();
}

TEST_F(MaintenanceScreens, KvStepWithTheUnitOutOfLimitsShows770AndEndsTheCalibration) {
    const auto before = words(address::calibration, 40);
    work(32782, "kV calibration", [&](const Screen& result) {
        result.press(IDC_RESULT_START);
        const Screen step = wait_for_screen(::GetWindowThreadProcessId(result.window(), nullptr), "kV calibration - Step 1");
        ASSERT_TRUE(step.open());
        ASSERT_TRUE(wait_until([&] { return step.text(IDC_STEP_SET) == "70.0"; }));
        unit_.send("set 7020 0 4294");  // the unit measures 74 kV
        ASSERT_TRUE(wait_until([&] { return step.text(IDC_STEP_UNIT) == "74.0"; }));
        step.type(IDC_STEP_ENTRY, "73");
        step.click(IDOK);
        EXPECT_TRUE(wait_until([&] { return !step.open() && !result.open(); }));
    });
    ASSERT_EQ(boxes_.count(), 1u) << boxes_.log();
    EXPECT_EQ(boxes_[0].text, text(770));
    EXPECT_EQ(console_.calibration_flags, (std::vector<bool>{true, false}));
    EXPECT_EQ(words(address::calibration, 40), before);  // the pairs the step replaced are back

    // An entry 18 kV away from the unit's own measurement is refused alone.
    work(32782, "kV calibration", [&](const Screen& result) {
        result.press(IDC_RESULT_START);
        const Screen step = wait_for_screen(::GetWindowThreadProcessId(result.window(), nullptr), "kV calibration - Step 1");
        ASSERT_TRUE(step.open());
        ASSERT_TRUE(wait_until([&] { return step.text(IDC_STEP_UNIT) == "71.8"; }));
        step.type(IDC_STEP_ENTRY, "90");
        step.click(IDOK);
    });
    ASSERT_EQ(boxes_.count(), 2u) << boxes_.log();
    EXPECT_EQ(boxes_[1].text, text(771));
}

TEST_F(MaintenanceScreens, HeatingCalibrationFollowsTheProgramAndSaveStoresTheTable) {
    work(32784, "Heating voltage calibration", [&](const Screen& screen) {
        EXPECT_EQ(screen.cell(IDC_HEAT_LIST, 10, 1), "90");
        EXPECT_EQ(screen.cell(IDC_HEAT_LIST, 0, 2), std::to_string(0x1100 + 23));
        for (int step = 1; step <= 2; ++step) {
            unit_.send("handswitch");
            EXPECT_TRUE(wait_until([&] {
                return ::SendMessageA(screen.item(IDC_HEAT_PROGRESS), PBM_GETPOS, 0, 0) == step;
            }));
        }
        EXPECT_EQ(screen.cell(IDC_HEAT_LIST, 1, 0), "v");
        EXPECT_EQ(screen.cell(IDC_HEAT_LIST, 2, 0), "");
        EXPECT_EQ(screen.cell(IDC_HEAT_LIST, 1, 2), "-12");
        screen.shoot("heating-calibration");
        screen.click(IDC_HEAT_SAVE);
    });
    EXPECT_EQ(word(address::command), 0x0181);
    EXPECT_EQ(file_word(file_bytes(kRestoreFilePath), 62 + 2 * 24), 0xFFF4);
    EXPECT_EQ(console_.refreshes, 2);

    // Cancel: the step the unit made meanwhile is not kept.
    work(32784, "Heating voltage calibration", [&](const Screen& screen) {
        unit_.send("set 7012 0 0 0 27; handswitch");  // P3: the program at its third step
        EXPECT_TRUE(wait_until([&] { return screen.cell(IDC_HEAT_LIST, 2, 2) == "-9"; }));
        screen.click(IDCANCEL);
    });
    EXPECT_EQ(word(address::heating_table + 2), 0x1100 + 25);
    EXPECT_EQ(word(address::heating_table + 1), 0xFFF4);
}

TEST_F(MaintenanceScreens, SaveRestoreWritesTheFileAndPutsLostParametersBackWordForWord) {
    ::DeleteFileA(kRestoreFilePath);
    const std::uint16_t requests = word(address::counters);
    work(32780, "Save/Restore", [&](const Screen& screen) {
        screen.shoot("save-restore");
        screen.click(IDC_SR_RESTORE);
    });
    EXPECT_EQ(word(address::counters), requests + 1);  // nothing reached the unit
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_[0].text, "Restore failed");

    ASSERT_TRUE(::CreateDirectoryA(kRestoreFilePath, nullptr));  // a file cannot be made there
    work(32780, "Save/Restore", [&](const Screen& screen) { screen.click(IDC_SR_SAVE); });
    ::RemoveDirectoryA(kRestoreFilePath);
    ASSERT_EQ(boxes_.count(), 2u);
    EXPECT_EQ(boxes_[1].text, "Save failed");
    boxes_.clear();

    unit_.send("set 7041 4E41 3130; set 7076 ABCD; set 708C 1234");
    work(32780, "Save/Restore", [&](const Screen& screen) { screen.click(IDC_SR_SAVE); });
    ASSERT_EQ(boxes_.count(), 1u);
    EXPECT_EQ(boxes_[0].text, "Save successful");
    std::string saved = file_bytes(kRestoreFilePath);
    ASSERT_EQ(saved.size(), 182u);
    saved[0] = 'X';  // the identification is never written back
    put_file(kRestoreFilePath, saved);

    unit_.send("lost calibration; lost manufacturing; lost preferences");
    ASSERT_EQ(word(address::calibration + 37), 0);
    work(32780, "Save/Restore", [&](const Screen& screen) { screen.click(IDC_SR_RESTORE); });
    ASSERT_EQ(boxes_.count(), 2u);
    EXPECT_EQ(boxes_[1].text, "Restore successful");
    const auto back = [&](std::uint16_t address, int count, std::size_t offset) {
        const auto unit = words(address, count);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(unit[i], file_word(saved, offset + 2 * i)) << "word " << i << " at " << address;
    };
    back(address::manufacturing, 16, 30);
    back(address::calibration, 40, 62);
    back(address::preferences, 20, 142);
    EXPECT_EQ(word(address::identification) & 0xFF, 'N');
    EXPECT_EQ(word(address::command), 0x0081);
}

}  // namespace
}  // namespace np::ventra
