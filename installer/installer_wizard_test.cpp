// The installation wizard worked page by page as an operator would, for each unit
// family and each operating system: the files in place and the machine settings
// afterwards, compared with one table per unit.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <thread>

#include "installer/resources/installer_ids.h"
#include "installer/testing/install_fixture.h"
#include "installer/testing/wizard_operator.h"
#include "tools/wintest/registry_sandbox.h"
#include "tools/wintest/screen_desktop.h"
#include "tools/wintest/window_picture.h"

namespace np {
namespace {

using testing::RegistryTable;
using testing::WizardOperator;

constexpr const char* kSource = "c:\\12bits\\orvixpci\\";
constexpr const char* kSystem = "C:\\windows\\SYSTEM\\";
constexpr const char* kSystem32 = "C:\\windows\\system32\\";

std::string medium_file(const std::string& name) {
    return testing::file_content(kSource + name);
}

class Installation : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ::CreateDirectoryA("c:\\12bits", nullptr);
        ASSERT_TRUE(testing::copy_folder(testing::built_medium_folder(), kSource)) << "make media first";
    }
    static void TearDownTestSuite() { testing::remove_folder("c:\\12bits"); }
    void SetUp() override { testing::remove_installed_files(); }
    void TearDown() override { testing::remove_installed_files(); }

    // Welcome page to the unit's first page.
    static int choose(WizardOperator& wizard, int os, int unit) {
        if (wizard.page() != 106) return -1;
        wizard.click(IDC_FIRST_INSTALL);
        if (wizard.next() != 123) return -2;
        wizard.click(os);
        if (wizard.next() != 107) return -3;
        wizard.click(unit);
        return wizard.next();
    }
    // Summary page to the end, the mask left on its floppy; the program shows `boxes`
    // message boxes meanwhile.
    static void install(WizardOperator& wizard, std::size_t boxes = 0) {
        ASSERT_EQ(wizard.page(), 110);
        ASSERT_EQ(wizard.next(), 111);
        EXPECT_FALSE(wizard.can_press(PSBTN_BACK));
        ASSERT_EQ(wizard.next(), 122);
        ASSERT_EQ(wizard.next(), 112);
        EXPECT_FALSE(wizard.can_press(PSBTN_NEXT));
        wizard.finish();
        ASSERT_TRUE(wizard.wait_end());
        ASSERT_EQ(wizard.boxes().size(), boxes)
            << (wizard.boxes().empty() ? "" : wizard.boxes()[0].describe());
    }

    RegistrySandbox registry_{"NORVANE"};
};

RegistryTable with_programs(RegistryTable table, const std::string& key,
                            const std::vector<std::pair<int, std::vector<std::string>>>& programs) {
    static const char* names[] = {"Name", "W1", "I1", "W2", "I2", "W3", "I3"};
    for (const auto& [program, values] : programs)
        for (std::size_t i = 0; i < values.size(); ++i)
            table[key + "\\PROG\\P" + std::to_string(program) + "\\" + names[i]] = values[i];
    return table;
}

const RegistryTable kNorvanePanCom3 = with_programs(
    {{"PANO\\COM", "3"},
     {"PANO\\PostProcess", "2"},
     {"PANO\\BaudRatePano", "dword:1"},
     {"PANO\\TimeoutPano", "dword:176"},
     {"PANO\\BaudRateOrvix", "dword:1"},
     {"PANO\\ModeOrvix", "dword:0"},
     {"PANO\\Rotation", "0"},
     {"PANO\\WithPreview", "3"},
     {"PANO\\Demo", "dword:0"},
     {"PANO\\VENTRA\\WithVocal", "dword:0"},
     {"PANO\\VENTRA\\Baudrate", "dword:57600"},
     {"PANO\\VENTRA\\SecurityTimeOut", "dword:1000"}},
    "PANO\\VENTRA",
    {{180, {"Pano standard complet"}},
     {181, {"Pano bloc droit"}},
     {182, {"Pano bloc incisif"}},
     {183, {"Pano bloc droit_incisif"}},
     {184, {"Pano bloc gauche"}},
     {185, {"Pano bloc droit_bloc gauche"}},
     {186, {"Pano bloc gauche_ incisif"}},
     {187, {"ATM LA 2 vues"}},
     {188, {"ATM LA 4 vues"}},
     {189, {"Sinus"}}});

