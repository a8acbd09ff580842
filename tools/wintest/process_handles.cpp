#include "tools/wintest/process_handles.h"

#include <windows.h>

namespace np {

std::size_t count_open_handles() {
    DWORD reported = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &reported) && reported != 0) return reported;
    std::size_t count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

}  // namespace np
