#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "installer/source_folder.h"
#include "installer/unit_records.h"
#include "installer/wizard_flow.h"

namespace np::install {
namespace {

struct FakeSystem {
    std::map<std::string, bool> infs;
    std::map<char, std::string> cdroms;  // letter -> autorun value ("" for none)

    SourceProbe probe() const {
        return {[this](const std::string& path) { return infs.count(path) > 0; },
                [this](char letter) { return cdroms.count(letter) > 0; },
                [this](char letter) -> std::optional<std::string> {
                    const auto it = cdroms.find(letter);
                    if (it == cdroms.end() || it->second.empty()) return std::nullopt;
                    return it->second;
                }};
    }
};

TEST(SourceFolder, FixedFolderOfTheSystemFirstThenTheFirstCdromThatNamesOne) {
    FakeSystem system;
    system.infs["c:\\12bits\\orvixpci\\scanlink.inf"] = true;
    system.cdroms = {{'E', ""}, {'F', "\\WINNT40\\SCANLINKNT"}, {'G', "\\OTHER"}};
    EXPECT_EQ(find_source_folder(Os::win98, system.probe()), "c:\\12bits\\orvixpci\\");
    EXPECT_EQ(find_source_folder(Os::nt4, system.probe()), "F:\\WINNT40\\SCANLINKNT\\");
    system.infs["c:\\winnt40\\ScanlinkNT\\scanlink.inf"] = true;
    EXPECT_EQ(find_source_folder(Os::nt4, system.probe()), "c:\\winnt40\\ScanlinkNT\\");
    system.cdroms = {{'Z', "\\"}};
    system.infs.clear();
    EXPECT_EQ(find_source_folder(Os::win2000xp, system.probe()), "Z:\\");
    system.cdroms.clear();
    EXPECT_EQ(find_source_folder(Os::win2000xp, system.probe()), "");
}

TEST(WizardFlow, EachUnitReachesItsPagesAndTheSummary) {
    FlowState state;
    EXPECT_EQ(next_page(page::welcome, state), page::operating_system);
    state.delete_demonstration = true;
    EXPECT_EQ(next_page(page::welcome, state), page::end);
    const std::map<Unit, int> first_pages = {
        {Unit::norvane_pan, 119}, {Unit::kv80, 113},   {Unit::kv40, 116},         {Unit::generic, 124},
        {Unit::op100, 109},       {Unit::panoura12, 120}, {Unit::panoura_fw, 120}, {Unit::panoura15, 110},
        {Unit::op10, 121},        {Unit::orthophos3, 121}, {Unit::rotograph230, 110}, {Unit::gendex_sd, 125},
        {Unit::planmeca2002, 126}, {Unit::belmont_xcaliber, 127}, {Unit::other, 108}};
    for (const auto& [unit, first] : first_pages) {
        state.unit = unit;
        EXPECT_EQ(next_page(page::selection, state), first) << static_cast<int>(unit);
    }
    state.serial_line = true;
    EXPECT_EQ(next_page(page::kv80, state), page::kv80_serial);
    EXPECT_EQ(next_page(page::kv40_serial, state), page::kv40_names);
    state.serial_line = false;
    EXPECT_EQ(next_page(page::kv40, state), page::kv40_names);
    for (int unit_page : {109, 115, 118, 119, 120, 121, 124, 125, 126, 127})
        EXPECT_EQ(next_page(unit_page, state), page::summary) << unit_page;
    EXPECT_EQ(back_page(page::kv80_serial), page::selection);
    EXPECT_EQ(back_page(page::selection), page::welcome);
    EXPECT_EQ(back_page(page::summary), page::selection);
    EXPECT_FALSE(buttons_of(page::installation).back);
    EXPECT_TRUE(buttons_of(page::other).finish);
    EXPECT_FALSE(buttons_of(page::other).next);
    EXPECT_FALSE(buttons_of(page::end).next);
}

TEST(UnitRecords, StoredKvNamesGiveBackThePageFieldsSoReinstallingKeepsThem) {
    const UnitTable& kv80 = unit_table(Unit::kv80);
    EXPECT_EQ(name_field_of(kv80.programs[0], "PANO Adult 1"), "PANO Adult");
    EXPECT_EQ(name_field_of(kv80.programs[7], "TMJ:LA (1)"), "TMJ:LA");
    EXPECT_EQ(name_field_of(kv80.programs[7], "Edited by hand"), "Edited by hand");
    EXPECT_EQ(port_digit("COM3"), "3");
    EXPECT_EQ(port_digit("PCI COM"), "0");
    EXPECT_EQ(port_of_digit("2"), "COM2");
    EXPECT_EQ(port_of_digit("0"), "PCI COM");
}

TEST(UnitRecords, AStoredProgramNameAlwaysFitsTheModulesBuffer) {
    Answers answers;
    answers.unit = Unit::kv80;
    answers.names = {std::string(60, 'A')};
    const auto settings = settings_of(make_record(answers));
    const auto p20 = std::find_if(settings.begin(), settings.end(), [](const Setting& s) {
        return s.path == "NORVANE\\PANO\\KV80\\PROG\\P20" && s.name == "Name";
    });
    ASSERT_NE(p20, settings.end());
    EXPECT_EQ(p20->text, std::string(45, 'A') + " 1");
}

TEST(UnitRecords, GenericTimeOutIsShownInSecondsAndStoredInTenMillisecondUnits) {
    EXPECT_EQ(timeout_seconds_of(""), 5);
    EXPECT_EQ(timeout_seconds_of("1200"), 12);
    EXPECT_EQ(timeout_seconds_of("abc"), 5);
    EXPECT_EQ(timeout_units_text(12), "1200");
    EXPECT_EQ(timeout_units_text(0), "100");
}

}  // namespace
}  // namespace np::install
