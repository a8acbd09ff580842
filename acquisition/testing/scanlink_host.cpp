#include "acquisition/testing/scanlink_host.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace np::testing {
namespace {

std::string program_directory() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of("\\/"));
}

std::string system_directory() {
    char path[MAX_PATH] = {};
    ::GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

template <typename Fn>
void resolve(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    if (!fn) throw std::runtime_error(std::string("driver lacks ") + name);
}

}  // namespace

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

ScanlinkHost::ScanlinkHost(const char* module, const char* driver)
    : adaptation_path_(program_directory() + "\\Panodlg.dll"),
      mask_path_(system_directory() + "\\PANO.MSK") {
    install_adaptation(module);
    install_mask(mask_file_bytes());
    set_card_setting("BaudRatePano", 1);
    set_card_setting("TimeoutPano", 100);
    set_card_setting("BaudRateOrvix", 1);
    set_card_setting("ModeOrvix", 1);
    window_ = ::CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
    driver_.reset(::LoadLibraryA(driver));
    if (!driver_) throw std::runtime_error(std::string("cannot load ") + driver);
    const HMODULE m = driver_.get();
    resolve(m, "PANOOPEN", exports_.PANOOPEN);
    resolve(m, "PANOCLOSE", exports_.PANOCLOSE);
    resolve(m, "PANOSIZE", exports_.PANOSIZE);
    resolve(m, "PANOPREVIEWSIZE", exports_.PANOPREVIEWSIZE);
    resolve(m, "PANOGETCOMMDATA", exports_.PANOGETCOMMDATA);
    resolve(m, "NPANOCANCOMBINEATM", exports_.NPANOCANCOMBINEATM);
    resolve(m, "BPANORESOLUTION", exports_.BPANORESOLUTION);
    resolve(m, "PANOGetVersion", exports_.PANOGetVersion);
}

ScanlinkHost::~ScanlinkHost() {
    if (exports_.PANOCLOSE) exports_.PANOCLOSE();
    driver_.reset();
    if (window_) ::DestroyWindow(window_);
    ::DeleteFileA(adaptation_path_.c_str());
    ::DeleteFileA(mask_path_.c_str());
}

void ScanlinkHost::install_adaptation(const char* module) {
    ::DeleteFileA(adaptation_path_.c_str());
    if (!module) return;
    const std::string source = program_directory() + "\\" + module;
    if (!::CopyFileA(source.c_str(), adaptation_path_.c_str(), FALSE))
        throw std::runtime_error("cannot install " + source);
}

void ScanlinkHost::install_mask(const std::vector<std::uint8_t>& bytes) {
    ::DeleteFileA(mask_path_.c_str());
    if (bytes.empty()) return;
    UniqueFile file(::CreateFileA(mask_path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        throw std::runtime_error("cannot write " + mask_path_);
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
