// The module as the driver binds it: "Panodlg.dll" with NPLang beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/texts/language_module.h"
#include "common/acquisition_record.h"
#include "common/version_record.h"
#include "common/win32_handles.h"

namespace {

std::string system_folder() {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\system\\";
}

class VentraExports : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(::CopyFileA("Ventra.dll", "Panodlg.dll", FALSE));
        ASSERT_TRUE(::CopyFileA("NPeng.dll", "NPLang.dll", FALSE));
        module_.reset(::LoadLibraryA("Panodlg.dll"));
        ASSERT_TRUE(module_);
    }
    void TearDown() override {
        module_.reset();
        for (const char* file : {"Panodlg.dll", "NPjbus.dll", "NPLang.dll"})
            ::DeleteFileA((system_folder() + file).c_str());
        ::DeleteFileA("Panodlg.dll");
        ::DeleteFileA("NPLang.dll");
    }
    template <typename F>
    F entry(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)));
    }

    np::UniqueModule module_;
};

TEST_F(VentraExports, WithoutItsLanguageModuleTheModuleDoesNotLoad) {
    module_.reset();
    ::DeleteFileA("NPLang.dll");
    EXPECT_EQ(::LoadLibraryA("Panodlg.dll"), nullptr);
}

TEST_F(VentraExports, ContractAnswersBeforeAnyConsoleRan) {
    std::array<int, 10> gaps{};
    EXPECT_EQ(entry<int (*)(int, int*)>("GetTiming")(0, gaps.data()), 6000);
    EXPECT_EQ(gaps, (std::array<int, 10>{10, 10, 10, 10, 10, 10, 10, 10, 10, 10}));
    EXPECT_EQ(entry<int (*)(int, int)>("nCanCombineATM")(187, 187), 188);
    double x = 0, y = 0;
    EXPECT_EQ(entry<int (*)(double*, double*)>("bResolution")(&x, &y), 1);
    EXPECT_DOUBLE_EQ(y, 0.08188976377952756);
    EXPECT_FALSE(entry<bool (*)()>("bHaveToMirror")());

    np::AcquisitionRecord record;
    std::memset(&record, 0x55, sizeof record);
    entry<void (*)(np::AcquisitionRecord*)>("GetInfosTir")(&record);
    EXPECT_EQ(record.valid, 0u);
    EXPECT_EQ(record.section_count, 0);

    char path[64] = {};
    entry<void(__stdcall*)(char*)>("GetInfoFileName")(path);
    EXPECT_STREQ(path, "c:\\ConfigNorvanePan.ini");

    std::vector<std::uint16_t> raw(2 * 1244), line(2 * 1244, 0xEEEE);
    for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint16_t>(i);
    const auto rearrange = entry<void (*)(std::uint16_t*, int, const std::uint16_t*)>("ReArrangement");
    rearrange(line.data(), 1243, raw.data());
    EXPECT_EQ(line[0], 0xEEEE);
    rearrange(line.data(), 1244, raw.data());
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[622], 1);
    EXPECT_EQ(line[1243], 1243);
    EXPECT_EQ(line[1244], 0xEEEE);  // one line only
}

TEST_F(VentraExports, FourViewsAreRecombinedInsideTheBitmapHandle) {
    const std::size_t bits_offset = sizeof(BITMAPINFOHEADER) + 1024;
    np::UniqueGlobal dib(::GlobalAlloc(GMEM_MOVEABLE, bits_offset + 12));
    {
        np::GlobalLock<std::uint8_t> bytes(dib.get());
        BITMAPINFOHEADER header{sizeof header, 12, 1, 1, 8, BI_RGB, 12, 0, 0, 256, 0};
        std::memcpy(bytes.get(), &header, sizeof header);
        for (int i = 0; i < 12; ++i) bytes.get()[bits_offset + i] = static_cast<std::uint8_t>(i + 1);
    }
    np::AcquisitionRecord record{};
    record.section_count = 4;
    record.sections[1] = {2, 2};
    record.sections[2] = {5, 3};
    record.sections[3] = {9, 1};
    entry<void (*)(HGLOBAL, np::AcquisitionRecord*)>("TraitementATM4Images")(dib.get(), &record);
    np::GlobalLock<std::uint8_t> bytes(dib.get());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.get() + bits_offset, bytes.get() + bits_offset + 12),
              (std::vector<std::uint8_t>{0, 0, 9, 10, 0, 3, 0, 5, 6, 7, 11, 12}));
    EXPECT_EQ(record.sections[3].start, 8);
}

TEST_F(VentraExports, VersionsOfTheInstalledFiles) {
    using GetVersion = np::VersionRecord* (*)();
    const auto get_version = entry<GetVersion>("pKXGetVersion");
    const auto free_version = entry<void (*)()>("KXFreeVersion");
    EXPECT_EQ(get_version(), nullptr);  // nothing installed in the system folder

    for (const auto& [from, to] : {std::pair{"Ventra.dll", "Panodlg.dll"}, {"NPjbus.dll", "NPjbus.dll"},
                                   {"NPeng.dll", "NPLang.dll"}})
        ASSERT_TRUE(::CopyFileA(from, (system_folder() + to).c_str(), FALSE));
    const np::VersionRecord* first = get_version();
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->name, "Ventra.dll");
    EXPECT_STREQ(first->version, "1.0.0.0");
    EXPECT_EQ(std::strlen(first->date), 10u);
    EXPECT_EQ(first->date[2], '/');
    ASSERT_NE(first->next, nullptr);
    EXPECT_STREQ(first->next->name, "NPjbus.dll");
    ASSERT_NE(first->next->next, nullptr);
    EXPECT_STREQ(first->next->next->name, "NPLang.dll");
    EXPECT_STREQ(first->next->next->version, "3.0.4.0");
    EXPECT_EQ(first->next->next->next, nullptr);
    free_version();
    free_version();

    ::DeleteFileA((system_folder() + "NPLang.dll").c_str());
    EXPECT_EQ(get_version(), nullptr);
}

TEST_F(VentraExports, VersionReportNamesTheModulesAsLoaded) {
    np::ventra::LanguageModule language;
    ASSERT_TRUE(language.bind());
    np::ventra::MachineLink closed;
    const auto report = np::ventra::version_report(closed, language);
    EXPECT_EQ(report.software.find("panodlg.dll\r\nFileVersion:\t1.0.0.0\r\n"), 0u);
    EXPECT_NE(report.software.find("NPLang.dll\r\nFileVersion:\t3.0.4.0\r\n"), std::string::npos);
    EXPECT_EQ(report.firmware, "Name :\t\t\r\nVersion :\t\r\nDate :\t\t\r\nSerial no. :\t");
}

}  // namespace
