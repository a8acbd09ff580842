#include "adaptations/ventra/files/unit_files.h"

#include <windows.h>

#include <array>
#include <optional>
#include <vector>

#include "adaptations/ventra/files/config_report.h"
#include "adaptations/ventra/files/event_log.h"
#include "adaptations/ventra/files/version_report.h"
#include "adaptations/ventra/link/unit_registers.h"
#include "common/win32_handles.h"

namespace np::ventra {
namespace {

constexpr std::uint16_t kRestoreFailedText = 470;
constexpr std::uint16_t kRestoreSuccessfulText = 469;

std::optional<std::string> read_whole_file(const char* path) {
    UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return std::nullopt;
    std::string bytes(size, '\0');
    DWORD got = 0;
    if (size > 0 && (!::ReadFile(file.get(), bytes.data(), size, &got, nullptr) || got != size))
        return std::nullopt;
    return bytes;
}

bool write_whole_file(const char* path, std::string_view bytes) {
    UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The log is bounded before each record; a log that cannot be read is not touched.
void append_to_log(const std::string& record, int lines_dropped_when_full) {
    const std::optional<std::string> stored = read_whole_file(kEventLogPath);
    if (!stored && ::GetFileAttributesA(kEventLogPath) != INVALID_FILE_ATTRIBUTES) return;
    write_whole_file(kEventLogPath, bounded_log(stored.value_or(""), lines_dropped_when_full) +
                                        text_mode_stored(record));
}

LocalTime now() {
    SYSTEMTIME t{};
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute};
}

// Buffers are cleared before each read, so that a failed read reports zeros.
template <std::size_t N>
std::array<std::uint16_t, N> read_block(const MachineLink& link, std::uint16_t address) {
    std::array<std::uint16_t, N> words{};
    if (link.read(address, static_cast<int>(N), words.data()) != 0) words.fill(0);
    return words;
}

std::string module_path_of(HMODULE module) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(module, path, sizeof path);
    return path;
}

HMODULE this_module() {
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&this_module), &module);
    return module;
}

ModuleVersion version_fields(const char* name) {
    ModuleVersion fields{name, {}, {}, {}};
    const HMODULE module = ::GetModuleHandleA(name);
    if (!module) return fields;
    const std::string path = module_path_of(module);
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return fields;
    std::vector<char> info(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, info.data())) return fields;
    WORD language = 0, code_page = 1252;
    struct Translation {
        WORD language, code_page;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                         &length) &&
        length >= sizeof(Translation)) {
        language = translation->language;
        code_page = translation->code_page;
    }
    std::string* values[] = {&fields.file_version, &fields.description, &fields.copyright};
    for (int k = 0; k < 3; ++k) {
        char query[96];
        wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", language, code_page, kVersionKeys[k]);
        char* value = nullptr;
        if (::VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&value), &length) && value)
            *values[k] = value;
    }
    return fields;
}

}  // namespace

void log_error(int code) {
    append_to_log(error_record(code, now()), 1);
}

void log_technical_access() {
    append_to_log(access_record(now()), 1);
}

void log_counters(const MachineLink& link) {
    std::array<std::uint16_t, 9> counters{};
    if (link.read(address::counters, words::counters, counters.data()) != 0) return;
    if (!counters_worth_logging(counters[0], counters[1])) return;
    append_to_log(counters_record(counters), kCountersRecordLines);
}

void write_configuration_report(const MachineLink& link, const LanguageModule& language) {
    ::DeleteFileA(kConfigReportPath);
    const auto identification = read_block<15>(link, address::identification);
    const auto diagnostic = read_block<5>(link, address::diagnostic);
    const auto manufacturing = read_block<11>(link, address::manufacturing);
    const auto calibration = read_block<40>(link, address::calibration);
    const auto preferences = read_block<20>(link, address::preferences);
    const auto report =
        configuration_report({identification, diagnostic, manufacturing, calibration, preferences},
                             [&](std::uint16_t id) { return language.text(id); });
    for (const ReportEntry& e : report)
        ::WritePrivateProfileStringA(e.section.c_str(), e.key.c_str(), e.value.c_str(), kConfigReportPath);
}

bool save_restore_file(const MachineLink& link) {
    RestoreImage image{};
    const auto identification = read_block<15>(link, address::identification);
    const auto manufacturing = read_block<16>(link, address::manufacturing);
    const auto calibration = read_block<40>(link, address::calibration);
    const auto preferences = read_block<20>(link, address::preferences);
    std::copy(identification.begin(), identification.end(), image.identification);
    std::copy(manufacturing.begin(), manufacturing.end(), image.manufacturing);
    std::copy(calibration.begin(), calibration.end(), image.calibration);
    std::copy(preferences.begin(), preferences.end(), image.preferences);
    return write_whole_file(kRestoreFilePath,
                            std::string_view(reinterpret_cast<const char*>(&image), sizeof image));
}

void restore_all(const MachineLink& link, const LanguageModule& language) {
    const auto bytes = read_whole_file(kRestoreFilePath);
    const auto image = bytes ? parse_restore_file(std::span(
                                   reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()))
                             : std::nullopt;
    if (!image) {
        show_message(language.text(kRestoreFailedText));
        return;
    }
    link.write(address::manufacturing, words::manufacturing_saved, image->manufacturing);
    link.write(address::calibration, words::calibration, image->calibration);
    link.write(address::preferences, words::preferences_saved, image->preferences);
    link.command(command::store_all);
    show_message(language.text(kRestoreSuccessfulText), MB_ICONINFORMATION);
}

bool restore_group(const MachineLink& link, RestoreGroup group) {
    const auto bytes = read_whole_file(kRestoreFilePath);
    if (!bytes) return false;
    const auto image =
        parse_restore_file(std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    if (!image) return false;
    const GroupRestore g = group_restore(group);
    const auto* words = reinterpret_cast<const std::uint16_t*>(reinterpret_cast<const char*>(&*image) + g.offset);
    if (link.write(g.address, static_cast<int>(g.bytes / 2), words) != 0) return false;
    if (link.command(g.store_command) != 0) return false;
    link.command(g.acknowledge_command);
    return true;
}

VersionTexts version_report(const MachineLink& link, const LanguageModule& language) {
    const ModuleVersion modules[] = {version_fields("panodlg.dll"), version_fields("NPjbus.dll"),
                                     version_fields("NPLang.dll")};
    const auto identification = read_block<15>(link, address::identification);
    const auto manufacturing = read_block<11>(link, address::manufacturing);
    return {software_text(modules),
            firmware_text(identification, manufacturing, [&](std::uint16_t id) { return language.text(id); })};
}

std::string message_title() {
    const std::string path = module_path_of(this_module());
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void show_message(const std::string& text, UINT icon) {
    ::MessageBoxA(nullptr, text.c_str(), message_title().c_str(), MB_OK | icon);
}

}  // namespace np::ventra
