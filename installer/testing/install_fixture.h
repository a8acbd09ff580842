// Test helpers for the installation program: the medium copied where the program looks
// for it, the files an installation leaves cleaned up, and the registry it writes read
// back as one table.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace np::testing {

// The medium's source folder as built (make media), as a Windows path with "\".
std::string built_medium_folder();

// Copies a folder with its sub-folders (both paths end in "\"); false when a file could
// not be copied.
bool copy_folder(const std::string& from, const std::string& to);
void remove_folder(const std::string& folder);

// The content of a file, empty when it cannot be read.
std::string file_content(const std::string& path);
bool write_file(const std::string& path, const std::string& content);

// Every value below HKEY_LOCAL_MACHINE "Software\Classes\NORVANE", by its path below
// that key and its name ("PANO\KV80\ProgNum"): REG_SZ as the text, REG_DWORD as
// "dword:" and the number.
using RegistryTable = std::map<std::string, std::string>;
RegistryTable machine_settings();

// Removes what the installations of the tests leave in the Windows folders.
void remove_installed_files();

}  // namespace np::testing
