// The real card: the kernel driver behind "\\.\ScanlinkDev0".
#include "acquisition/card/card_device.h"
#include "common/win32_handles.h"

namespace np::card {
namespace {

class KernelCardDevice final : public CardDevice {
  public:
    explicit KernelCardDevice(UniqueFile device) : device_(std::move(device)) {}

    bool read_status(std::uint8_t& status) override {
        return request(Request::ReadStatus, nullptr, 0, &status, sizeof status);
    }
    bool read_firmware_version(FirmwareVersion& version) override {
        return request(Request::ReadFirmwareVersion, nullptr, 0, version.data(),
                       static_cast<DWORD>(version.size()));
    }
    bool exchange_transfer_info(const TransferInfo& info) override {
        std::uint8_t ignored = 0;
        TransferInfo in = info;
        return request(Request::ExchangeTransferInfo, &in, sizeof in, &ignored, sizeof ignored);
    }
    bool map_picture_buffer(const std::uint8_t*& address) override {
        std::uint32_t mapped = 0;
        if (!request(Request::MapPictureBuffer, nullptr, 0, &mapped, sizeof mapped)) return false;
        address = reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(mapped));
        return true;
    }
    bool unmap_picture_buffer() override {
        return request(Request::UnmapPictureBuffer, nullptr, 0, nullptr, 0);
    }
    bool start_picture_read() override {
        return request(Request::StartPictureRead, nullptr, 0, nullptr, 0);
    }
    bool stop_picture_read() override {
        return request(Request::StopPictureRead, nullptr, 0, nullptr, 0);
    }
    bool read_fill_index(std::uint32_t& index) override {
        return request(Request::ReadFillIndex, nullptr, 0, &index, sizeof index);
    }

    SerialRead read_serial(void* buffer, std::uint32_t size, std::uint32_t& received,
                           HANDLE cancel) override {
        received = 0;
        UniqueHandle done(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (!done) return SerialRead::Failed;
        OVERLAPPED overlapped{};
        overlapped.hEvent = done.get();
        DWORD count = 0;
        if (::ReadFile(device_.get(), buffer, size, &count, &overlapped)) {
            received = count;
            return SerialRead::Completed;
        }
        if (::GetLastError() != ERROR_IO_PENDING) return SerialRead::Failed;
        const HANDLE waits[2] = {done.get(), cancel};
        const DWORD woke = ::WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 1) {
            ::CancelIo(device_.get());
            // The buffer and the OVERLAPPED must outlive the read: wait until it is withdrawn.
            ::GetOverlappedResult(device_.get(), &overlapped, &count, TRUE);
            return SerialRead::Cancelled;
        }
        if (!::GetOverlappedResult(device_.get(), &overlapped, &count, TRUE))
            return SerialRead::Failed;
        received = count;
        return SerialRead::Completed;
    }

  private:
    bool request(Request which, void* in, DWORD in_size, void* out, DWORD out_size) {
        DWORD returned = 0;
        return ::DeviceIoControl(device_.get(), control_code(which), in, in_size, out, out_size,
                                 &returned, nullptr) != FALSE;
    }

    UniqueFile device_;
};

}  // namespace

std::unique_ptr<CardDevice> open_card_device() {
    UniqueFile device(::CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
    if (!device) return nullptr;
    return std::make_unique<KernelCardDevice>(std::move(device));
}

}  // namespace np::card
