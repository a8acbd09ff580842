#include "installer/install_actions.h"

#include <setupapi.h>

#include <array>
#include <cstdio>
#include <optional>

#include "common/win32_handles.h"
#include "installer/source_folder.h"

namespace np::install {
namespace {

constexpr const char* kCopyFailure =
    "The file %s cannot be copied\nPlease verify your drive or make sure that the file %s is not readonly";
constexpr const char* kNt4InfFolder = "\\WinNT40\\ScanlinkNT\\";
constexpr const char* kNt4InfName = "\\WinNT40\\ScanlinkNT\\SCANLINK";  // ".INF" follows
constexpr const char* kDemoFiles[] = {"PANO.DLL", "PANODLG.DLL", "DEMO0001.TIF", "NPJBUS.DLL", "NPLANG.DLL"};
constexpr const char* kMachineRoot = "Software\\Classes\\";

void show_error(HWND owner, const std::string& text) {
    ::MessageBoxA(owner, text.c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
}

std::string with_two(const char* format, const std::string& first, const std::string& second) {
    std::vector<char> text(std::string_view(format).size() + first.size() + second.size() + 1);
    std::snprintf(text.data(), text.size(), format, first.c_str(), second.c_str());
    return text.data();
}

bool inf_has_signature(const std::string& path) {
    char value[64] = {};
    ::GetPrivateProfileStringA("Version", "Signature", "Error", value, sizeof value, path.c_str());
    return std::string_view(value) != "Error";
}

std::optional<std::string> autorun_folder(char letter) {
    const std::string autorun = std::string(1, letter) + ":\\autorun.inf";
    char value[MAX_PATH] = {};
    ::GetPrivateProfileStringA("DriverInstall", "OrvixPCI", "", value, sizeof value, autorun.c_str());
    if (!*value) return std::nullopt;
    return std::string(value);
}

UniqueKey open_machine_key(const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kMachineRoot + path).c_str(), 0, access, &key) != ERROR_SUCCESS)
        return UniqueKey();
    return UniqueKey(key);
}

std::optional<std::string> machine_text(const std::string& path, const char* name) {
    const UniqueKey key = open_machine_key(path, KEY_READ);
    if (!key) return std::nullopt;
    char value[MAX_PATH] = {};
    DWORD type = 0, size = sizeof value - 1;
    if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(value);
}

bool write_value(HKEY key, const Setting& setting) {
    if (setting.dword) {
        const DWORD number = setting.number;
        return ::RegSetValueExA(key, setting.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                sizeof number) == ERROR_SUCCESS;
    }
    return ::RegSetValueExA(key, setting.name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(setting.text.c_str()),
                            static_cast<DWORD>(setting.text.size() + 1)) == ERROR_SUCCESS;
}

void clear_read_only(const std::string& path) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Owners of the setup interface's handles.
struct InfFile {
    HINF handle = INVALID_HANDLE_VALUE;
    ~InfFile() {
        if (handle != INVALID_HANDLE_VALUE) ::SetupCloseInfFile(handle);
    }
};
struct FileQueue {
    HSPFILEQ handle = INVALID_HANDLE_VALUE;
    ~FileQueue() {
        if (handle != INVALID_HANDLE_VALUE) ::SetupCloseFileQueue(handle);
    }
};
struct QueueCallback {
    void* context = nullptr;
    ~QueueCallback() {
        if (context) ::SetupTermDefaultQueueCallback(context);
    }
};