TEST_F(Installation, NorvanePanOnXpCopiesVentraJbusAndLanguageAndStoresThePortDigit) {
    WizardOperator wizard;
    ASSERT_TRUE(wizard.started());
    EXPECT_TRUE(::IsIconic(wizard.main_window()));
    char title[64] = {};
    ::GetWindowTextA(wizard.main_window(), title, sizeof title);
    EXPECT_STREQ(title, "ORVIX Install Program");
    EXPECT_TRUE(wizard.checked(IDC_FIRST_INSTALL));
    ASSERT_EQ(choose(wizard, IDC_OS_XP, IDC_UNIT_NORVANEPAN), 119);
    EXPECT_EQ(wizard.text(IDC_PORT), "COM1");
    EXPECT_TRUE(wizard.checked(IDC_VOCALS));
    EXPECT_FALSE(wizard.checked(IDC_DEMO));
    ASSERT_TRUE(wizard.choose(IDC_PORT, "COM3"));
    wizard.click(IDC_VOCALS);
    ASSERT_EQ(wizard.next(), 110);
    EXPECT_EQ(wizard.text(IDC_SUMMARY_OS), "Windows 2000/XP + PCI card");
    EXPECT_EQ(wizard.text(IDC_SUMMARY_XRAY), "sent through serial port COM3");
    EXPECT_EQ(wizard.text(IDC_SUMMARY_CONFIG), "PanoNorvanePan");
    install(wizard);

    EXPECT_EQ(testing::machine_settings(), kNorvanePanCom3);
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "PANODLG.DLL"), medium_file("VENTRA.DLL"));
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "NPJBUS.DLL"), medium_file("NPJBUS.DLL"));
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "NPLANG.DLL"), medium_file("NPFRA.DLL"));
}

TEST_F(Installation, ALanguageMissingFromTheMediumGivesTheEnglishNamesAndModule) {
    WizardOperator wizard;
    ASSERT_EQ(choose(wizard, IDC_OS_98, IDC_UNIT_NORVANEPAN), 119);
    ASSERT_TRUE(wizard.choose(IDC_LANGUAGE, "German"));
    ASSERT_EQ(wizard.next(), 110);
    install(wizard);
    const RegistryTable settings = testing::machine_settings();
    EXPECT_EQ(settings.at("PANO\\VENTRA\\PROG\\P180\\Name"), "Full standard panoramic image");
    EXPECT_EQ(settings.at("PANO\\VENTRA\\PROG\\P187\\Name"), "2 lateral TMJ views");
    EXPECT_EQ(settings.at("PANO\\COM"), "1");
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "NPLANG.DLL"), medium_file("NPENG.DLL"));
}

