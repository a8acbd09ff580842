// Ventra's link to the unit: the JBUS port and the operations the console and the
// screens use on it. All traffic after opening runs on one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "adaptations/ventra/link/unit_display.h"

namespace np::ventra {

class MachineLink {
  public:
    MachineLink() = default;
    MachineLink(const MachineLink&) = delete;
    MachineLink& operator=(const MachineLink&) = delete;
    ~MachineLink() { close(); }

    bool open(const std::string& port, int baud);
    void close();
    bool is_open() const { return handle_ != -1; }

    // The library's results: 0 success, otherwise its error code.
    int read(std::uint16_t address, int count, std::uint16_t* words) const;
    int write(std::uint16_t address, int count, const std::uint16_t* words) const;
    // A reset command is followed by a fresh restore file, whatever its result.
    int command(std::uint16_t word) const;
    int show_text(std::string_view text) const;  // the unit's state display
    int show_startup_text(std::string_view text) const;
    int show_code(int code, CodeKind kind) const;

    // Set by the module: rewrites the restore file from the unit.
    void on_reset(std::function<void()> rewrite_restore_file) { after_reset_ = std::move(rewrite_restore_file); }

  private:
    int handle_ = -1;
    std::function<void()> after_reset_;
};

}  // namespace np::ventra
