// The card simulator through the card interface, as the driver sees it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "sim/card/card_sim_registry.h"
#include "sim/card/card_simulator.h"
#include "tools/wintest/registry_sandbox.h"

namespace np::sim {
namespace {

using card::Request;

class CardSimulatorTest : public ::testing::Test {
  protected:
    CardSimulatorTest() { card_.configure({}); }
    CardSimulator card_;
};

TEST_F(CardSimulatorTest, DefaultCardIsReadyWithAFirmwareForBothModes) {
    auto device = card_.open_device();
    ASSERT_TRUE(device);
    std::uint8_t status = 0;
    card::FirmwareVersion firmware{};
    ASSERT_TRUE(device->read_status(status));
    ASSERT_TRUE(device->read_firmware_version(firmware));
    EXPECT_TRUE(card::ready_to_acquire(status));
    EXPECT_TRUE(card::serial_line_usable(status));
    EXPECT_GT(std::memcmp(firmware.data(), "1.00", 4), 0);
    EXPECT_EQ(firmware[0], '1');
}

TEST_F(CardSimulatorTest, AbsentCardCannotBeOpened) {
    CardConfiguration absent;
    absent.present = false;
    card_.configure(absent);
    ::SetLastError(0);
    EXPECT_FALSE(card_.open_device());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// Issues one request with harmless arguments.
bool issue(card::CardDevice& device, Request request, HANDLE event) {
    std::uint8_t status;
    card::FirmwareVersion firmware;
    const std::uint8_t* address;
    std::uint32_t index;
    switch (request) {
        case Request::ReadStatus:
            return device.read_status(status);
        case Request::ReadFirmwareVersion:
            return device.read_firmware_version(firmware);
        case Request::ExchangeTransferInfo:
            return device.exchange_transfer_info({card::handle_value(event), 1, 2, 1, 1});
        case Request::MapPictureBuffer:
            return device.map_picture_buffer(address);
        case Request::UnmapPictureBuffer:
            return device.unmap_picture_buffer();
        case Request::StartPictureRead:
            return device.start_picture_read();
        case Request::StopPictureRead:
            return device.stop_picture_read();
        case Request::ReadFillIndex:
            return device.read_fill_index(index);
    }
    return false;
}

TEST_F(CardSimulatorTest, EachRequestCanBeMadeToFailWithItsOwnError) {
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (int failing = 0; failing < card::kRequestCount; ++failing) {
        SCOPED_TRACE(card::request_name(static_cast<Request>(failing)));
        CardConfiguration config;
        config.fail(static_cast<Request>(failing), 1000 + failing);
        card_.configure(config);
        auto device = card_.open_device();
        ASSERT_TRUE(device);
        for (int i = 0; i < card::kRequestCount; ++i) {
            ::SetLastError(0);
            EXPECT_EQ(issue(*device, static_cast<Request>(i), event), i != failing);
            if (i == failing) {
                EXPECT_EQ(::GetLastError(), static_cast<DWORD>(1000 + failing));
            }
        }
    }
    ::CloseHandle(event);
}

TEST_F(CardSimulatorTest, KeepsItsOwnReferenceOnTheEndEventUntilTheDeviceCloses) {
    auto device = card_.open_device();
    HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(device->exchange_transfer_info({card::handle_value(event), 5, 7, 2, 2}));
    ::CloseHandle(event);  // the card still holds the event
    EXPECT_TRUE(card_.keeps_end_event());
    EXPECT_TRUE(card_.signal_end_of_transfer());
    EXPECT_EQ(card_.transfer_info().baud_rate_pano, 5u);
    EXPECT_EQ(card_.transfer_info().transfer_mode, 2u);
    device.reset();
    EXPECT_FALSE(card_.keeps_end_event());
    EXPECT_FALSE(card_.signal_end_of_transfer());
}

TEST_F(CardSimulatorTest, SignalledEndEventWakesTheCaller) {
    auto device = card_.open_device();
    HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(device->exchange_transfer_info({card::handle_value(event), 0, 0, 1, 1}));
    card_.signal_end_of_transfer();
    EXPECT_EQ(::WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ::CloseHandle(event);
}

TEST_F(CardSimulatorTest, InvalidEventHandleIsRefused) {
    auto device = card_.open_device();
    EXPECT_FALSE(device->exchange_transfer_info({0xDEAD0, 0, 0, 1, 1}));
}

TEST_F(CardSimulatorTest, DeliveredBytesAppearAtTheFillPositionAndLowerTheIndex) {
    auto device = card_.open_device();
    const std::uint8_t* picture = nullptr;
    ASSERT_TRUE(device->map_picture_buffer(picture));
    ASSERT_TRUE(device->start_picture_read());
    std::uint32_t index = 0;
    ASSERT_TRUE(device->read_fill_index(index));
    EXPECT_EQ(index, card::kPictureBufferBytes);

    std::vector<std::uint8_t> line(2488, 0x5A);
    card_.deliver(line);
    line.assign(2488, 0xA5);
    card_.deliver(line);
    ASSERT_TRUE(device->read_fill_index(index));
    EXPECT_EQ(index, card::kPictureBufferBytes - 2 * 2488);
    EXPECT_EQ(picture[0], 0x5A);
    EXPECT_EQ(picture[2487], 0x5A);
    EXPECT_EQ(picture[2488], 0xA5);

    // A new picture starts at the beginning again.
    ASSERT_TRUE(device->stop_picture_read());
    ASSERT_TRUE(device->start_picture_read());
    ASSERT_TRUE(device->read_fill_index(index));
    EXPECT_EQ(index, card::kPictureBufferBytes);
}

TEST_F(CardSimulatorTest, DeliveryNeverPassesTheEndOfThePictureBuffer) {
    auto device = card_.open_device();
    ASSERT_TRUE(device->start_picture_read());
    std::vector<std::uint8_t> all(card::kPictureBufferBytes - 10, 1);
    EXPECT_EQ(card_.deliver(all), all.size());
    std::vector<std::uint8_t> more(100, 2);
    EXPECT_EQ(card_.deliver(more), 10u);
    EXPECT_EQ(card_.fill_index(), 0u);
}

class RecordingFeed : public PictureFeed {
  public:
    void start(CardSimulator& card) override {
        ++starts;
        std::vector<std::uint8_t> line(2492, 7);
        card.deliver(line);
    }
    void stop() override { ++stops; }
    int starts = 0;
    int stops = 0;
};

TEST_F(CardSimulatorTest, FeedRunsBetweenStartAndStopAndStopsWhenTheDeviceCloses) {
    auto feed = std::make_shared<RecordingFeed>();
    card_.set_feed(feed);
    auto device = card_.open_device();
    ASSERT_TRUE(device->start_picture_read());
    EXPECT_EQ(feed->starts, 1);
    EXPECT_EQ(card_.fill_index(), card::kPictureBufferBytes - 2492);
    ASSERT_TRUE(device->stop_picture_read());
    EXPECT_EQ(feed->stops, 1);
    ASSERT_TRUE(device->start_picture_read());
    device.reset();
    EXPECT_EQ(feed->stops, 2);
    EXPECT_FALSE(card_.reading());
}

TEST_F(CardSimulatorTest, SerialReadReturnsWhatTheUnitSentAtMostTheBufferSize) {
    CardConfiguration config;
    config.serial_data.assign(250, 'x');
    card_.configure(config);
    auto device = card_.open_device();
    char buffer[card::kSerialReadBytes];
    std::uint32_t received = 0;
    EXPECT_EQ(device->read_serial(buffer, sizeof buffer, received, nullptr),
              card::SerialRead::Completed);
    EXPECT_EQ(received, 200u);
    EXPECT_EQ(device->read_serial(buffer, sizeof buffer, received, nullptr),
              card::SerialRead::Completed);
    EXPECT_EQ(received, 50u);
}

TEST_F(CardSimulatorTest, PendingSerialReadEndsOnCancelOrOnNewBytes) {
    auto device = card_.open_device();
    HANDLE cancel = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    char buffer[card::kSerialReadBytes];
    std::uint32_t received = 1;
    EXPECT_EQ(device->read_serial(buffer, sizeof buffer, received, cancel),
              card::SerialRead::Cancelled);
    EXPECT_EQ(received, 0u);
    ::ResetEvent(cancel);
    const std::uint8_t bytes[] = {2, 'A', 'B'};
    card_.push_serial(bytes);
    EXPECT_EQ(device->read_serial(buffer, sizeof buffer, received, cancel),
              card::SerialRead::Completed);
    EXPECT_EQ(received, 3u);
    ::CloseHandle(cancel);
}

TEST(CardSimulatorRegistry, ValuesUnderTheSimulatorKeyConfigureTheCard) {
    RegistrySandbox sandbox("NORVANE");
    EXPECT_TRUE(read_card_configuration().present);
    sandbox.set_user_dword("NORVANE\\SIMULATOR\\CARD", "Present", 0);
    sandbox.set_user_dword("NORVANE\\SIMULATOR\\CARD", "Status", 0x0C);
    sandbox.set_user_text("NORVANE\\SIMULATOR\\CARD", "Firmware", "2.00");
    sandbox.set_user_text("NORVANE\\SIMULATOR\\CARD", "Fail",
                          "IOCTL_READ_STATUS, IOCTL_MAP_PICT_XFER_ADD;bogus");
    sandbox.set_user_dword("NORVANE\\SIMULATOR\\CARD", "FailError", 21);
    const std::uint8_t serial[] = {2, 'O', 3};
    set_registry_value(HKEY_CURRENT_USER, kCardSimulatorKey, "SerialData", REG_BINARY, serial,
                       sizeof serial);
    const CardConfiguration config = read_card_configuration();
    EXPECT_FALSE(config.present);
    EXPECT_EQ(config.status, 0x0C);
    EXPECT_EQ(std::string(config.firmware.begin(), config.firmware.end()), "2.00");
    EXPECT_EQ(config.failures[static_cast<int>(Request::ReadStatus)], 21u);
    EXPECT_EQ(config.failures[static_cast<int>(Request::MapPictureBuffer)], 21u);
    EXPECT_EQ(config.failures[static_cast<int>(Request::ReadFillIndex)], 0u);
    EXPECT_EQ(config.serial_data, std::vector<std::uint8_t>(serial, serial + 3));
}

TEST(CardSimulatorRegistry, OpeningTheDeviceAppliesTheRegistryEachTime) {
    RegistrySandbox sandbox("NORVANE");
    sandbox.set_user_dword("NORVANE\\SIMULATOR\\CARD", "Present", 0);
    EXPECT_FALSE(card::open_card_device());
    sandbox.clear();
    EXPECT_TRUE(card::open_card_device());
}

}  // namespace
}  // namespace np::sim
