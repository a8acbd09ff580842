#include "common/settings_key.h"

#include <vector>

#include "common/text_numbers.h"

namespace np {
namespace {

UniqueKey open_for_reading(HKEY root, const std::string& subkey) {
    UniqueKey key;
    if (::RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

std::string user_path(std::string_view path) {
    return "Software\\" + std::string(path);
}
std::string machine_path(std::string_view path) {
    return "Software\\Classes\\" + std::string(path);
}

}  // namespace

SettingsKey::SettingsKey(std::string_view path) {
    user_ = open_for_reading(HKEY_CURRENT_USER, user_path(path));
    if (!user_) user_ = open_for_reading(HKEY_LOCAL_MACHINE, machine_path(path));
    machine_ = open_for_reading(HKEY_LOCAL_MACHINE, machine_path(path));
}

bool SettingsKey::query(const char* name, DWORD& type, BYTE* data, DWORD& size) const {
    const DWORD capacity = size;
    for (HKEY key : {user_.get(), machine_.get()}) {
        if (!key) continue;
        size = capacity;
        if (::RegQueryValueExA(key, name, nullptr, &type, data, &size) == ERROR_SUCCESS)
            return true;
    }
    return false;
}

std::optional<std::string> SettingsKey::text(const char* name, std::size_t buffer_size) const {
    if (buffer_size == 0) return std::nullopt;
    std::vector<BYTE> buffer(buffer_size, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer_size);
    if (!query(name, type, buffer.data(), size) || type != REG_SZ) return std::nullopt;
    // The stored text may lack its terminating zero; it ends at the first zero
    // or at the end of what was stored.
    std::string value(reinterpret_cast<const char*>(buffer.data()), size);
    if (const auto zero = value.find('\0'); zero != std::string::npos) value.resize(zero);
    return value;
}

std::string SettingsKey::text(const char* name, std::size_t buffer_size,
                              std::string_view fallback) const {
    return text(name, buffer_size).value_or(std::string(fallback));
}

int SettingsKey::number(const char* name, std::size_t buffer_size,
                        std::string_view fallback) const {
    return decimal_value(text(name, buffer_size, fallback));
}

std::optional<std::uint32_t> SettingsKey::dword(const char* name) const {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (!query(name, type, reinterpret_cast<BYTE*>(&value), size) || type != REG_DWORD ||
        size != sizeof value)
        return std::nullopt;
    return value;
}

bool write_setting(std::string_view path, const char* name, std::string_view value) {
    UniqueKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, user_path(path).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS) {
        key.release();
        return false;
    }
    const std::string stored(value);
    return ::RegSetValueExA(key.get(), name, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(stored.c_str()),
                            static_cast<DWORD>(stored.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace np
