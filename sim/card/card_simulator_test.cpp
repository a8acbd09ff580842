// The card simulator where it must behave as the card's kernel driver does and the
// driver's own tests would not notice otherwise.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "sim/card/card_simulator.h"

namespace np::sim {
namespace {

class CardSimulatorTest : public ::testing::Test {
  protected:
    CardSimulatorTest() { card_.configure({}); }
    CardSimulator card_;
};

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
    EXPECT_EQ(card_.fill_index(), card::kPictureBufferBytes - 2492);  // from the start again
    device.reset();
    EXPECT_EQ(feed->stops, 2);
    EXPECT_FALSE(card_.reading());
}

}  // namespace
}  // namespace np::sim
