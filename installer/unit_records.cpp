#include "installer/unit_records.h"

#include <stdexcept>

#include "common/text_numbers.h"

namespace np::install {
namespace {

constexpr const char* kPano = "NORVANE\\PANO";

// The Kv units' programs: fields A, C, S, L, P, R, T of the dialog configuration page.
const std::vector<ProgramRow> kKv80Programs = {
    {20, 0, "%s 1", {"2420", "10"}},
    {21, 0, "%s 2", {"2340", "10"}},
    {22, 0, "%s 3", {"2390", "10"}},
    {23, 1, "%s 1", {"2180", "10"}},
    {24, 1, "%s 2", {"2090", "10"}},
    {25, 1, "%s 3", {"2390", "10"}},
    {26, 2, "%s", {"1180", "10"}},
    {27, 3, "%s (1)", {"580", "20", "540", "35"}},
    {28, 4, "%s", {"800", "10", "800", "80"}},
    {29, 5, "%s", {"480", "10", "570", "100", "580", "90"}},
    {30, 6, "%s", {"490", "10", "560", "125", "570", "125"}},
    {33, 3, "%s (2)", {"560", "10", "530", "700"}},
};
const std::vector<ProgramRow> kKv40Programs = {
    {20, 0, "%s", {"2420", "10"}},
    {23, 1, "%s", {"2180", "10"}},
    {26, 2, "%s", {"1180", "10"}},
    {27, 3, "%s (1)", {"580", "20", "540", "35"}},
    {28, 4, "%s", {"800", "10", "800", "80"}},
    {33, 3, "%s (2)", {"560", "10", "530", "700"}},
};
std::vector<FixedValue> kv_pano_values(const char* key) {
    return {{"", "BaudRatePano", true, "", 4},   {"", "TimeoutPano", true, "", 208},
            {"", "BaudRateOrvix", true, "", 1},  {"", "ModeOrvix", true, "", 0},
            {"", "PostProcess", false, "6", 0},  {key, "ProgNum", false, "0", 0},
            {key, "kV", false, "60", 0},         {key, "mA", false, "0", 0}};
}

std::vector<ProgramRow> named_programs(int first, int count) {
    std::vector<ProgramRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({first + i, i, "%s", {}});
    return rows;
}

std::vector<UnitTable> make_tables() {
    std::vector<UnitTable> t;
    t.push_back({Unit::norvane_pan, "NorvanePan", "ORVIX NorvanePan", "PanoNorvanePan", "VENTRA.DLL",
                 "NorvanePanInstall", nullptr, nullptr, "VENTRA", true,
                 {"Standard Panoramic", "Pano right-hand block", "Pano incisor block",
                  "Pano right-hand block incisor", "Pano left-hand block",
                  "Pano left-hand right-hand blocks", "Pano left-hand block incisor",
                  "LA TMJ 2 views", "LA TMJ 4 views", "Sinus", "Faisceau rayons X",
                  "Mesure dose Incisive"},
                 named_programs(kFirstNamedProgram, 10),
                 {{"", "BaudRateOrvix", true, "", 1},
                  {"", "ModeOrvix", true, "", 0},
                  {"", "Rotation", false, "0", 0},
                  {"", "WithPreview", false, "3", 0},
                  {"VENTRA", "Baudrate", true, "", 57600},
                  {"VENTRA", "SecurityTimeOut", true, "", 1000}}});
    t.push_back({Unit::kv80, "Kv80", "ORVIX Kv80", "PanoKv80", "KV80.DLL", "Kv80Install", "KV80SR.DLL",
                 "Kv80srInstall", "KV80", true,
                 {"PANO Adult", "PANO Child", "Sinus Mode", "TMJ:LA", "TMJ:PA", "SCT Right", "SCT Left"},
                 kKv80Programs, kv_pano_values("KV80")});
    t.push_back({Unit::kv40, "Kv40", "ORVIX Kv40", "PanoKv40", "KV40.DLL", "Kv40Install", "KV40SR.DLL",
                 "Kv40srInstall", "KV40", true,
                 {"PANO Adult", "PANO Child", "Sinus Mode", "TMJ:LA", "TMJ:PA"}, kKv40Programs,
                 kv_pano_values("KV40")});
    // Generic's transfer mode is fixed at 10 bits: the automatic choice would need a
    // cassette serial number that no installation step knows.
    t.push_back({Unit::generic, "Generic", "ORVIX Generic", "PanoGeneric", "GENERIC.DLL", "GenericInstall",
                 nullptr, nullptr, "", false, {}, {}, {{"", "ModeOrvix", true, "", 1}}});
    // The units below have modules of their own outside this delivery; their records
    // follow the same shape with file names and programs of ours.
    t.push_back({Unit::op100, "OP100", "ORVIX Instrumentarium OP100", "PanoOP100", "OP100.DLL",
                 "Op100Install", nullptr, nullptr, "OP100", true, {}, {}, {}});
    t.push_back({Unit::panoura12, "Panoura 12/Ultra", "ORVIX Panoura 12/Ultra", "PanoPanoura12",
                 "PANOURA.DLL", "PanouraInstall", nullptr, nullptr, "PANOURA", false,
                 {"Panoramic", "TMJ"}, named_programs(50, 2), {}});
    t.push_back({Unit::panoura_fw, "Panoura FW", "ORVIX Panoura FW", "PanoPanouraFW", "PANFW.DLL",
                 "PanFwInstall", nullptr, nullptr, "PANFW", false, {"Panoramic", "TMJ"},
                 named_programs(50, 2), {}});
    t.push_back({Unit::panoura15, "Panoura 15 Series", "ORVIX Panoura 15 Series", "PanoPanoura15",
                 "PAN15.DLL", "Pan15Install", nullptr, nullptr, "PAN15", false, {"Panoramic"},
                 named_programs(50, 1), {}});
    t.push_back({Unit::op10, "OP10", "ORVIX Siemens OP10", "PanoOP10", "OP10.DLL", "Op10Install", nullptr,
                 nullptr, "OP10", false, {"Panoramic Adult", "Panoramic Child", "TMJ"},
                 named_programs(60, 3), {}});
    t.push_back({Unit::orthophos3, "Orthophos 3", "ORVIX Sirona Orthophos 3", "PanoOrthophos3",
                 "ORTHO3.DLL", "Ortho3Install", nullptr, nullptr, "ORTHO3", false,
                 {"Panoramic Adult", "Panoramic Child", "TMJ"}, named_programs(60, 3), {}});
    t.push_back({Unit::rotograph230, "Rotograph 230", "ORVIX Villa Rotograph 230", "PanoRotograph230",
                 "ROTO230.DLL", "Roto230Install", nullptr, nullptr, "ROTO230", false, {"Panoramic"},
                 named_programs(70, 1), {}});
    t.push_back({Unit::gendex_sd, "Gendex SD", "ORVIX Gendex SD", "PanoGendexSD", "TREVIAN.DLL",
                 "TrevianInstall", nullptr, nullptr, "TREVIAN", false,
                 {"Pano Standard", "ATM LA", "ATM PA", "Sinus", "Tomo"}, named_programs(120, 5),
                 {{"TREVIAN", "ProgNum", false, "120", 0},
                  {"TREVIAN", "kV", false, "60", 0},
                  {"TREVIAN", "mA", false, "3", 0}}});
    t.push_back({Unit::planmeca2002, "Planmeca 2002", "ORVIX Planmeca 2002", "PanoPlanmeca2002",
                 "PM2002.DLL", "Pm2002Install", nullptr, nullptr, "PM2002", false,
                 {"Panoramic Adult", "Panoramic Child", "TMJ"}, named_programs(80, 3), {}});
    t.push_back({Unit::belmont_xcaliber, "Belmont Xcaliber", "ORVIX Belmont X'caliber",
                 "PanoBelmontXcaliber", "BREVIAN.DLL", "BrevianInstall", nullptr, nullptr, "BREVIAN", false,
                 {"Pano Standard", "ATM 1", "ATM 2"},
                 {{130, 0, "%s", {"2400", "10"}},
                  {131, 1, "%s", {"680", "10", "680", "10"}},
                  {132, 2, "%s", {"680", "10", "680", "10"}}},
                 {{"BREVIAN", "ProgNum", false, "0", 0},
                  {"BREVIAN", "kV", false, "60", 0},
                  {"BREVIAN", "mA", false, "0", 0}}});
    return t;
}

std::string key_path(std::string_view key) {
    std::string path = kPano;
    if (!key.empty()) path.append("\\").append(key);
    return path;
}

Setting text_value(std::string path, const char* name, std::string text) {
    return {std::move(path), name, false, std::move(text), 0};
}
Setting dword_value(std::string path, const char* name, std::uint32_t number) {
    return {std::move(path), name, true, "", number};
}

// The modules read a name into kNameCapacity bytes: the page's field gives way to the
// format's own characters so that the stored name always fits.
std::string formatted_name(const char* format, std::string_view field) {
    std::string name = format;
    const auto at = name.find("%s");
    if (at == std::string::npos) return name;
    const std::size_t room = kNameCapacity - 1 - (name.size() - 2);
    name.replace(at, 2, field.substr(0, room));
    return name;
}

void add_programs(const InstallerRecord& record, std::vector<Setting>& out) {
    const UnitTable& table = *record.table;
    static constexpr const char* kLayoutNames[6] = {"W1", "I1", "W2", "I2", "W3", "I3"};
    for (const ProgramRow& row : table.programs) {
        const std::string path = key_path(table.key) + "\\PROG\\P" + std::to_string(row.program);
        const auto& names = record.answers.names;
        const std::string field =
            row.name_field < static_cast<int>(names.size()) ? names[row.name_field] : "";
        out.push_back(text_value(path, "Name", formatted_name(row.name_format, field)));
        for (int i = 0; i < 6; ++i)
            if (row.layout[i] && *row.layout[i]) out.push_back(text_value(path, kLayoutNames[i], row.layout[i]));
    }
}

}  // namespace

const UnitTable& unit_table(Unit unit) {
    static const std::vector<UnitTable> tables = make_tables();
    for (const UnitTable& table : tables)
        if (table.unit == unit) return table;
    throw std::out_of_range("no installer record for this unit");
}

const char* InstallerRecord::module_file() const {
    return answers.serial_line && table->serial_module_file ? table->serial_module_file : table->module_file;
}

const char* InstallerRecord::inf_section() const {
    return answers.serial_line && table->serial_inf_section ? table->serial_inf_section : table->inf_section;
}

bool InstallerRecord::has_link() const {
    switch (table->unit) {
    case Unit::norvane_pan:
    case Unit::op100: return true;
    case Unit::kv80:
    case Unit::kv40: return answers.serial_line;
    default: return false;
    }
}

InstallerRecord make_record(const Answers& answers) {
    InstallerRecord record{&unit_table(answers.unit), answers, {}};
    auto& names = record.answers.names;
    const auto& defaults = record.table->default_names;
    for (std::size_t i = names.size(); i < defaults.size(); ++i)
        names.push_back(defaults[i]);
    return record;
}

std::vector<Setting> settings_of(const InstallerRecord& record) {
    const Answers& answers = record.answers;
    const UnitTable& table = *record.table;
    std::vector<Setting> out = {text_value(kPano, "COM", "0"), text_value(kPano, "PostProcess", "2"),
                                dword_value(kPano, "BaudRatePano", 1), dword_value(kPano, "TimeoutPano", 176),
                                dword_value(kPano, "BaudRateOrvix", 2)};
    if (record.has_link()) out.push_back(text_value(kPano, "COM", port_digit(answers.port)));
    for (const FixedValue& value : table.values) {
        Setting setting{key_path(value.key), value.name, value.dword, value.dword ? "" : value.text,
                        value.dword ? value.number : 0};
        out.push_back(setting);
    }
    switch (table.unit) {
    case Unit::norvane_pan:
        out.push_back(dword_value(kPano, "Demo", answers.demonstration ? 1 : 0));
        out.push_back(dword_value(key_path("VENTRA"), "WithVocal", answers.voice ? 1 : 0));
        break;
    case Unit::generic:
        out.push_back(text_value(kPano, "Rotation", answers.reverse_rotation ? "0" : "1"));
        out.push_back(text_value(kPano, "TimeOut", timeout_units_text(answers.timeout_seconds)));
        break;
    case Unit::op100:
        out.push_back(text_value(key_path("OP100"), "Cassette", answers.specific_cassette ? "1" : "0"));
        break;
    default: break;
    }
    add_programs(record, out);
    return out;
}

std::string port_digit(std::string_view port) {
    if (port.size() > 3 && port.substr(0, 3) == "COM") return std::string(port.substr(3));
    return "0";
}

std::string port_of_digit(std::string_view digit) {
    const int number = decimal_value(digit);
    if (number >= 1 && number <= 4) return "COM" + std::to_string(number);
    return "PCI COM";
}

std::string name_field_of(const ProgramRow& row, std::string_view stored) {
    const std::string_view format = row.name_format;
    const auto at = format.find("%s");
    if (at == std::string_view::npos) return std::string(stored);
    const std::string_view before = format.substr(0, at), after = format.substr(at + 2);
    if (stored.size() >= before.size() + after.size() && stored.substr(0, before.size()) == before &&
        stored.substr(stored.size() - after.size()) == after)
        return std::string(stored.substr(before.size(), stored.size() - before.size() - after.size()));
    return std::string(stored);
}

int timeout_seconds_of(std::string_view stored_timeout) {
    const int units = stored_timeout.empty() ? 500 : decimal_value(stored_timeout);
    return units > 0 ? (units + 99) / 100 : 5;
}

std::string timeout_units_text(int seconds) {
    if (seconds < 1) seconds = 1;
    if (seconds > 3600) seconds = 3600;
    return std::to_string(seconds * 100);
}

const char* os_label(Os os) {
    switch (os) {
    case Os::win98: return "Windows 98 + PCI card";
    case Os::win2000xp: return "Windows 2000/XP + PCI card";
    case Os::nt4: return "Windows NT4 + PCI card";
    default: return "";
    }
}

std::string xray_source_text(const InstallerRecord& record) {
    // Generic asks nothing: its acquisition record is fixed.
    if (record.table->unit == Unit::generic) return "fixed by the Generic configuration";
    if (!record.has_link()) return "manually fixed with a dialog box";
    return "sent through serial port " + record.answers.port;
}

const std::vector<Language>& languages() {
    static const std::vector<Language> list = {
        {"French", "NPFRA.DLL"},     {"English", "NPENG.DLL"},   {"American", "NPAME.DLL"},
        {"German", "NPDEU.DLL"},     {"Spanish", "NPESP.DLL"},   {"Italian", "NPITA.DLL"},
        {"Magyar", "NPMAG.DLL"},     {"Norgegian", "NPNOR.DLL"}, {"Portuguese", "NPPOR.DLL"},
        {"Dutch", "NPNED.DLL"},      {"Japenese", "NPJAP.DLL"},  {"Czech", "NPFIN.CES"},
        {"Swedish", "NPSUE.DLL"},    {"Croatian", "NPCRO.DLL"},  {"Russian", "NPRUS.DLL"},
        {"Turkish", "NPTUR.DLL"},    {"Greek", "NPGRE.DLL"},     {"Polish", "NPPOL.DLL"},
    };
    return list;
}

}  // namespace np::install
