#include "acquisition/transfer/result_codes.h"

#include "acquisition/transfer/transfer_loop.h"

namespace np::transfer {

std::optional<int> comm_port_code(int result) {
    if (result == 0) return std::nullopt;
    return result == 7 ? kCommDeviceUnavailable : kCommPortFailed;
}

std::optional<int> preparation_code(int result) {
    switch (result) {
        case 0:
            return std::nullopt;
        case 5:
            return kReadCommData5;
        case 6:
            return kReadCommData6;
        default:
            return kCancelled;
    }
}

std::optional<int> transfer_code(int result, int image_lines) {
    switch (result) {
        case kTransferComplete:
            if (image_lines <= 0) return kTransferFailedCode;
            return std::nullopt;
        case kTransferEscaped:
            return kCancelled;
        case kCardNotReady:
            return kCardNotReadyCode;
        default:
            return kTransferFailedCode;
    }
}

bool warns_operator(int host_code) {
    return host_code == kTransferFailedCode;
}

}  // namespace np::transfer