bool setup_steps(HWND owner, HWND queue_owner, const InstallerRecord& record) {
    InfFile inf;
    inf.handle = ::SetupOpenInfFileA((std::string(kNt4InfName) + ".INF").c_str(), "MEDIA", INF_STYLE_WIN4, nullptr);
    if (inf.handle == INVALID_HANDLE_VALUE) {
        show_error(owner, with_two("File %s.INF not found", kNt4InfName, ""));
        return false;
    }
    FileQueue queue;
    queue.handle = ::SetupOpenFileQueue();
    QueueCallback callback;
    if (queue.handle != INVALID_HANDLE_VALUE) callback.context = ::SetupInitDefaultQueueCallback(queue_owner);
    if (queue.handle == INVALID_HANDLE_VALUE || !callback.context) {
        show_error(owner, "Not enough memory");
        return false;
    }
    const char* section = record.inf_section();
    if (!::SetupInstallFilesFromInfSectionA(inf.handle, nullptr, queue.handle, section, kNt4InfFolder,
                                            SP_COPY_NEWER) ||
        !::SetupCommitFileQueueA(queue_owner, queue.handle, SetupDefaultQueueCallbackA, callback.context)) {
        show_error(owner, "Error while copying files");
        return false;
    }
    if (!::SetupInstallServicesFromInfSectionA(inf.handle, kServiceSection, 0)) {
        show_error(owner, "Error while creating services");
        return false;
    }
    if (!::SetupInstallFromInfSectionA(nullptr, inf.handle, section, SPINST_ALL & ~SPINST_FILES, nullptr,
                                       nullptr, 0, nullptr, nullptr, nullptr, nullptr)) {
        show_error(owner, "Registry error");
        return false;
    }
    return true;
}

bool write_settings_or_report(HWND owner, const InstallerRecord& record) {
    if (write_settings(settings_of(record))) return true;
    show_error(owner, "Registry error");
    return false;
}

// NorvanePan's own files: the JBUS library and the language module, into the system
// folder, or with the demonstration set into the install folder.
bool install_norvane_files(HWND owner, const InstallerRecord& record, const std::string& system_folder) {
    const std::string& source = record.source_folder;
    if (source.empty()) return false;
    const std::string& language = record.answers.language_file;
    if (record.answers.demonstration && record.answers.os != Os::nt4) {
        const std::string folder = install_folder();
        ::CreateDirectoryA(folder.c_str(), nullptr);
        const std::string demo = source + "DEMO\\";
        const std::array<std::pair<const char*, const char*>, 5> files = {{{"VENTRA.DLL", "\\PANODLG.DLL"},
                                                                           {"SCANLINK_DEMO.DLL", "\\PANO.DLL"},
                                                                           {"DEMO0001.TIF", "\\DEMO0001.TIF"},
                                                                           {"NPJBUS.DLL", "\\NPJBUS.DLL"},
                                                                           {nullptr, "\\NPLANG.DLL"}}};
        bool copied = true;
        for (const auto& [from, to] : files)
            copied &= copy_or_report(owner, demo + (from ? from : language.c_str()), folder + to);
        return copied;
    }
    if (record.answers.os != Os::nt4) {
        const std::string folder = install_folder();
        for (const char* file : kDemoFiles)
            ::DeleteFileA((folder + "\\" + file).c_str());
    }
    const bool jbus = copy_or_report(owner, source + "NPJBUS.DLL", system_folder + "\\NPJBUS.DLL");
    const bool lang = copy_or_report(owner, source + language, system_folder + "\\NPLANG.DLL");
    return jbus && lang;
}

}  // namespace

