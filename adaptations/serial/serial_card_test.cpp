// The modules' card channel (COM "0"), in a build that links the card simulator in
// place of the card: the entry points are called directly.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "adaptations/serial/unit_simulator_client.h"
#include "sim/card/card_simulator.h"
#include "tools/wintest/registry_sandbox.h"

extern "C" {
int OpenCommPort();
int ReadCommData(HWND host, np::AcquisitionRecord* record);
}

namespace np {
namespace {

constexpr const char* kPano = "NORVANE\\PANO";
constexpr const char* kCard = "NORVANE\\SIMULATOR\\CARD";

using Bytes = std::vector<std::uint8_t>;

Bytes frames(std::initializer_list<std::pair<char, std::uint8_t>> fields) {
    Bytes bytes;
    for (const auto& [letter, value] : fields)
        bytes.insert(bytes.end(), {0x02, static_cast<std::uint8_t>(letter), value, 0x03});
    return bytes;
}

class CardChannel : public ::testing::Test {
  protected:
    void SetUp() override {
        sandbox_.set_user_text(kPano, "COM", "0");
        sandbox_.set_user_dword(kPano, "BaudRatePano", 5);
    }

    void unit_sends(const Bytes& bytes) {
        set_registry_value(HKEY_CURRENT_USER, std::string("Software\\") + kCard, "SerialData",
                           REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    }

    RegistrySandbox sandbox_{"NORVANE"};
};

TEST_F(CardChannel, OpeningNeedsTheBaudRateTheDeviceAndAUsableLine) {
    EXPECT_EQ(OpenCommPort(), 0);
    ASSERT_EQ(sim::CardSimulator::instance().open_devices(), 1);
    sandbox_.set_user_dword(kPano, "BaudRatePano", 0);
    EXPECT_EQ(OpenCommPort(), 5);
    EXPECT_EQ(sim::CardSimulator::instance().open_devices(), 0);  // the old link was closed
    sandbox_.set_user_text(kPano, "BaudRatePano", "5");           // not a REG_DWORD
    EXPECT_EQ(OpenCommPort(), 5);
    sandbox_.set_user_dword(kPano, "BaudRatePano", 5);

    sandbox_.set_user_dword(kCard, "Present", 0);
    EXPECT_EQ(OpenCommPort(), 5);
    sandbox_.set_user_dword(kCard, "Present", 1);
    sandbox_.set_user_text(kCard, "Fail", "IOCTL_READ_STATUS");
    EXPECT_EQ(OpenCommPort(), 5);
    EXPECT_EQ(sim::CardSimulator::instance().open_devices(), 0);
    sandbox_.set_user_text(kCard, "Fail", "");

    // Bits 2 and 3 must read 01; the picture bits do not matter.
    const std::pair<DWORD, int> results[] = {{0x00, 7}, {0x08, 7}, {0x0C, 7}, {0x04, 0}, {0xF4, 0}};
    for (const auto& [status, result] : results) {
        sandbox_.set_user_dword(kCard, "Status", status);
        EXPECT_EQ(OpenCommPort(), result) << status;
        EXPECT_EQ(sim::CardSimulator::instance().open_devices(), result == 0 ? 1 : 0) << status;
    }
    AcquisitionRecord record{};
    unit_sends(frames({{'O', 101}}));
    ASSERT_EQ(OpenCommPort(), 0);
    EXPECT_EQ(ReadCommData(nullptr, &record), 0);
    EXPECT_EQ(+record.program, 20);
    EXPECT_EQ(sim::CardSimulator::instance().open_devices(), 0);  // closed after the read
}

TEST_F(CardChannel, AFullReadWithoutAZeroByteStaysInItsBuffer) {
    // 250 bytes wait on the channel; one read takes 200, none of them zero, the last
    // frame exactly at the end of the buffer and the rest of the stream beyond it.
    Bytes bytes(196, 0x02);
    const Bytes last = frames({{'O', 114}, {'V', 170}});
    bytes.insert(bytes.end(), last.begin(), last.end());
    bytes.resize(250, 0x02);
    unit_sends(bytes);
    ASSERT_EQ(OpenCommPort(), 0);
    AcquisitionRecord record{};
    ASSERT_EQ(ReadCommData(nullptr, &record), 0);
    EXPECT_EQ(+record.program, 33);
    EXPECT_EQ(+record.kv, 0.0f);  // its frame lay beyond the 200 bytes read
}

TEST_F(CardChannel, ReadWaitsForTheUnitOrForEscape) {
    ASSERT_EQ(OpenCommPort(), 0);
    std::thread unit([] {
        ::Sleep(300);
        const Bytes bytes = frames({{'O', 104}});
        sim::CardSimulator::instance().push_serial(bytes);
    });
    AcquisitionRecord record{};
    EXPECT_EQ(ReadCommData(nullptr, &record), 0);
    unit.join();
    EXPECT_EQ(+record.program, 23);

    // Escape ends the pending read of the card.
    ASSERT_EQ(OpenCommPort(), 0);
    testing::EscapeLater cancel(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadCommData(nullptr, &record), contract::kReadCancelled);
    EXPECT_TRUE(cancel.pressed());
    EXPECT_EQ(sim::CardSimulator::instance().open_devices(), 0);
}

}  // namespace
}  // namespace np
