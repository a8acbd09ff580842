// Test helper: a file's bytes read or written whole, through the system's own calls.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32_handles.h"

namespace np::testing {

// Empty when the file cannot be opened.
inline std::string file_bytes(const char* path) {
    UniqueFile file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string bytes(::GetFileSize(file.get(), nullptr), '\0');
    DWORD got = 0;
    ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    return bytes;
}

inline bool put_file(const char* path, const std::string& bytes) {
    UniqueFile file(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace np::testing
