// The result code that the no-image message (1624, wParam 0) carries to the host.
#pragma once

#include <optional>

namespace np::transfer {

enum HostCode : int {
    kNoMemory = 0,
    kCommPortFailed = 1,
    kReadCommData5 = 2,
    kReadCommData6 = 3,
    kCancelled = 4,
    kTransferFailedCode = 5,
    kCommDeviceUnavailable = 6,
    kCardNotReadyCode = 7,
};

// OpenCommPort's result; nullopt when the link is ready.
std::optional<int> comm_port_code(int open_comm_port_result);

// The preparation's result (ReadCommData, or the console's start); nullopt on success.
std::optional<int> preparation_code(int preparation_result);

// The transfer's result and the lines it wrote; nullopt when an image was taken. A
// transfer that completed without a single line has no image either.
std::optional<int> transfer_code(int transfer_result, int image_lines);

// Whether the host code comes with the three warning beeps.
bool warns_operator(int host_code);

}  // namespace np::transfer