TEST_F(Installation, NorvanePanDemonstrationGoesToTheInstallFolderAndPageOneDeletesIt) {
    ASSERT_TRUE(testing::write_file(std::string(kSystem) + "NPJBUS.DLL", "jbus in use"));
    ASSERT_TRUE(testing::write_file(std::string(kSystem) + "NPLANG.DLL", "language in use"));
    for (const char* folder : {"C:\\KX", "C:\\DEMOSET"}) {
        SCOPED_TRACE(folder);
        if (std::string(folder) != "C:\\KX") registry_.set_machine_text("NORVANE", "InstallDir", folder);
        {
            WizardOperator wizard;
            ASSERT_EQ(choose(wizard, IDC_OS_98, IDC_UNIT_NORVANEPAN), 119);
            wizard.click(IDC_DEMO);
            ASSERT_EQ(wizard.next(), 110);
            install(wizard);
        }
        const std::string installed = std::string(folder) + "\\";
        EXPECT_EQ(testing::file_content(installed + "PANODLG.DLL"), medium_file("DEMO\\VENTRA.DLL"));
        EXPECT_EQ(testing::file_content(installed + "PANO.DLL"), medium_file("DEMO\\SCANLINK_DEMO.DLL"));
        EXPECT_EQ(testing::file_content(installed + "DEMO0001.TIF"), medium_file("DEMO\\DEMO0001.TIF"));
        EXPECT_EQ(testing::file_content(installed + "NPJBUS.DLL"), medium_file("DEMO\\NPJBUS.DLL"));
        EXPECT_EQ(testing::file_content(installed + "NPLANG.DLL"), medium_file("DEMO\\NPFRA.DLL"));
        EXPECT_EQ(testing::file_content(std::string(kSystem) + "NPJBUS.DLL"), "jbus in use");
        EXPECT_EQ(testing::file_content(std::string(kSystem) + "NPLANG.DLL"), "language in use");
        EXPECT_EQ(testing::machine_settings().at("PANO\\Demo"), "dword:1");

        ::SetFileAttributesA((installed + "PANO.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
        {
            WizardOperator wizard;
            wizard.click(IDC_DELETE_DEMO);
            ASSERT_EQ(wizard.next(), 112);
            wizard.finish();
            ASSERT_TRUE(wizard.wait_end());
        }
        for (const char* file : {"PANODLG.DLL", "PANO.DLL", "DEMO0001.TIF", "NPJBUS.DLL", "NPLANG.DLL"})
            EXPECT_EQ(::GetFileAttributesA((installed + file).c_str()), INVALID_FILE_ATTRIBUTES) << file;
        testing::remove_folder(folder);
    }
}

// A Kv unit's settings: `model` "KV80" or "KV40", the port digit and its programs.
RegistryTable kv_table(const std::string& model, const char* com,
                       const std::vector<std::pair<int, std::vector<std::string>>>& programs) {
    const std::string key = "PANO\\" + model;
    return with_programs({{"PANO\\COM", com},
                          {"PANO\\PostProcess", "6"},
                          {"PANO\\BaudRatePano", "dword:4"},
                          {"PANO\\TimeoutPano", "dword:208"},
                          {"PANO\\BaudRateOrvix", "dword:1"},
                          {"PANO\\ModeOrvix", "dword:0"},
                          {key + "\\ProgNum", "0"},
                          {key + "\\kV", "60"},
                          {key + "\\mA", "0"}},
                         key, programs);
}

RegistryTable kv80_table(const char* com) {
    return kv_table("KV80", com,
                    {{20, {"PANO Adult 1", "2420", "10"}},
                     {21, {"PANO Adult 2", "2340", "10"}},
                     {22, {"PANO Adult 3", "2390", "10"}},
                     {23, {"PANO Child 1", "2180", "10"}},
                     {24, {"PANO Child 2", "2090", "10"}},
                     {25, {"PANO Child 3", "2390", "10"}},
                     {26, {"Sinus", "1180", "10"}},
                     {27, {"TMJ:LA (1)", "580", "20", "540", "35"}},
                     {28, {"TMJ:PA", "800", "10", "800", "80"}},
                     {29, {"SCT Right", "480", "10", "570", "100", "580", "90"}},
                     {30, {"SCT Left", "490", "10", "560", "125", "570", "125"}},
                     {33, {"TMJ:LA (2)", "560", "10", "530", "700"}}});
}

TEST_F(Installation, Kv80WithSerialLineOn2000AndItsNamesKeptForTheNextInstallation) {
    {
        WizardOperator wizard;
        ASSERT_EQ(choose(wizard, IDC_OS_2000, IDC_UNIT_KV80), 113);
        wizard.click(IDC_SERIAL_WITH);
        ASSERT_EQ(wizard.next(), 114);
        EXPECT_EQ(wizard.text(IDC_PORT), "PCI COM");
        ASSERT_TRUE(wizard.choose(IDC_PORT, "COM3"));
        ASSERT_EQ(wizard.next(), 115);
        EXPECT_EQ(wizard.text(IDC_NAME_FIRST + 6), "SCT Left");
        wizard.type(IDC_NAME_FIRST + 2, "Sinus");
        ASSERT_EQ(wizard.next(), 110);
        EXPECT_EQ(wizard.text(IDC_SUMMARY_XRAY), "sent through serial port COM3");
        install(wizard);
    }
    EXPECT_EQ(testing::machine_settings(), kv80_table("3"));
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "PANODLG.DLL"), medium_file("KV80SR.DLL"));

    WizardOperator again;
    ASSERT_EQ(choose(again, IDC_OS_2000, IDC_UNIT_KV80), 113);
    ASSERT_EQ(again.next(), 114);
    EXPECT_EQ(again.text(IDC_PORT), "COM3");
    ASSERT_EQ(again.next(), 115);
    EXPECT_EQ(again.text(IDC_NAME_FIRST), "PANO Adult");
    EXPECT_EQ(again.text(IDC_NAME_FIRST + 2), "Sinus");
    EXPECT_EQ(again.text(IDC_NAME_FIRST + 3), "TMJ:LA");
}

