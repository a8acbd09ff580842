// The simulated card's scan: a thread that writes the phantom's lines into the
// picture buffer at the configured line rate, moving the fill index, and signals the
// end-of-transfer event as the card does when the picture is complete.
//
// Configured below HKEY_CURRENT_USER "Software\NORVANE\SIMULATOR\CARD", read each time
// the device is opened (all optional):
//   "Feed"          REG_DWORD  0: no scan at all (the card stays silent)
//   "LineRate"      REG_DWORD  lines per second (default 250; 0: at once)
//   "Rotation"      REG_DWORD  1 forward, other reverse (default: the driver's
//                              "NORVANE\PANO" "Rotation" text, else 1)
//   "Widths"        REG_SZ     section widths, e.g. "500,500,500,500,500"
//   "Gaps"          REG_SZ     line pairs before each section (10-bit), e.g. "10"
//   "TrailingLines" REG_DWORD  10-bit lines after the last section (default 10)
//   "Fault"         REG_SZ     "stall", "end-first", "bad-control" or "overflow"
//   "FaultLine"     REG_DWORD  where the fault strikes (default 100)
//   "Seed"          REG_DWORD  phantom seed (default 1)
// After the last line the feed stores its time (QueryPerformanceCounter) as the
// REG_QWORD "LastLineTime" there, for hosts that measure their latency.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "common/win32_handles.h"
#include "sim/card/card_simulator.h"
#include "sim/card/scan_playback.h"

namespace np::sim {

FeedConfiguration read_feed_configuration();

// Gives the card the feed its configuration asks for; an unchanged configuration keeps
// the feed (and its rendered phantom) of the previous opening.
void install_line_feed(CardSimulator& card);

class LineFeed final : public PictureFeed {
  public:
    explicit LineFeed(FeedConfiguration configuration);
    ~LineFeed() override;

    void start(CardSimulator& card) override;
    void stop() override;

  private:
    static DWORD WINAPI thread_main(LPVOID self);
    void play();
    const ScanPlayback& playback_for(int mode);

    FeedConfiguration configuration_;
    std::unique_ptr<ScanPlayback> playback_;
    int playback_mode_ = 0;
    int mode_ = 1;
    CardSimulator* card_ = nullptr;
    UniqueHandle thread_;
    UniqueHandle stop_event_;
    std::atomic<bool> stopping_{false};
};

}  // namespace np::sim
