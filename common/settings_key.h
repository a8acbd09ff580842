// The settings key every module reads its registry settings through.
//
// Reading: the user key HKEY_CURRENT_USER "Software\<path>" (or, when that cannot
// be opened, HKEY_LOCAL_MACHINE "Software\Classes\<path>") and the machine key
// HKEY_LOCAL_MACHINE "Software\Classes\<path>". A value is asked of the user key
// first and of the machine key when that query fails; it is accepted only with
// the expected type and when it fits the caller's buffer, otherwise the caller's
// default stays. Writing goes to HKEY_CURRENT_USER "Software\<path>" as REG_SZ.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32_handles.h"

namespace np {

class SettingsKey {
  public:
    explicit SettingsKey(std::string_view path);

    // True when the user key or the machine key could be opened.
    bool is_open() const { return user_ || machine_; }

    // A REG_SZ value read into a buffer of buffer_size bytes (its terminating
    // zero included), as text without the terminating zero.
    std::optional<std::string> text(const char* name, std::size_t buffer_size) const;
    std::string text(const char* name, std::size_t buffer_size, std::string_view fallback) const;

    // A REG_SZ value converted by the standard decimal conversion; the default is
    // text too ("query REG_SZ into a 64-byte buffer, default 1").
    int number(const char* name, std::size_t buffer_size, std::string_view fallback) const;

    // A REG_DWORD value.
    std::optional<std::uint32_t> dword(const char* name) const;

  private:
    // The first successful answer, user key before machine key.
    bool query(const char* name, DWORD& type, BYTE* data, DWORD& size) const;

    UniqueKey user_;
    UniqueKey machine_;
};

// Writes a REG_SZ value (with its terminating zero) below HKEY_CURRENT_USER
// "Software\<path>", creating the key when needed. False when it cannot.
bool write_setting(std::string_view path, const char* name, std::string_view value);

}  // namespace np
