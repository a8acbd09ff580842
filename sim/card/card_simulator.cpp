#include "sim/card/card_simulator.h"

#include <algorithm>
#include <cstring>

namespace np::sim {
namespace {

using card::Request;

}  // namespace

// The device the driver holds: every request goes to the shared card state.
class SimulatedCardDevice final : public card::CardDevice {
  public:
    explicit SimulatedCardDevice(CardSimulator& card) : card_(card) {}
    ~SimulatedCardDevice() override { card_.device_closed(); }

    bool read_status(std::uint8_t& status) override {
        if (card_.fails(Request::ReadStatus)) return false;
        std::lock_guard lock(card_.mutex_);
        status = card_.config_.status;
        return true;
    }

    bool read_firmware_version(card::FirmwareVersion& version) override {
        if (card_.fails(Request::ReadFirmwareVersion)) return false;
        std::lock_guard lock(card_.mutex_);
        version = card_.config_.firmware;
        return true;
    }

    bool exchange_transfer_info(const card::TransferInfo& info) override {
        if (card_.fails(Request::ExchangeTransferInfo)) return false;
        // Like the kernel driver, take a reference of our own on the caller's event.
        HANDLE kept = nullptr;
        const HANDLE self = ::GetCurrentProcess();
        if (!::DuplicateHandle(self, reinterpret_cast<HANDLE>(std::uintptr_t{info.end_event}), self,
                               &kept, 0, FALSE, DUPLICATE_SAME_ACCESS))
            return false;
        std::lock_guard lock(card_.mutex_);
        card_.end_event_.reset(kept);
        card_.transfer_info_ = info;
        return true;
    }

    bool map_picture_buffer(const std::uint8_t*& address) override {
        if (card_.fails(Request::MapPictureBuffer)) return false;
        std::uint8_t* buffer = card_.picture_buffer();
        if (!buffer) return false;
        std::lock_guard lock(card_.mutex_);
        card_.mapped_ = true;
        address = buffer;
        return true;
    }

    bool unmap_picture_buffer() override {
        if (card_.fails(Request::UnmapPictureBuffer)) return false;
        std::lock_guard lock(card_.mutex_);
        card_.mapped_ = false;
        return true;
    }

    bool start_picture_read() override {
        if (card_.fails(Request::StartPictureRead)) return false;
        std::shared_ptr<PictureFeed> feed;
        {
            std::lock_guard lock(card_.mutex_);
            card_.fill_index_ = card::kPictureBufferBytes;
            card_.reading_ = true;
            feed = card_.feed_;
        }
        if (feed) feed->start(card_);
        return true;
    }

    bool stop_picture_read() override {
        if (card_.fails(Request::StopPictureRead)) return false;
        card_.stop_reading();
        return true;
    }

    bool read_fill_index(std::uint32_t& index) override {
        if (card_.fails(Request::ReadFillIndex)) return false;
        index = card_.fill_index_.load();
        return true;
    }

    card::SerialRead read_serial(void* buffer, std::uint32_t size, std::uint32_t& received,
                                 HANDLE cancel) override {
        received = 0;
        for (;;) {
            {
                std::lock_guard lock(card_.mutex_);
                auto& pending = card_.serial_pending_;
                if (!pending.empty()) {
                    const std::size_t n = std::min<std::size_t>(size, pending.size());
                    std::memcpy(buffer, pending.data(), n);
                    pending.erase(pending.begin(),
                                  pending.begin() + static_cast<std::ptrdiff_t>(n));
                    if (pending.empty()) ::ResetEvent(card_.serial_available_.get());
                    received = static_cast<std::uint32_t>(n);
                    return card::SerialRead::Completed;
                }
            }
            const HANDLE waits[2] = {card_.serial_available_.get(), cancel};
            const DWORD woke = ::WaitForMultipleObjects(cancel ? 2 : 1, waits, FALSE, INFINITE);
            if (woke == WAIT_OBJECT_0 + 1) return card::SerialRead::Cancelled;
            if (woke != WAIT_OBJECT_0) return card::SerialRead::Failed;
        }
    }

