// How the test adaptation modules read their behaviour from the registry.
#pragma once

#include <vector>

namespace np::testing {

// A REG_DWORD below HKEY_CURRENT_USER "Software\<path>", or the fallback.
int configured_number(const char* path, const char* name, int fallback);

// A comma-separated list of decimal numbers (at most ten, one per image section).
std::vector<int> configured_list(const char* path, const char* name, const char* fallback);

}  // namespace np::testing
