// Test helper: a registry subtree that starts empty and is removed again, in both
// the user branch (HKCU "Software\<root>") and the machine branch
// (HKLM "Software\Classes\<root>") that the settings key reads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace np {

class RegistrySandbox {
  public:
    explicit RegistrySandbox(std::string root);
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;
    ~RegistrySandbox();

    // path is below "Software\" (user) or "Software\Classes\" (machine), as for the settings key.
    void set_user_text(std::string_view path, const char* name, std::string_view value);
    void set_machine_text(std::string_view path, const char* name, std::string_view value);
    void set_user_dword(std::string_view path, const char* name, std::uint32_t value);
    void set_machine_dword(std::string_view path, const char* name, std::uint32_t value);
    void clear();

  private:
    std::string root_;
};

// Sets one value below any root key, creating the key; throws on failure.
void set_registry_value(HKEY root, const std::string& subkey, const char* name, DWORD type,
                        const void* data, DWORD size);

}  // namespace np
