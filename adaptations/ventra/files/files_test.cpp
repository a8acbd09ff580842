#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/files/event_log.h"
#include "adaptations/ventra/files/restore_file.h"
#include "adaptations/ventra/files/version_report.h"

namespace np::ventra {
namespace {

constexpr LocalTime kNoon{2026, 12, 7, 12, 5};

TEST(VentraEventLog, RecordsAsTheyAreStored) {
    EXPECT_EQ(text_mode_stored(error_record(7, kNoon)), "Error n\xB0" "07\t07/12/2026 12h05min\r\r\n");
    EXPECT_EQ(access_record(kNoon), "Access to the technical menu\t07/12/2026 12h05min\r\n");
    const std::array<std::uint16_t, 9> counters{99, 1, 0, 0, 0, 0, 0, 0, 65535};
    const std::string record = counters_record(counters);
    EXPECT_EQ(record.substr(0, 31), "Counter 1 : 99\r\nCounter 2 : 1\r\n");
    EXPECT_EQ(record.substr(record.size() - 19), "Counter 9 : 65535\r\n");

    EXPECT_TRUE(counters_worth_logging(99, 1));
    EXPECT_FALSE(counters_worth_logging(199, 1));
    EXPECT_TRUE(counters_worth_logging(0, 0));
}

TEST(VentraEventLog, AFullLogLosesItsOldestRecordOnly) {
    std::string stored;
    while (stored.size() < kEventLogLimit) stored += text_mode_stored(error_record(3, kNoon));
    stored.resize(kEventLogLimit);  // a log of exactly the limit is kept whole
    EXPECT_EQ(bounded_log(stored, 1), stored);

    const std::string oldest = text_mode_stored(access_record(kNoon));
    std::string full = oldest;
    while (full.size() <= kEventLogLimit) full += text_mode_stored(error_record(4, kNoon));
    EXPECT_EQ(bounded_log(full, 1), full.substr(oldest.size()));

    const std::array<std::uint16_t, 9> counters{};
    const std::string nine = text_mode_stored(counters_record(counters));
    EXPECT_EQ(bounded_log(nine + full.substr(oldest.size()), kCountersRecordLines),
              full.substr(oldest.size()));
    EXPECT_EQ(bounded_log(std::string(kEventLogLimit + 1, 'x'), 1), "");
}

std::string fake_text(std::uint16_t id) {
    static const std::map<std::uint16_t, std::string> texts = {
        {410, "VERSION"}, {413, "CALIBRATION"}, {414, "PREFERENCE"}, {412, "MANUFACTURING"},
        {415, "SoftName"}, {422, "Voltage rating"}, {423, "Type of panoramic image"},
        {165, "Two-way"}, {438, "pnDeltaHeat"}, {441, "Length of compensation"},
        {442, "kV compensation"}, {444, "Adult"}, {447, "High body weight"}, {428, "gain"},
        {426, "Length of arm movement"}, {439, "Origin position"}, {125, "Left"}};
    const auto t = texts.find(id);
    return t == texts.end() ? "#" + std::to_string(id) : t->second;
}

TEST(VentraConfigReport, SectionsKeysAndValuesInOrder) {
    std::array<std::uint16_t, 15> identification{};
    identification[0] = 'N' | 'o' << 8;
    std::array<std::uint16_t, 5> diagnostic{0xFFFF, 0xFFFF, 12, 0, 0};
    std::array<std::uint16_t, 11> manufacturing{};
    manufacturing[5] = 2;
    manufacturing[7] = 3;
    std::array<std::uint16_t, 40> calibration{};
    calibration[0] = 0xFFFE;
    const float gain = 1.5f;
    std::memcpy(&calibration[3], &gain, 4);
    calibration[33] = 7;
    std::array<std::uint16_t, 20> preferences{};
    preferences[0] = 1;
    preferences[12] = 0xFFFF;  // adult, high body weight: kV compensation -1
    preferences[13] = 40000;   // and its length, unsigned
    const auto report = configuration_report(
        {identification, diagnostic, manufacturing, calibration, preferences}, fake_text);

    ASSERT_EQ(report.size(), 3u + 2 + 4 + 13 + 11 + 2 + 12);
    EXPECT_EQ(report[0].section, "VERSION");
    EXPECT_EQ(report[0].value, "No");
    EXPECT_EQ(report[3].value, "-1");  // exposure number, signed
    EXPECT_EQ(report[4].value, "12");
    EXPECT_EQ(report[6].value, " ");   // voltage rating 2
    EXPECT_EQ(report[7].value, "Two-way");
    EXPECT_EQ(report[9].key, "Length of arm movement");
    EXPECT_EQ(report[9].value, "-2");
    EXPECT_EQ(report[12].value, "1.500000");
    EXPECT_EQ(report[32].key, "pnDeltaHeat[90]");
    EXPECT_EQ(report[32].value, "7");
    EXPECT_EQ(report[33].value, "Left");
    EXPECT_EQ(report[45].key, "Length of compensation ( Adult, High body weight)");
    EXPECT_EQ(report[45].value, "40000");
    EXPECT_EQ(report[46].key, "kV compensation ( Adult, High body weight)");
    EXPECT_EQ(report[46].value, "-1");
}

TEST(VentraRestoreFile, AShortFileIsRefusedAndGroupsComeFromTheirPlace) {
    std::vector<std::uint8_t> bytes(182);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    const auto image = parse_restore_file(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->manufacturing[0], 30 | 31 << 8);
    EXPECT_EQ(image->preferences[19], 180 | 181 << 8);
    EXPECT_FALSE(parse_restore_file(std::span(bytes).first(181)));

    const GroupRestore calibration = group_restore(RestoreGroup::calibration);
    EXPECT_EQ(calibration.offset, 62u);
    EXPECT_EQ(calibration.address, 0x7051);
    EXPECT_EQ(calibration.store_command, 0x0181);
    EXPECT_EQ(group_restore(RestoreGroup::preferences).acknowledge_command, 0x040B);
}

TEST(VentraVersionReport, SoftwareAndFirmwareTexts) {
    const ModuleVersion modules[] = {{"panodlg.dll", "1.0.0.3", "Ventra", ""}};
    EXPECT_EQ(software_text(modules),
              "panodlg.dll\r\nFileVersion:\t1.0.0.3\r\nFileDescription:\tVentra\r\nLegalCopyright:\t\r\n");
    std::array<std::uint16_t, 15> identification{};
    identification[6] = '1' | '.' << 8;
    std::array<std::uint16_t, 11> manufacturing{};
    manufacturing[0] = 'S' | '1' << 8;
    EXPECT_EQ(firmware_text(identification, manufacturing, fake_text),
              "#223 :\t\t\r\n#224 :\t1.\r\n#225 :\t\t\r\n#226 :\tS1");
}

}  // namespace
}  // namespace np::ventra