TEST_F(Installation, Kv40WithoutSerialLineOn98) {
    WizardOperator wizard;
    ASSERT_EQ(choose(wizard, IDC_OS_98, IDC_UNIT_KV40), 116);
    wizard.click(IDC_SERIAL_WITHOUT);
    ASSERT_EQ(wizard.next(), 118);
    wizard.type(IDC_NAME_FIRST, "Adult");
    ASSERT_EQ(wizard.next(), 110);
    EXPECT_EQ(wizard.text(IDC_SUMMARY_XRAY), "manually fixed with a dialog box");
    install(wizard);
    const RegistryTable expected = kv_table("KV40", "0",
                                            {{20, {"Adult", "2420", "10"}},
                                             {23, {"PANO Child", "2180", "10"}},
                                             {26, {"Sinus Mode", "1180", "10"}},
                                             {27, {"TMJ:LA (1)", "580", "20", "540", "35"}},
                                             {28, {"TMJ:PA", "800", "10", "800", "80"}},
                                             {33, {"TMJ:LA (2)", "560", "10", "530", "700"}}});
    EXPECT_EQ(testing::machine_settings(), expected);
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "PANODLG.DLL"), medium_file("KV40.DLL"));
}

const RegistryTable kCommon = {{"PANO\\COM", "0"},
                               {"PANO\\PostProcess", "2"},
                               {"PANO\\BaudRatePano", "dword:1"},
                               {"PANO\\TimeoutPano", "dword:176"},
                               {"PANO\\BaudRateOrvix", "dword:2"}};

RegistryTable common_and(const RegistryTable& own) {
    RegistryTable table = kCommon;
    table.insert(own.begin(), own.end());
    return table;
}

