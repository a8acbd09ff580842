#include "acquisition/transfer/transfer_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/transfer/card_stream_test_util.h"
#include "acquisition/transfer/result_codes.h"

namespace np::transfer {
namespace {

using testing::CardStream;
using ::testing::HasSubstr;
using testing::RawImage;

// Each wait runs the next step (which may let the card write) and returns its outcome.
struct ScriptedPort : TransferPort {
    CardStream card;
    std::deque<std::function<WaitOutcome()>> steps;
    std::vector<std::optional<std::uint32_t>> timeouts;
    bool fill_index_fails = false;
    bool stop_fails = false;
    int stops = 0;
    std::string traces;

    WaitOutcome wait(std::optional<std::uint32_t> timeout_ms) override {
        timeouts.push_back(timeout_ms);
        if (steps.empty()) return WaitOutcome::timeout;
        auto step = steps.front();
        steps.pop_front();
        return step();
    }
    bool read_fill_index(std::uint32_t& index) override {
        index = card.fill_index();
        return !fill_index_fails;
    }
    bool stop() override {
        ++stops;
        return !stop_fails;
    }
    const std::uint16_t* picture() const override { return card.picture(); }
    void send_preview(const PreviewMessages&) override {}
    void trace(const char* text) override { traces += text; }

    void then(WaitOutcome outcome, int lines = 0) {
        steps.push_back([this, outcome, lines] {
            for (int i = 0; i < lines; ++i)
                card.add_line10(7);
            return outcome;
        });
    }
};

struct LoopFixture {
    ScriptedPort port;
    RawImage raw;

    int run(std::initializer_list<int> widths, std::array<int, kMaxSections> gaps = {},
            std::optional<std::uint32_t> timeout_ms = 5000) {
        LineCollector collector =
            testing::started_collector(1, testing::sections(widths), gaps, raw);
        const int result = run_transfer_loop(port, collector, nullptr, timeout_ms);
        image_lines = collector.image_lines();
        return result;
    }
    int image_lines = 0;
};

TEST(TransferLoop, TheFirstWaitHasNoLimitAndTheLastWindowLineEndsTheImage) {
    LoopFixture f;
    f.port.then(WaitOutcome::new_data, 60);
    f.port.then(WaitOutcome::new_data, 60);
    EXPECT_EQ(f.run({50, 40}, {5, 5}), kTransferComplete);  // windows 10..59, 70..109
    EXPECT_EQ(f.image_lines, 140);
    EXPECT_EQ(f.port.stops, 1);
    ASSERT_EQ(f.port.timeouts.size(), 2u);
    EXPECT_EQ(f.port.timeouts[0], std::nullopt);
    EXPECT_EQ(f.port.timeouts[1], 5000u);
}

TEST(TransferLoop, ANegativeTimingMeansNoTimeOut) {
    LoopFixture f;
    for (int batch = 0; batch < 4; ++batch)
        f.port.then(WaitOutcome::new_data, 40);
    EXPECT_EQ(f.run({150}, {}, event_timeout_ms(-50, 1)), kTransferComplete);
    EXPECT_EQ(f.image_lines, 150);
    EXPECT_EQ(f.port.timeouts, std::vector<std::optional<std::uint32_t>>(4, std::nullopt));
}

TEST(TransferLoop, TheEndEventAloneDoesNotEndAMultiSectionTransfer) {
    LoopFixture f;
    f.port.then(WaitOutcome::new_data, 30);
    f.port.then(WaitOutcome::end_of_transfer);
    f.port.then(WaitOutcome::new_data, 20);
    f.port.then(WaitOutcome::timeout);
    EXPECT_EQ(f.run({20, 20}, {0, 10}), kTransferComplete);  // ended by the time-out
    EXPECT_EQ(f.image_lines, 20 + 50 + 10);
    EXPECT_THAT(f.port.traces, HasSubstr("pas derniere zone -> on continu!\n"));
    EXPECT_THAT(f.port.traces, HasSubstr("timeout Evenements !\n"));
    EXPECT_EQ(f.port.stops, 1);
}

TEST(TransferLoop, TheEndsKeepWhatArrivedUnlessNothingCameBeforeTheEndEvent) {
    {
        LoopFixture f;
        f.port.then(WaitOutcome::end_of_transfer, 10);
        EXPECT_EQ(f.run({500}), kTransferEndedBeforeData);
        EXPECT_THAT(f.port.traces, HasSubstr("derniere zone -> arret lecture image!\n"));
    }
    for (WaitOutcome end : {WaitOutcome::end_of_transfer, WaitOutcome::external_end}) {
        LoopFixture f;
        f.port.then(WaitOutcome::new_data, 10);
        f.port.then(end, 10);
        EXPECT_EQ(f.run({500}), kTransferComplete);
        EXPECT_EQ(f.image_lines, 20);
        EXPECT_EQ(f.port.stops, 1);
    }
}

TEST(TransferLoop, EscapeAndWaitFailuresStopTheCard) {
    for (auto [outcome, expected] : {std::pair{WaitOutcome::escape, int(kTransferEscaped)},
                                     std::pair{WaitOutcome::failed, int(kTransferFailed)}}) {
        LoopFixture f;
        f.port.then(WaitOutcome::new_data, 10);
        f.port.then(outcome);
        EXPECT_EQ(f.run({500}), expected);
        EXPECT_EQ(f.port.stops, 1);
    }
}

TEST(TransferLoop, CardFailuresFailTheTransfer) {
    for (const bool index_fails : {true, false})
        for (const WaitOutcome second : {WaitOutcome::new_data, WaitOutcome::external_end}) {
            LoopFixture f;
            f.port.fill_index_fails = index_fails;
            f.port.stop_fails = !index_fails;
            f.port.then(WaitOutcome::new_data, 5);
            f.port.then(second, 20);
            EXPECT_EQ(f.run({10}), kTransferFailed);
            EXPECT_GE(f.port.stops, 1);
        }
}

// Code 5, and only code 5, comes with the warning beeps; so does an image of no line.
TEST(ResultCodes, TransferResultsAndTheLinesTheyWroteMapToHostCodes) {
    EXPECT_EQ(transfer_code(kTransferComplete, 2700), std::nullopt);
    EXPECT_EQ(transfer_code(kTransferComplete, 0), kTransferFailedCode);
    EXPECT_EQ(transfer_code(kTransferEndedBeforeData, 0), kTransferFailedCode);
    EXPECT_EQ(transfer_code(kTransferFailed, 100), kTransferFailedCode);
    EXPECT_EQ(transfer_code(kTransferEscaped, 100), kCancelled);
    EXPECT_EQ(transfer_code(kCardNotReady, 0), kCardNotReadyCode);
    for (int code = kNoMemory; code <= kCardNotReadyCode; ++code)
        EXPECT_EQ(warns_operator(code), code == kTransferFailedCode) << code;
    EXPECT_EQ(event_timeout_ms(500, 1), 5000u);
    EXPECT_EQ(event_timeout_ms(500, 2), 10000u);
    EXPECT_EQ(event_timeout_ms(0, 1), 0u);
}

}  // namespace
}  // namespace np::transfer
