#include "adaptations/ventra/module/version_list.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "adaptations/ventra/files/unit_files.h"
#include "adaptations/ventra/module/edition.h"

namespace np::ventra {
namespace {

struct FileVersion {
    std::string version, date;
};

std::string system_folder_file(const char* name) {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\system\\" + name;
}

std::optional<std::string> version_of(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<char> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, info.data()) ||
        !::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return std::nullopt;
    char text[48];
    wsprintfA(text, "%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

std::optional<std::string> date_of(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    SYSTEMTIME t{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &t)) {
        show_message("CFile::GetStatus FAILED");
        return std::nullopt;
    }
    char text[16];
    wsprintfA(text, "%.2d/%.2d/%.4d", t.wDay, t.wMonth, t.wYear);
    return text;
}

constexpr const char* kFiles[3][2] = {
    {"PanoDlg.dll", "Ventra.dll"}, {"NPjbus.dll", "NPjbus.dll"}, {"NPLang.dll", "NPLang.dll"}};

// Empty when any of the three cannot be read.
std::vector<FileVersion> installed_versions() {
    std::vector<FileVersion> found;
    for (const auto& file : kFiles) {
        const std::string path = system_folder_file(file[0]);
        const auto version = version_of(path);
        if (!version) return {};
        const auto date = date_of(path);
        if (!date) return {};
        found.push_back({*version, *date});
    }
    return found;
}

// The demonstration build names its three parts without looking at any file.
std::vector<FileVersion> demonstration_versions() {
    return std::vector<FileVersion>(std::size(kFiles), FileVersion{"3.0.1.0", "17 juin 2002"});
}

}  // namespace

VersionRecord* build_version_list() {
    const std::vector<FileVersion> found = demonstration_build() ? demonstration_versions() : installed_versions();
    if (found.empty()) return nullptr;
    VersionRecord* first = nullptr;
    VersionRecord** link = &first;
    for (std::size_t i = 0; i < found.size(); ++i) {
        VersionRecord* record = new_version_record(kFiles[i][1], found[i].version.c_str(), found[i].date.c_str());
        if (!record) {
            free_version_records(first);
            return nullptr;
        }
        *link = record;
        link = &record->next;
    }
    return first;
}

}  // namespace np::ventra