TEST_F(Installation, GendexSdOnXpAndBelmontXcaliberOn98) {
    {
        WizardOperator wizard;
        ASSERT_EQ(choose(wizard, IDC_OS_XP, IDC_UNIT_GENDEX), 125);
        EXPECT_EQ(wizard.text(IDC_NAME_FIRST + 4), "Tomo");
        wizard.type(IDC_NAME_FIRST, "Panoramic");
        ASSERT_EQ(wizard.next(), 110);
        install(wizard);
    }
    EXPECT_EQ(testing::machine_settings(),
              with_programs(common_and({{"PANO\\TREVIAN\\ProgNum", "120"},
                                        {"PANO\\TREVIAN\\kV", "60"},
                                        {"PANO\\TREVIAN\\mA", "3"}}),
                            "PANO\\TREVIAN",
                            {{120, {"Panoramic"}}, {121, {"ATM LA"}}, {122, {"ATM PA"}}, {123, {"Sinus"}},
                             {124, {"Tomo"}}}));
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "PANODLG.DLL"), medium_file("TREVIAN.DLL"));

    registry_.clear();
    {
        WizardOperator wizard;
        ASSERT_EQ(choose(wizard, IDC_OS_98, IDC_UNIT_BELMONT), 127);
        wizard.type(IDC_NAME_FIRST + 2, "TMJ closed");
        ASSERT_EQ(wizard.next(), 110);
        install(wizard);
    }
    EXPECT_EQ(testing::machine_settings(),
              with_programs(common_and({{"PANO\\BREVIAN\\ProgNum", "0"},
                                        {"PANO\\BREVIAN\\kV", "60"},
                                        {"PANO\\BREVIAN\\mA", "0"}}),
                            "PANO\\BREVIAN",
                            {{130, {"Pano Standard", "2400", "10"}},
                             {131, {"ATM 1", "680", "10", "680", "10"}},
                             {132, {"TMJ closed", "680", "10", "680", "10"}}}));
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "PANODLG.DLL"), medium_file("BREVIAN.DLL"));
}

TEST_F(Installation, GenericOnXpStartsFromTheStoredRotationAndTimeOut) {
    registry_.set_machine_text("NORVANE\\PANO", "Rotation", "0");
    registry_.set_machine_text("NORVANE\\PANO", "TimeOut", "800");
    WizardOperator wizard;
    ASSERT_EQ(choose(wizard, IDC_OS_XP, IDC_UNIT_GENERIC), 124);
    EXPECT_TRUE(wizard.checked(IDC_ROTATION_REVERSE));
    EXPECT_EQ(wizard.text(IDC_TIMEOUT), "8");
    wizard.type(IDC_TIMEOUT, "12");
    ASSERT_EQ(wizard.next(), 110);
    install(wizard);
    EXPECT_EQ(testing::machine_settings(), common_and({{"PANO\\ModeOrvix", "dword:1"},
                                                       {"PANO\\Rotation", "0"},
                                                       {"PANO\\TimeOut", "1200"}}));
    EXPECT_EQ(testing::file_content(std::string(kSystem) + "PANODLG.DLL"), medium_file("GENERIC.DLL"));
}

TEST_F(Installation, AModuleMissingFromTheMediumIsReportedAndTheWizardGoesOnToTheMask) {
    WizardOperator wizard;
    ASSERT_EQ(choose(wizard, IDC_OS_XP, IDC_UNIT_OP10), 121);
    ASSERT_EQ(wizard.next(), 110);
    install(wizard, 1);
    EXPECT_EQ(wizard.boxes()[0].title, "Orvix Driver Install Error");
    EXPECT_EQ(wizard.boxes()[0].text,
              "The file c:\\12bits\\orvixpci\\OP10.DLL cannot be copied\nPlease verify your drive or make sure "
              "that the file C:\\windows\\SYSTEM\\PANODLG.DLL is not readonly");
    EXPECT_EQ(wizard.boxes()[0].icon, MB_ICONSTOP);
    EXPECT_TRUE(testing::machine_settings().empty());
}

