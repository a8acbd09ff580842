// Test helper for the tests that run beside a unit simulator (tools/wine-kvunit):
// the simulator's command line, mapped to COM2.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32_handles.h"

namespace np::testing {

class UnitCommandLine {
  public:
    UnitCommandLine()
        : line_(::CreateFileA("COM2", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    bool ready() const { return static_cast<bool>(line_); }
    // A command written before a request is played before the simulator answers it.
    bool send(const std::string& commands) const {
        const std::string line = commands + "\n";
        DWORD written = 0;
        return ::WriteFile(line_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
               written == line.size();
    }

  private:
    UniqueFile line_;
};

}  // namespace np::testing
