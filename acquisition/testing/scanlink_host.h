// Test helper: a host of Scanlink_sim under Wine. Loads the driver by name and
// resolves its exports, installs a test adaptation module as "Panodlg.dll" beside the
// test program, a mask file in the system directory and the driver's card settings,
// and sets up the simulated card. Everything installed is removed (a mask that was
// there before restored) on destruction.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/testing/host_bench.h"
#include "common/win32_handles.h"
#include "tools/wintest/registry_sandbox.h"

namespace np::testing {

using ScanlinkExports = DriverExports;

// A mask file of `size` bytes whose header names the cassette `serial`.
std::vector<std::uint8_t> mask_file_bytes(std::size_t size = 5000, const char* serial = "OR  1000");

class ScanlinkHost {
  public:
    // Loads `driver` ("Scanlink_sim.dll") and installs a complete working setup: the
    // adaptation `module` ("TestPanodlgFull.dll") as Panodlg.dll, a 5000-byte mask and
    // the working card settings (set_working_card).
    explicit ScanlinkHost(const char* module = "TestPanodlgFull.dll",
                          const char* driver = "Scanlink_sim.dll");
    ScanlinkHost(const ScanlinkHost&) = delete;
    ScanlinkHost& operator=(const ScanlinkHost&) = delete;
    ~ScanlinkHost();

    const ScanlinkExports& driver() const { return exports_; }
    RegistrySandbox& registry() { return sandbox_; }

    // Another test module as Panodlg.dll (null: none at all).
    void install_adaptation(const char* module);
    // Bytes of PANO.MSK in the system directory (empty: no file).
    void install_mask(const std::vector<std::uint8_t>& bytes);
    void set_card_setting(const char* name, std::uint32_t value);
    void remove_card_setting(const char* name);
    // Values of the simulated card, below HKCU "Software\NORVANE\SIMULATOR\CARD".
    void set_card_text(const char* name, const char* value);
    void set_card_dword(const char* name, std::uint32_t value);

    // A window of this thread for PANOOPEN.
    HWND window() const { return window_; }

  private:
    RegistrySandbox sandbox_{"NORVANE"};
    UniqueModule driver_;
    ScanlinkExports exports_;
    AdaptationInstall adaptation_;
    MaskInstall mask_;
    HWND window_ = nullptr;
};

}  // namespace np::testing
