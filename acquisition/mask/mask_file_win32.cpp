#include "acquisition/mask/mask_file_win32.h"

#include <windows.h>

#include <vector>

#include "common/win32_handles.h"

namespace np::mask {
namespace {

std::string system_directory() {
    char buffer[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    return length && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

}  // namespace

std::optional<Mask> read_system_mask() {
    const std::string directory = system_directory();
    if (directory.empty()) return std::nullopt;
    UniqueFile file(::CreateFileA(mask_path(directory).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    // Only the first kFileBytes matter; a longer file is read no further.
    std::vector<std::uint8_t> bytes(kFileBytes);
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read);
    return parse_mask(bytes);
}

}  // namespace np::mask
