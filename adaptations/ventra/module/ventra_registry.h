// Ventra's registry lookup: a key path K is read from up to three keys, in this
// order: HKEY_USERS ".DEFAULT\Software\K", HKEY_CURRENT_USER "Software\K" and
// HKEY_LOCAL_MACHINE "Software\Classes\K"; a value comes from the first that has it.
// The demonstration build reads two, as every other module does: the user's key (the
// machine's when the user's cannot be opened), then the machine's.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32_handles.h"

namespace np::ventra {

inline constexpr const char* kPanoKey = "NORVANE\\PANO";
inline constexpr const char* kVentraKey = "NORVANE\\PANO\\VENTRA";

class VentraKey {
  public:
    explicit VentraKey(std::string_view path);
    bool present() const;
    std::optional<std::uint32_t> dword(const char* name) const;
    // A REG_SZ value that fits a buffer of buffer_size bytes with its NUL.
    std::optional<std::string> text(const char* name, std::size_t buffer_size) const;

  private:
    std::array<UniqueKey, 3> keys_;
};

// Creates or opens HKEY_CURRENT_USER "Software\<path>" and sets a REG_DWORD.
bool write_ventra_dword(std::string_view path, const char* name, std::uint32_t value);

}  // namespace np::ventra