std::string windows_folder() {
    char folder[MAX_PATH] = {};
    ::GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string system_directory() {
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string locate_source_folder(Os os) {
    SourceProbe probe{inf_has_signature,
                      [](char letter) {
                          const char root[] = {letter, ':', '\\', '\0'};
                          return ::GetDriveTypeA(root) == DRIVE_CDROM;
                      },
                      autorun_folder};
    return find_source_folder(os, probe);
}

bool copy_over(const std::string& source, const std::string& target) {
    clear_read_only(target);
    const bool copied = ::CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
    clear_read_only(target);
    return copied;
}

void report_copy_failure(HWND owner, const std::string& source, const std::string& target) {
    show_error(owner, with_two(kCopyFailure, source, target));
}

bool copy_or_report(HWND owner, const std::string& source, const std::string& target) {
    if (copy_over(source, target)) return true;
    report_copy_failure(owner, source, target);
    return false;
}

bool write_settings(const std::vector<Setting>& settings) {
    for (const Setting& setting : settings) {
        HKEY raw = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kMachineRoot + setting.path).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
            return false;
        const UniqueKey key(raw);
        if (!write_value(key.get(), setting)) return false;
    }
    return true;
}

std::string install_folder() {
    return machine_text("NORVANE", "InstallDir").value_or("C:\\KX");
}

void delete_demonstration(const std::string& folder) {
    for (const char* file : kDemoFiles) {
        const std::string path = folder + "\\" + file;
        clear_read_only(path);
        ::DeleteFileA(path.c_str());
    }
}

bool language_names(const std::string& file, std::vector<std::string>& names) {
    const UniqueModule module(::LoadLibraryA(file.c_str()));
    if (!module) return false;
    using GetProgName = void(__cdecl*)(int, char*);
    const auto get_name = reinterpret_cast<GetProgName>(reinterpret_cast<void*>(::GetProcAddress(module.get(), "GetProgName")));
    if (!get_name) return false;
    names.assign(kNamedProgramCount, {});
    for (int i = 0; i < kNamedProgramCount; ++i) {
        char name[kNameCapacity + 1] = {};
        get_name(kFirstNamedProgram + i, name);
        name[kNameCapacity] = '\0';
        names[i] = name;
    }
    return true;
}

void preset_from_registry(Answers& answers) {
    const UnitTable& table = unit_table(answers.unit);
    if (answers.unit == Unit::generic) {
        answers.reverse_rotation = machine_text("NORVANE\\PANO", "Rotation").value_or("1") != "1";
        answers.timeout_seconds = timeout_seconds_of(machine_text("NORVANE\\PANO", "TimeOut").value_or(""));
        return;
    }
    if (answers.unit != Unit::kv80 && answers.unit != Unit::kv40) return;
    answers.port = port_of_digit(machine_text("NORVANE\\PANO", "COM").value_or("0"));
    answers.names.assign(table.default_names.begin(), table.default_names.end());
    for (std::size_t field = 0; field < answers.names.size(); ++field) {
        for (const ProgramRow& row : table.programs) {
            if (row.name_field != static_cast<int>(field)) continue;
            const std::string path = std::string("NORVANE\\PANO\\") + table.key + "\\PROG\\P" + std::to_string(row.program);
            if (const auto stored = machine_text(path, "Name")) answers.names[field] = name_field_of(row, *stored);
            break;
        }
    }
}

bool install_by_copy(HWND owner, InstallerRecord& record) {
    if (record.source_folder.empty()) record.source_folder = locate_source_folder(record.answers.os);
    if (record.source_folder.empty()) return false;
    const std::string source = record.source_folder + record.module_file();
    const std::string target = windows_folder() + "\\SYSTEM\\PANODLG.DLL";
    if (!copy_or_report(owner, source, target)) return false;
    if (!write_settings_or_report(owner, record)) return false;
    if (record.table->unit == Unit::norvane_pan)
        return install_norvane_files(owner, record, windows_folder() + "\\SYSTEM");
    return true;
}

bool install_nt4(HWND owner, HWND queue_owner, InstallerRecord& record) {
    if (!setup_steps(owner, queue_owner, record)) return false;
    if (!write_settings_or_report(owner, record)) return false;
    if (record.table->unit != Unit::norvane_pan) return true;
    if (record.source_folder.empty()) record.source_folder = locate_source_folder(record.answers.os);
    return install_norvane_files(owner, record, system_directory());
}

void copy_mask(Os os) {
    const std::string target =
        windows_folder() + (os == Os::win98 ? "\\SYSTEM\\PANO.MSK" : "\\SYSTEM32\\PANO.MSK");
    copy_over("A:\\PANO.MSK", target);
}

}  // namespace np::install