  private:
    CardSimulator& card_;
};

CardSimulator& CardSimulator::instance() {
    // Never destroyed, like the card itself: a device the driver still holds at unload
    // must find it.
    static CardSimulator* const card = new CardSimulator;
    return *card;
}

CardSimulator::CardSimulator() : serial_available_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CardSimulator::~CardSimulator() {
    if (picture_) ::VirtualFree(picture_, 0, MEM_RELEASE);
}

void CardSimulator::configure(CardConfiguration configuration) {
    std::lock_guard lock(mutex_);
    config_ = std::move(configuration);
    serial_pending_ = config_.serial_data;
    if (serial_pending_.empty())
        ::ResetEvent(serial_available_.get());
    else
        ::SetEvent(serial_available_.get());
}

CardConfiguration CardSimulator::configuration() const {
    std::lock_guard lock(mutex_);
    return config_;
}

void CardSimulator::set_feed(std::shared_ptr<PictureFeed> feed) {
    std::lock_guard lock(mutex_);
    feed_ = std::move(feed);
}

std::unique_ptr<card::CardDevice> CardSimulator::open_device() {
    {
        std::lock_guard lock(mutex_);
        if (!config_.present) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
    }
    auto device = std::make_unique<SimulatedCardDevice>(*this);
    std::lock_guard lock(mutex_);
    ++open_devices_;
    return device;
}

bool CardSimulator::fails(Request request) const {
    std::lock_guard lock(mutex_);
    const DWORD error = config_.failures[static_cast<int>(request)];
    if (error == 0) return false;
    ::SetLastError(error);
    return true;
}

void CardSimulator::stop_reading() {
    std::shared_ptr<PictureFeed> feed;
    {
        std::lock_guard lock(mutex_);
        if (!reading_) return;
        reading_ = false;
        feed = feed_;
    }
    // Outside the lock: the feed's thread may still be calling into the card.
    if (feed) feed->stop();
}

void CardSimulator::device_closed() {
    {
        std::lock_guard lock(mutex_);
        if (--open_devices_ > 0) return;
    }
    // Closing the last handle is the kernel driver's cleanup: stop the card, drop the
    // mapping and the reference on the caller's event.
    stop_reading();
    std::lock_guard lock(mutex_);
    mapped_ = false;
    end_event_.reset();
}

std::uint8_t* CardSimulator::picture_buffer() {
    std::lock_guard lock(mutex_);
    if (!picture_) {
        picture_ = static_cast<std::uint8_t*>(::VirtualAlloc(
            nullptr, card::kPictureBufferBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    }
    return picture_;
}

std::size_t CardSimulator::deliver(std::span<const std::uint8_t> bytes) {
    std::uint8_t* buffer = picture_buffer();
    if (!buffer) return 0;
    const std::uint32_t index = fill_index_.load();
    const std::size_t room = index;
    const std::size_t n = std::min(room, bytes.size());
    std::memcpy(buffer + (card::kPictureBufferBytes - index), bytes.data(), n);
    fill_index_ = index - static_cast<std::uint32_t>(n);
    return n;
}

bool CardSimulator::signal_end_of_transfer() {
    std::lock_guard lock(mutex_);
    return end_event_ && ::SetEvent(end_event_.get());
}

card::TransferInfo CardSimulator::transfer_info() const {
    std::lock_guard lock(mutex_);
    return transfer_info_;
}

int CardSimulator::open_devices() const {
    std::lock_guard lock(mutex_);
    return open_devices_;
}

bool CardSimulator::mapped() const {
    std::lock_guard lock(mutex_);
    return mapped_;
}

bool CardSimulator::reading() const {
    std::lock_guard lock(mutex_);
    return reading_;
}

bool CardSimulator::keeps_end_event() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(end_event_);
}

void CardSimulator::push_serial(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    serial_pending_.insert(serial_pending_.end(), bytes.begin(), bytes.end());
    if (!serial_pending_.empty()) ::SetEvent(serial_available_.get());
}

}  // namespace np::sim
