#include "tools/wintest/process_handles.h"

#include <windows.h>

#include <vector>

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

std::size_t count_free_tls_indices() {
    std::vector<DWORD> taken;
    for (DWORD index; (index = ::TlsAlloc()) != TLS_OUT_OF_INDEXES;)
        taken.push_back(index);
    for (const DWORD index : taken)
        ::TlsFree(index);
    return taken.size();
}

}  // namespace np
