#include "acquisition/card/request_error_box.h"

#include <windows.h>

namespace np::card {

std::string system_error_text(unsigned long error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text),
        0, nullptr);
    std::string result = length && text ? std::string(text, length) : std::string();
    if (text) ::LocalFree(text);
    return result;
}

void show_request_error(const char* request_name) {
    const DWORD error = ::GetLastError();
    const std::string title = std::string(kErrorBoxTitlePrefix) + request_name;
    const std::string text = system_error_text(error);
    ::MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace np::card
