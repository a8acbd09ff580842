#include "tools/wintest/registry_sandbox.h"

#include <shlwapi.h>

#include <stdexcept>

#include "common/win32_handles.h"

namespace np {
namespace {

std::string user_subkey(std::string_view path) {
    return "Software\\" + std::string(path);
}
std::string machine_subkey(std::string_view path) {
    return "Software\\Classes\\" + std::string(path);
}

void set_text(HKEY root, const std::string& subkey, const char* name, std::string_view value) {
    const std::string text(value);
    set_registry_value(root, subkey, name, REG_SZ, text.c_str(),
                       static_cast<DWORD>(text.size() + 1));
}

}  // namespace

void set_registry_value(HKEY root, const std::string& subkey, const char* name, DWORD type,
                        const void* data, DWORD size) {
    UniqueKey key;
    if (RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
        key.release();
        throw std::runtime_error("cannot create " + subkey);
    }
    if (RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot set " + subkey + "\\" + name);
}

RegistrySandbox::RegistrySandbox(std::string root) : root_(std::move(root)) {
    clear();
}

RegistrySandbox::~RegistrySandbox() {
    clear();
}

void RegistrySandbox::clear() {
    SHDeleteKeyA(HKEY_CURRENT_USER, user_subkey(root_).c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, machine_subkey(root_).c_str());
}

void RegistrySandbox::set_user_text(std::string_view path, const char* name,
                                    std::string_view value) {
    set_text(HKEY_CURRENT_USER, user_subkey(path), name, value);
}

void RegistrySandbox::set_machine_text(std::string_view path, const char* name,
                                       std::string_view value) {
    set_text(HKEY_LOCAL_MACHINE, machine_subkey(path), name, value);
}

void RegistrySandbox::set_user_dword(std::string_view path, const char* name, std::uint32_t value) {
    const DWORD v = value;
    set_registry_value(HKEY_CURRENT_USER, user_subkey(path), name, REG_DWORD, &v, sizeof v);
}

void RegistrySandbox::set_machine_dword(std::string_view path, const char* name,
                                        std::uint32_t value) {
    const DWORD v = value;
    set_registry_value(HKEY_LOCAL_MACHINE, machine_subkey(path), name, REG_DWORD, &v, sizeof v);
}

}  // namespace np
