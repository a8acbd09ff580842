#include "adaptations/ventra/module/ventra_registry.h"

#include <vector>

#include "adaptations/ventra/module/edition.h"

namespace np::ventra {
namespace {

UniqueKey open_for_reading(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    return UniqueKey(key);
}

}  // namespace

VentraKey::VentraKey(std::string_view path) {
    const std::string k(path);
    if (demonstration_build()) {
        keys_[0] = open_for_reading(HKEY_CURRENT_USER, "Software\\" + k);
        if (!keys_[0]) keys_[0] = open_for_reading(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + k);
        keys_[1] = open_for_reading(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + k);
        return;
    }
    keys_[0] = open_for_reading(HKEY_USERS, ".DEFAULT\\Software\\" + k);
    keys_[1] = open_for_reading(HKEY_CURRENT_USER, "Software\\" + k);
    keys_[2] = open_for_reading(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + k);
}

bool VentraKey::present() const {
    for (const UniqueKey& key : keys_)
        if (key) return true;
    return false;
}

std::optional<std::uint32_t> VentraKey::dword(const char* name) const {
    for (const UniqueKey& key : keys_) {
        if (!key) continue;
        DWORD type = 0, value = 0, size = sizeof value;
        if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS)
            continue;
        // A value of another type counts as absent.
        if (type == REG_DWORD && size == sizeof value) return value;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> VentraKey::text(const char* name, std::size_t buffer_size) const {
    for (const UniqueKey& key : keys_) {
        if (!key) continue;
        std::vector<char> buffer(buffer_size + 1, '\0');
        DWORD type = 0, size = static_cast<DWORD>(buffer_size);
        if (::RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                               &size) != ERROR_SUCCESS)
            continue;
        if (type != REG_SZ) return std::nullopt;
        return std::string(buffer.data());
    }
    return std::nullopt;
}

bool write_ventra_dword(std::string_view path, const char* name, std::uint32_t value) {
    HKEY raw = nullptr;
    const std::string key_path = "Software\\" + std::string(path);
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key_path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &raw,
                          nullptr) != ERROR_SUCCESS)
        return false;
    UniqueKey key(raw);
    const DWORD data = value;
    return ::RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof data) == ERROR_SUCCESS;
}

}  // namespace np::ventra
