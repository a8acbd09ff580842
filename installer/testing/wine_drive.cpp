#include "installer/testing/wine_drive.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

#include "common/win32_handles.h"

namespace np::testing {
namespace {

// The mount manager's request to define a drive (Wine's include/ddk/mountmgr.h); its
// type is a DRIVE_* value.
constexpr DWORD kDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

#pragma pack(push, 4)
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fs_type;
    DWORD serial;
    ULONGLONG unix_dev;
    WCHAR letter;
    USHORT mount_point_offset;
    USHORT device_offset;
    USHORT label_offset;
};
#pragma pack(pop)

std::string unix_path_of(const std::string& folder) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    const auto to_unix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!to_unix) return {};
    std::wstring wide(folder.begin(), folder.end());
    char* path = to_unix(wide.c_str());
    if (!path) return {};
    std::string result = path;
    ::HeapFree(::GetProcessHeap(), 0, path);
    return result;
}

bool define(char letter, const std::string& unix_path, ULONG type) {
    const UniqueFile manager(::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    std::vector<char> request(sizeof(UnixDrive) + unix_path.size() + 1, 0);
    UnixDrive drive{};
    drive.size = static_cast<ULONG>(request.size());
    drive.type = type;
    drive.letter = static_cast<WCHAR>(letter - 'A' + 'a');
    if (!unix_path.empty()) {
        drive.mount_point_offset = sizeof(UnixDrive);
        std::memcpy(request.data() + sizeof(UnixDrive), unix_path.c_str(), unix_path.size() + 1);
    }
    std::memcpy(request.data(), &drive, sizeof drive);
    DWORD returned = 0;
    return ::DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(), static_cast<DWORD>(request.size()),
                             nullptr, 0, &returned, nullptr) != FALSE;
}

}  // namespace

WineDrive::WineDrive(char letter, const std::string& folder, Type type) : letter_(letter) {
    const std::string unix_path = unix_path_of(folder);
    mapped_ = !unix_path.empty() && define(letter, unix_path, type == Type::cdrom ? DRIVE_CDROM : DRIVE_REMOVABLE);
}

WineDrive::~WineDrive() {
    if (mapped_) define(letter_, {}, 0);
}

}  // namespace np::testing
