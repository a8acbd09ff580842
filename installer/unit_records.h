// What the installer knows about each panoramic unit, and the registry values an
// installation leaves behind. Pure data and rules; the wizard and the file operations
// live in the Win32 shell.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace np::install {

// The operating-system choice of the wizard, in the values the records use.
enum class Os { none = -1, win98 = 0, win2000xp = 1, nt4 = 2 };

// The units of the selection page, in its order.
enum class Unit {
    norvane_pan,
    kv80,
    kv40,
    generic,
    op100,
    panoura12,
    panoura_fw,
    panoura15,
    op10,
    orthophos3,
    rotograph230,
    gendex_sd,
    planmeca2002,
    belmont_xcaliber,
    other,
};
inline constexpr int kUnitCount = 15;

// One registry value below HKEY_LOCAL_MACHINE "Software\Classes\".
struct Setting {
    std::string path;
    std::string name;
    bool dword = false;
    std::string text;
    std::uint32_t number = 0;

    friend bool operator==(const Setting&, const Setting&) = default;
};

// One program's key "PROG\P<n>" below the unit's key: its "Name" built from a page's
// name field by `name_format` (one "%s"), then the widths and gaps in the order
// "W1", "I1", "W2", "I2", "W3", "I3" (empty ones are not written).
struct ProgramRow {
    int program;
    int name_field;
    const char* name_format;
    const char* layout[6];
};

// A fixed value of a unit's table; `key` is below "NORVANE\PANO" ("" for that key).
struct FixedValue {
    const char* key;
    const char* name;
    bool dword;
    const char* text;
    std::uint32_t number;
};

// Everything about one unit that does not depend on the operator's answers.
struct UnitTable {
    Unit unit;
    const char* name;
    const char* description;
    const char* configuration_name;
    const char* module_file;
    const char* inf_section;
    const char* serial_module_file;  // with the serial line (Kv units), else null
    const char* serial_inf_section;
    const char* key;                 // below "NORVANE\PANO"; "" for that key itself
    bool asks_port;                  // the unit's page offers a serial port
    std::vector<const char*> default_names;
    std::vector<ProgramRow> programs;
    std::vector<FixedValue> values;  // written after the common values, in this order
};

const UnitTable& unit_table(Unit unit);

// The service section of every unit in the card-driver INF.
inline constexpr const char* kServiceSection = "PANOService";

// The operator's answers that shape a record.
struct Answers {
    Os os = Os::win98;
    Unit unit = Unit::norvane_pan;
    bool serial_line = false;
    std::string port;                  // "COM1".."COM4" or "PCI COM"
    std::string language_file = "NPFRA.DLL";
    bool voice = true;
    bool demonstration = false;
    bool specific_cassette = false;    // OP100
    std::vector<std::string> names;    // the page's name fields, in page order
    bool reverse_rotation = false;     // Generic
    int timeout_seconds = 5;           // Generic
};

// The record of the chosen unit: the table and the answers it was given.
struct InstallerRecord {
    const UnitTable* table = nullptr;
    Answers answers;
    std::string source_folder;

    const char* module_file() const;
    const char* inf_section() const;
    bool has_link() const;  // X-ray parameters reach the driver over a serial line
};

InstallerRecord make_record(const Answers& answers);

// Every value an installation writes, in writing order (a later value of the same
// name replaces an earlier one).
std::vector<Setting> settings_of(const InstallerRecord& record);

// "COM3" gives "3", "PCI COM" gives "0".
std::string port_digit(std::string_view port);
// The port text a stored "COM" digit stands for ("0" or unknown: "PCI COM").
std::string port_of_digit(std::string_view digit);

// A program name as stored gives back the page's field: the name format's fixed
// parts around "%s" are taken off again, so that reinstalling does not pile them up.
std::string name_field_of(const ProgramRow& row, std::string_view stored);

// Generic's page works in seconds, the module's "TimeOut" in units of 10 ms.
int timeout_seconds_of(std::string_view stored_timeout);
std::string timeout_units_text(int seconds);

// The summary page's texts.
const char* os_label(Os os);
std::string xray_source_text(const InstallerRecord& record);

// The language choices of the NorvanePan page, in list order.
struct Language {
    const char* display_name;
    const char* module_file;
};
const std::vector<Language>& languages();

// The NorvanePan program codes named by the language module, and their preset names.
inline constexpr int kFirstNamedProgram = 180;
inline constexpr int kNamedProgramCount = 12;
inline constexpr int kNameCapacity = 48;

}  // namespace np::install