TEST_F(Installation, Nt4InstallsKv80ThroughTheSetupInterfaceWithTheMediumsInf) {
    ::CreateDirectoryA("c:\\winnt40", nullptr);
    ASSERT_TRUE(testing::copy_folder(testing::built_medium_folder(), "c:\\winnt40\\ScanlinkNT\\"));
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ::SetCurrentDirectoryA("C:\\");
    {
        WizardOperator wizard;
        ASSERT_EQ(choose(wizard, IDC_OS_NT4, IDC_UNIT_KV80), 113);
        wizard.click(IDC_SERIAL_WITHOUT);
        ASSERT_EQ(wizard.next(), 115);
        ASSERT_EQ(wizard.next(), 110);
        EXPECT_EQ(wizard.text(IDC_SUMMARY_OS), "Windows NT4 + PCI card");
        install(wizard);
    }
    ::SetCurrentDirectoryA(previous);
    testing::remove_folder("c:\\winnt40");

    RegistryTable expected = kv80_table("0");
    expected["PANO\\KV80\\PROG\\P26\\Name"] = "Sinus Mode";
    EXPECT_EQ(testing::machine_settings(), expected);
    EXPECT_EQ(testing::file_content(std::string(kSystem32) + "PANODLG.DLL"), medium_file("KV80.DLL"));
    EXPECT_EQ(testing::file_content(std::string(kSystem32) + "SCANLINK.DLL"), medium_file("SCANLINK.DLL"));
    const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    const SC_HANDLE service = ::OpenServiceA(manager, "PANOService", SERVICE_ALL_ACCESS);
    EXPECT_NE(service, nullptr);
    if (service) {
        ::DeleteService(service);
        ::CloseServiceHandle(service);
    }
    ::CloseServiceHandle(manager);
}

void tour(const testing::ScreenDesktop& desktop, std::vector<int>& seen);

// Every page once, on the 800 x 600 reference screen, saved under screenshots/.
TEST_F(Installation, EveryPageInTurnWithItsPicture) {
    testing::ScreenDesktop desktop(800, 600);
    ::CreateDirectoryA("screenshots", nullptr);
    std::vector<int> seen;
    // The operator works on the same desktop as the wizard, from a thread of its own.
    std::thread operator_thread([&] { ASSERT_TRUE(desktop.enter()); tour(desktop, seen); });
    operator_thread.join();
    EXPECT_EQ(seen.size(), 22u);
}

void tour(const testing::ScreenDesktop& desktop, std::vector<int>& seen) {
    WizardOperator wizard([&] { return desktop.enter(); });
    ASSERT_TRUE(wizard.started());
    const auto shot = [&](int expected) {
        EXPECT_EQ(wizard.page(), expected);
        seen.push_back(wizard.page());
        RECT frame{};
        ::GetWindowRect(wizard.sheet(), &frame);
        EXPECT_GE(frame.left, 0) << frame.left << "," << frame.top;
        EXPECT_GE(frame.top, 0);
        EXPECT_LE(frame.right, 800);
        EXPECT_LE(frame.bottom, 600);
        EXPECT_TRUE(testing::write_png("screenshots\\installer-" + std::to_string(expected) + ".png",
                                       testing::capture_window(wizard.sheet())));
    };
    shot(106);
    wizard.next();
    shot(123);
    wizard.next();
    shot(107);
    const std::vector<std::pair<int, std::vector<int>>> units = {
        {IDC_UNIT_OTHER, {108}},          {IDC_UNIT_OP100, {109}},    {IDC_UNIT_KV80, {113, 114, 115}},
        {IDC_UNIT_KV40, {116, 117, 118}}, {IDC_UNIT_NORVANEPAN, {119}}, {IDC_UNIT_PANOURA12, {120}},
        {IDC_UNIT_OP10, {121}},           {IDC_UNIT_GENDEX, {125}},   {IDC_UNIT_PLANMECA, {126}},
        {IDC_UNIT_BELMONT, {127}}};
    for (const auto& [unit, pages] : units) {
        wizard.click(unit);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            wizard.next();
            shot(pages[i]);
        }
        ASSERT_EQ(wizard.back(), 107);
    }
    wizard.click(IDC_UNIT_GENERIC);
    for (int page : {124, 110, 111, 122, 112}) {
        wizard.next();
        shot(page);
    }
    wizard.finish();
    ASSERT_TRUE(wizard.wait_end());
}

}  // namespace
}  // namespace np
