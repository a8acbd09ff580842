#include "acquisition/testing/scanlink_host.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace np::testing {

std::vector<std::uint8_t> mask_file_bytes(std::size_t size, const char* serial) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, 24), 0);
    std::memcpy(bytes.data(), serial, std::min<std::size_t>(std::strlen(serial), 20));
    for (std::size_t at = 24; at + 4 <= bytes.size(); at += 4) {
        const float gain = 1.0f;
        std::memcpy(&bytes[at], &gain, 4);
    }
    bytes.resize(size);
    return bytes;
}

ScanlinkHost::ScanlinkHost(const char* module, const char* driver) {
    install_adaptation(module);
    install_mask(mask_file_bytes());
    set_working_card(sandbox_);
    window_ = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    driver_.reset(::LoadLibraryA(driver));
    if (!driver_) throw std::runtime_error(std::string("cannot load ") + driver);
    const std::string missing = exports_.resolve(driver_.get());
    if (!missing.empty()) throw std::runtime_error("driver lacks " + missing);
}

ScanlinkHost::~ScanlinkHost() {
    if (exports_.PANOCLOSE) exports_.PANOCLOSE();
    driver_.reset();
    if (window_) ::DestroyWindow(window_);
}

void ScanlinkHost::install_adaptation(const char* module) {
    if (!adaptation_.install(module))
        throw std::runtime_error(std::string("cannot install ") + module);
}

void ScanlinkHost::install_mask(const std::vector<std::uint8_t>& bytes) {
    if (!mask_.write(bytes)) throw std::runtime_error("cannot write " + mask_.path());
}

void ScanlinkHost::set_card_setting(const char* name, std::uint32_t value) {
    sandbox_.set_user_dword(kPanoPath, name, value);
}

void ScanlinkHost::remove_card_setting(const char* name) {
    UniqueKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NORVANE\\PANO", 0, KEY_SET_VALUE,
                        key.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(key.get(), name);
    else
        key.release();
}

void ScanlinkHost::set_card_text(const char* name, const char* value) {
    sandbox_.set_user_text(kCardSimulatorPath, name, value);
}

void ScanlinkHost::set_card_dword(const char* name, std::uint32_t value) {
    sandbox_.set_user_dword(kCardSimulatorPath, name, value);
}

}  // namespace np::testing
