// An Orvix card and its kernel driver, simulated in the process that uses them.
//
// One CardSimulator exists per module (CardSimulator::instance()). It holds what the
// kernel driver would hold: the status byte, the firmware version, the transfer
// parameters with the end-of-transfer event it keeps, the picture buffer (allocated
// once and kept, as a boot-time DMA buffer is) with its fill index, and the bytes
// waiting on the unit's serial channel. Devices opened through it are thin views on
// that state, so a device closed and opened again finds the same card.
//
// A picture feed (set_feed) plays the sensor: the simulator starts it on
// IOCTL_START_PICT_READ and stops it on IOCTL_STOP_PICT_READ; it writes lines with
// deliver() and ends a picture with signal_end_of_transfer().
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "acquisition/card/card_device.h"
#include "common/win32_handles.h"

namespace np::sim {

// What a test or a host sets up before the card is opened.
struct CardConfiguration {
    bool present = true;  // false: "\\.\ScanlinkDev0" does not exist
    std::uint8_t status = card::kStatusPictureReady | card::kStatusLineUsable;
    // Newer than "1.00", so both transfer modes are accepted.
    card::FirmwareVersion firmware = {'1', '.', '1', '0'};
    // Nonzero: the request fails with this error code.
    std::array<DWORD, card::kRequestCount> failures{};
    // Bytes the panoramic unit has sent on the serial channel.
    std::vector<std::uint8_t> serial_data;

    void fail(card::Request request, DWORD error = ERROR_GEN_FAILURE) {
        failures[static_cast<int>(request)] = error;
    }
};

class CardSimulator;

// Plays a picture into the card while a picture read runs.
class PictureFeed {
  public:
    virtual ~PictureFeed() = default;
    // Called on IOCTL_START_PICT_READ after the fill index went back to the full size.
    virtual void start(CardSimulator& card) = 0;
    // Called on IOCTL_STOP_PICT_READ and when the device closes; must not return
    // while the feed can still call the card.
    virtual void stop() = 0;
};

class CardSimulator {
  public:
    static CardSimulator& instance();

    CardSimulator();
    ~CardSimulator();
    CardSimulator(const CardSimulator&) = delete;
    CardSimulator& operator=(const CardSimulator&) = delete;

    void configure(CardConfiguration configuration);
    CardConfiguration configuration() const;
    void set_feed(std::shared_ptr<PictureFeed> feed);

    // Null with the last error ERROR_FILE_NOT_FOUND when the card is configured absent.
    std::unique_ptr<card::CardDevice> open_device();

    // --- for a picture feed (any thread) ---
    // Writes bytes at the current fill position and lowers the fill index; bytes past
    // the end of the buffer are dropped. Returns the number written.
    std::size_t deliver(std::span<const std::uint8_t> bytes);
    // Signals the end-of-transfer event handed over with IOCTL_XCHG_PICT_XFER_INFO.
    bool signal_end_of_transfer();
    std::uint32_t fill_index() const { return fill_index_.load(); }
    std::uint8_t* picture_buffer();
    card::TransferInfo transfer_info() const;

    // --- what tests look at ---
    int open_devices() const;
    bool mapped() const;
    bool reading() const;
    bool keeps_end_event() const;
    // Queues bytes on the serial channel and wakes a pending read.
    void push_serial(std::span<const std::uint8_t> bytes);

  private:
    friend class SimulatedCardDevice;

    bool fails(card::Request request) const;
    void stop_reading();
    void device_closed();

    mutable std::mutex mutex_;
    CardConfiguration config_;
    std::shared_ptr<PictureFeed> feed_;
    int open_devices_ = 0;
    bool mapped_ = false;
    bool reading_ = false;
    card::TransferInfo transfer_info_{};
    UniqueHandle end_event_;  // the card driver's own reference to the caller's event
    std::uint8_t* picture_ = nullptr;
    std::atomic<std::uint32_t> fill_index_{card::kPictureBufferBytes};
    std::vector<std::uint8_t> serial_pending_;
    UniqueHandle serial_available_;
};

}  // namespace np::sim
