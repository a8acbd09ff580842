// What an installation does to the computer: files, the setup interface, settings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "installer/unit_records.h"

namespace np::install {

// Texts the operator sees when a step fails; caption of every such box.
inline constexpr const char* kErrorCaption = "Orvix Driver Install Error";

// The Windows folder and the system directory, without a trailing backslash.
std::string windows_folder();
std::string system_directory();

// The source folder as the system shows it now (fixed folders, CD-ROM drives).
std::string locate_source_folder(Os os);

// Copies `source` over `target`, whose read-only attribute is cleared before and after.
bool copy_over(const std::string& source, const std::string& target);
// The copy-failure box.
void report_copy_failure(HWND owner, const std::string& source, const std::string& target);
// copy_over, with the copy-failure box when it fails.
bool copy_or_report(HWND owner, const std::string& source, const std::string& target);

// Writes every value below HKEY_LOCAL_MACHINE "Software\Classes\"; false at the first
// value that could not be written.
bool write_settings(const std::vector<Setting>& settings);

// HKEY_LOCAL_MACHINE "Software\Classes\NORVANE" "InstallDir", "C:\KX" when absent.
std::string install_folder();
// The files a demonstration installation leaves in the install folder.
void delete_demonstration(const std::string& folder);

// The program names the language module `file` gives for the NorvanePan programs;
// false when it cannot be loaded or lacks its export.
bool language_names(const std::string& file, std::vector<std::string>& names);

// The stored settings a Kv record starts from (names, port) and Generic's page.
void preset_from_registry(Answers& answers);

// The installations of the record, with their messages; true on success.
bool install_by_copy(HWND owner, InstallerRecord& record);
bool install_nt4(HWND owner, HWND queue_owner, InstallerRecord& record);

// The mask from the cassette's floppy into the system folder of the chosen system.
void copy_mask(Os os);

}  // namespace np::install
