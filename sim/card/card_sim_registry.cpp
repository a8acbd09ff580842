#include "sim/card/card_sim_registry.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/win32_handles.h"

namespace np::sim {
namespace {

std::optional<DWORD> query_dword(HKEY key, const char* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::uint8_t>> query_bytes(HKEY key, const char* name, DWORD wanted) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != wanted)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(size);
    if (size && ::RegQueryValueExA(key, name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

std::optional<std::string> query_text(HKEY key, const char* name) {
    auto bytes = query_bytes(key, name, REG_SZ);
    if (!bytes) return std::nullopt;
    std::string text(bytes->begin(), bytes->end());
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    return text;
}

}  // namespace

void parse_failing_requests(std::string_view names, DWORD error, CardConfiguration& configuration) {
    constexpr std::string_view kSeparators = " \t,;";
    std::size_t at = 0;
    while (at < names.size()) {
        const std::size_t begin = names.find_first_not_of(kSeparators, at);
        if (begin == std::string_view::npos) break;
        std::size_t end = names.find_first_of(kSeparators, begin);
        if (end == std::string_view::npos) end = names.size();
        const std::string_view name = names.substr(begin, end - begin);
        for (int i = 0; i < card::kRequestCount; ++i) {
            const auto request = static_cast<card::Request>(i);
            if (name == card::request_name(request)) configuration.fail(request, error);
        }
        at = end;
    }
}

CardConfiguration read_card_configuration() {
    CardConfiguration configuration;
    UniqueKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kCardSimulatorKey, 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        key.release();
        return configuration;
    }
    if (auto present = query_dword(key.get(), "Present")) configuration.present = *present != 0;
    if (auto status = query_dword(key.get(), "Status"))
        configuration.status = static_cast<std::uint8_t>(*status);
    if (auto firmware = query_text(key.get(), "Firmware")) {
        configuration.firmware.fill('\0');
        std::copy_n(firmware->begin(), std::min<std::size_t>(firmware->size(), 4),
                    configuration.firmware.begin());
    }
    if (auto failing = query_text(key.get(), "Fail")) {
        const DWORD error = query_dword(key.get(), "FailError").value_or(ERROR_GEN_FAILURE);
        parse_failing_requests(*failing, error ? error : ERROR_GEN_FAILURE, configuration);
    }
    if (auto serial = query_bytes(key.get(), "SerialData", REG_BINARY))
        configuration.serial_data = std::move(*serial);
    return configuration;
}

}  // namespace np::sim
