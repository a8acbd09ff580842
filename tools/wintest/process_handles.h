// Test helpers: the number of kernel handles the process holds and of TLS indices it
// could still take, to catch leaks.
#pragma once

#include <cstddef>

namespace np {

// GetProcessHandleCount where the system answers it; Wine reports 0 there, so the
// handle table is probed instead (every handle value up to 65536 that the system
// recognises counts).
std::size_t count_open_handles();

// TLS indices the process could still take (about a thousand at most; the thread
// runtime ends a process that runs out).
std::size_t count_free_tls_indices();

}  // namespace np
