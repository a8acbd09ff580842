#include "sim/card/line_feed.h"

#include <string>
#include <vector>

#include "common/settings_key.h"
#include "common/text_numbers.h"
#include "sim/card/card_sim_registry.h"

namespace np::sim {
namespace {

constexpr const char* kSimulatorPath = "NORVANE\\SIMULATOR\\CARD";
constexpr const char* kDriverPath = "NORVANE\\PANO";
// The feed wakes at least this often to write what is due and to notice a stop.
constexpr DWORD kTickMs = 5;
// With "end-first", how long the lines wait after the early end event.
constexpr DWORD kEndFirstDelayMs = 300;

std::vector<int> number_list(const std::string& text) {
    std::vector<int> values;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find(',', at), text.size());
        values.push_back(decimal_value(std::string_view(text).substr(at, end - at)));
        at = end + 1;
    }
    return values;
}

constexpr const char* kLastLineTime = "LastLineTime";

// when 0: forget the time of an earlier picture.
void publish_last_line_time(LONGLONG when) {
    UniqueKey key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kCardSimulatorKey, 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return;
    if (when == 0)
        ::RegDeleteValueA(key.get(), kLastLineTime);
    else
        ::RegSetValueExA(key.get(), kLastLineTime, 0, REG_QWORD,
                         reinterpret_cast<const BYTE*>(&when), sizeof when);
}

}  // namespace

FeedConfiguration read_feed_configuration() {
    FeedConfiguration configuration;
    const SettingsKey key(kSimulatorPath);
    if (auto feed = key.dword("Feed")) configuration.enabled = *feed != 0;
    if (auto rate = key.dword("LineRate")) configuration.line_rate = static_cast<int>(*rate);
    if (auto rotation = key.dword("Rotation"))
        configuration.forward = *rotation == 1;
    else
        configuration.forward = SettingsKey(kDriverPath).number("Rotation", 8, "1") == 1;
    if (auto widths = key.text("Widths", 256)) configuration.widths = number_list(*widths);
    if (auto gaps = key.text("Gaps", 256)) configuration.gaps = number_list(*gaps);
    if (auto trailing = key.dword("TrailingLines"))
        configuration.trailing_lines = static_cast<int>(*trailing);
    if (auto fault = key.text("Fault", 64)) configuration.fault = parse_fault(*fault);
    if (auto line = key.dword("FaultLine")) configuration.fault_line = static_cast<int>(*line);
    if (auto seed = key.dword("Seed")) configuration.seed = *seed;
    return configuration;
}

void install_line_feed(CardSimulator& card) {
    static FeedConfiguration installed;
    static std::shared_ptr<LineFeed> feed;
    const FeedConfiguration wanted = read_feed_configuration();
    if (!feed || !(wanted == installed)) {
        feed = std::make_shared<LineFeed>(wanted);
        installed = wanted;
    }
    card.set_feed(feed);
}

LineFeed::LineFeed(FeedConfiguration configuration)
    : configuration_(std::move(configuration)),
      stop_event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

LineFeed::~LineFeed() {
    stop();
}

const ScanPlayback& LineFeed::playback_for(int mode) {
    // The phantom takes a moment to render: keep it between pictures.
    if (!playback_ || playback_mode_ != mode) {
        playback_ = std::make_unique<ScanPlayback>(configuration_, mode);
        playback_mode_ = mode;
    }
    return *playback_;
}

void LineFeed::start(CardSimulator& card) {
    stop();
    if (!configuration_.enabled || !stop_event_) return;
    card_ = &card;
    mode_ = static_cast<int>(card.transfer_info().transfer_mode);
    stopping_ = false;
    ::ResetEvent(stop_event_.get());
    thread_.reset(::CreateThread(nullptr, 0, thread_main, this, 0, nullptr));
}

void LineFeed::stop() {
    if (!thread_) return;
    stopping_ = true;
    ::SetEvent(stop_event_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

DWORD WINAPI LineFeed::thread_main(LPVOID self) {
    static_cast<LineFeed*>(self)->play();
    return 0;
}

void LineFeed::play() {
    // Rendered here rather than in start(), which runs on the driver's thread.
    const ScanPlayback& playback = playback_for(mode_);
    if (configuration_.fault == FeedFault::end_first) {
        card_->signal_end_of_transfer();
        if (::WaitForSingleObject(stop_event_.get(), kEndFirstDelayMs) == WAIT_OBJECT_0) return;
    }
    publish_last_line_time(0);
    LARGE_INTEGER frequency, started, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&started);
    std::vector<std::uint16_t> line(playback.line_bytes() / 2);
    int written = 0;
    while (!stopping_) {
        ::QueryPerformanceCounter(&now);
        const double elapsed_ms = 1000.0 * static_cast<double>(now.QuadPart - started.QuadPart) /
                                  static_cast<double>(frequency.QuadPart);
        const int due = playback.lines_due(elapsed_ms);
        for (; written < due && !stopping_; ++written) {
            playback.write_line(written, line.data());
            card_->deliver(
                {reinterpret_cast<const std::uint8_t*>(line.data()), playback.line_bytes()});
            if (written == playback.last_image_line()) {
                ::QueryPerformanceCounter(&now);
                publish_last_line_time(now.QuadPart);
            }
        }
        if (written == playback.line_count()) break;
        if (::WaitForSingleObject(stop_event_.get(), kTickMs) == WAIT_OBJECT_0) return;
    }
    if (stopping_ || written != playback.line_count()) return;
    if (!playback.ends_transfer()) return;  // a stalled feed stays silent
    card_->signal_end_of_transfer();
}

}  // namespace np::sim
