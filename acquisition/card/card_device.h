// The Orvix interface card as the rest of the driver sees it: the kernel driver's
// eight control requests, its picture buffer and its serial channel.
//
// Which card stands behind `open_card_device()` is decided when a module is linked:
// np_card_device (card_device_win32.cpp) opens "\\.\ScanlinkDev0" and speaks
// DeviceIoControl to the real kernel driver; np_card_sim (sim/card/) answers from an
// in-process simulator. A module links exactly one of the two, so the production
// driver carries no simulator code and the driver sources do not know the difference.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace np::card {

inline constexpr const char* kDevicePath = "\\\\.\\ScanlinkDev0";

// The picture buffer the card fills by DMA: 4000 lines of up to 2492 bytes.
inline constexpr std::uint32_t kPictureLines = 4000;
inline constexpr std::uint32_t kPictureLineBytes = 2492;
inline constexpr std::uint32_t kPictureBufferBytes = kPictureLines * kPictureLineBytes;
static_assert(kPictureBufferBytes == 9'968'000);

// One overlapped read of the unit's serial channel returns at most this much.
inline constexpr std::uint32_t kSerialReadBytes = 200;

// Status byte: bits 0-1 read 01 when the card can take a picture, bits 2-3 read 01
// when the panoramic unit's serial line is usable.
inline constexpr std::uint8_t kStatusPictureMask = 0x03;
inline constexpr std::uint8_t kStatusPictureReady = 0x01;
inline constexpr std::uint8_t kStatusLineMask = 0x0C;
inline constexpr std::uint8_t kStatusLineUsable = 0x04;

constexpr bool ready_to_acquire(std::uint8_t status) {
    return (status & kStatusPictureMask) == kStatusPictureReady;
}
constexpr bool serial_line_usable(std::uint8_t status) {
    return (status & kStatusLineMask) == kStatusLineUsable;
}

enum class Request : int {
    ReadStatus,
    ReadFirmwareVersion,
    ExchangeTransferInfo,
    MapPictureBuffer,
    UnmapPictureBuffer,
    StartPictureRead,
    StopPictureRead,
    ReadFillIndex,
};
inline constexpr int kRequestCount = 8;

// FILE_DEVICE_UNKNOWN, METHOD_BUFFERED, FILE_ANY_ACCESS, functions 0x800.. (0x805 unused).
constexpr std::uint32_t control_code(Request request) {
    constexpr std::uint32_t kFunctions[kRequestCount] = {0x800, 0x801, 0x802, 0x803,
                                                         0x804, 0x806, 0x807, 0x808};
    return (0x22u << 16) | (kFunctions[static_cast<int>(request)] << 2);
}
static_assert(control_code(Request::ReadStatus) == 0x222000);
static_assert(control_code(Request::ReadFirmwareVersion) == 0x222004);
static_assert(control_code(Request::ExchangeTransferInfo) == 0x222008);
static_assert(control_code(Request::MapPictureBuffer) == 0x22200C);
static_assert(control_code(Request::UnmapPictureBuffer) == 0x222010);
static_assert(control_code(Request::StartPictureRead) == 0x222018);
static_assert(control_code(Request::StopPictureRead) == 0x22201C);
static_assert(control_code(Request::ReadFillIndex) == 0x222020);

// The names the error box shows after "Scanlink : ".
constexpr const char* request_name(Request request) {
    constexpr const char* kNames[kRequestCount] = {
        "IOCTL_READ_STATUS",       "IOCTL_READ_FW_VERSION",     "IOCTL_XCHG_PICT_XFER_INFO",
        "IOCTL_MAP_PICT_XFER_ADD", "IOCTL_UNMAP_PICT_XFER_ADD", "IOCTL_START_PICT_READ",
        "IOCTL_STOP_PICT_READ",    "IOCTL_READ_PICT_IN_INDEX"};
    return kNames[static_cast<int>(request)];
}

enum class TransferMode : std::uint32_t { TenBit = 1, TwelveBit = 2 };

#pragma pack(push, 1)
// Input of IOCTL_XCHG_PICT_XFER_INFO. The card driver keeps the event and signals it
// whenever a picture transfer ends.
struct TransferInfo {
    std::uint32_t end_event;  // HANDLE of an event of the calling process
    std::uint32_t baud_rate_pano;
    std::uint32_t timeout_pano;
    std::uint32_t baud_rate_orvix;
    std::uint32_t transfer_mode;  // TransferMode
};
#pragma pack(pop)
static_assert(sizeof(TransferInfo) == 20);
static_assert(offsetof(TransferInfo, end_event) == 0);
static_assert(offsetof(TransferInfo, baud_rate_pano) == 4);
static_assert(offsetof(TransferInfo, timeout_pano) == 8);
static_assert(offsetof(TransferInfo, baud_rate_orvix) == 12);
static_assert(offsetof(TransferInfo, transfer_mode) == 16);

inline std::uint32_t handle_value(HANDLE handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

// Four ASCII characters, major digit first ("1.00").
using FirmwareVersion = std::array<char, 4>;

enum class SerialRead { Completed, Cancelled, Failed };

// An open card device. Every request is complete on return: true on success; false
// with the thread's last error set on failure, so that the caller can show its error
// box. Destroying the object closes the device.
class CardDevice {
  public:
    virtual ~CardDevice() = default;

    virtual bool read_status(std::uint8_t& status) = 0;
    virtual bool read_firmware_version(FirmwareVersion& version) = 0;
    virtual bool exchange_transfer_info(const TransferInfo& info) = 0;
    // The picture buffer, kPictureBufferBytes long, valid until unmapped.
    virtual bool map_picture_buffer(const std::uint8_t*& address) = 0;
    virtual bool unmap_picture_buffer() = 0;
    virtual bool start_picture_read() = 0;
    virtual bool stop_picture_read() = 0;
    // kPictureBufferBytes minus the bytes written so far in the current picture;
    // new data lies between kPictureBufferBytes - previous and kPictureBufferBytes - current.
    virtual bool read_fill_index(std::uint32_t& index) = 0;

    // One overlapped read of the unit's serial channel (at most kSerialReadBytes are
    // useful). Blocks until bytes arrive (Completed, `received` set) or `cancel` is
    // signalled (Cancelled: the read is withdrawn, nothing received). `cancel` may be
    // null to wait without a way out. Failed sets the last error.
    virtual SerialRead read_serial(void* buffer, std::uint32_t size, std::uint32_t& received,
                                   HANDLE cancel) = 0;

  protected:
    CardDevice() = default;
    CardDevice(const CardDevice&) = delete;
    CardDevice& operator=(const CardDevice&) = delete;
};

// Opens "\\.\ScanlinkDev0" for reading and writing, shared, existing device, overlapped.
// Null with the last error set when there is no card. Defined by the card library the
// module links (np_card_device or np_card_sim).
std::unique_ptr<CardDevice> open_card_device();

}  // namespace np::card
