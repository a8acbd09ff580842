#include "acquisition/testmodules/test_module_settings.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "common/acquisition_record.h"
#include "common/settings_key.h"
#include "common/text_numbers.h"

namespace np::testing {

int configured_number(const char* path, const char* name, int fallback) {
    const auto value = SettingsKey(path).dword(name);
    return value ? static_cast<int>(*value) : fallback;
}

std::vector<int> configured_list(const char* path, const char* name, const char* fallback) {
    const std::string text = SettingsKey(path).text(name, 256, fallback);
    std::vector<int> values;
    std::size_t at = 0;
    while (at <= text.size() && values.size() < kMaxSections) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        values.push_back(decimal_value(std::string_view(text).substr(at, end - at)));
        at = end + 1;
    }
    return values;
}

}  // namespace np::testing
