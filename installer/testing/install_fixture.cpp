#include "installer/testing/install_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/win32_handles.h"

namespace np::testing {
namespace {

void read_key(HKEY parent, const std::string& path, RegistryTable& table) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return;
    const UniqueKey key(raw);
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[512];
        DWORD name_size = sizeof name, data_size = sizeof data - 1, type = 0;
        if (::RegEnumValueA(key.get(), i, name, &name_size, nullptr, &type, data, &data_size) != ERROR_SUCCESS)
            break;
        data[data_size] = 0;
        const std::string root = "Software\\Classes\\NORVANE";
        const std::string where =
            (path.size() > root.size() ? path.substr(root.size() + 1) + "\\" : std::string()) + name;
        if (type == REG_DWORD)
            table[where] = "dword:" + std::to_string(*reinterpret_cast<DWORD*>(data));
        else if (type == REG_SZ)
            table[where] = reinterpret_cast<char*>(data);
        else
            table[where] = "type:" + std::to_string(type);
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD name_size = sizeof name;
        if (::RegEnumKeyExA(key.get(), i, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        read_key(parent, path + "\\" + name, table);
    }
}

}  // namespace

std::string built_medium_folder() {
    char program[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string folder = program;
    folder.resize(folder.find_last_of('\\'));      // bin
    folder.resize(folder.find_last_of('\\') + 1);  // the build tree
    return folder + "media\\WINNT40\\SCANLINKNT\\";
}

bool copy_folder(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    // Both end in "\", where std::filesystem wants the folders' own names.
    std::error_code error;
    fs::copy(fs::path(from).parent_path(), fs::path(to).parent_path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
    return !error;
}

void remove_folder(const std::string& folder) {
    std::error_code error;
    // Read-only files (as the tests leave some) would stay behind.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error))
        ::SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(folder, error);
}

std::string file_content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

RegistryTable machine_settings() {
    RegistryTable table;
    read_key(HKEY_LOCAL_MACHINE, "Software\\Classes\\NORVANE", table);
    return table;
}

void remove_installed_files() {
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    for (const char* folder : {"\\SYSTEM\\", "\\SYSTEM32\\"})
        for (const char* file : {"PANODLG.DLL", "NPJBUS.DLL", "NPLANG.DLL", "SCANLINK.DLL"}) {
            const std::string path = std::string(windows) + folder + file;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    remove_folder("C:\\KX");
}

}  // namespace np::testing
