#include "sim/card/scan_playback.h"

#include <algorithm>
#include <cmath>

#include "acquisition/transfer/transfer_layout.h"

namespace np::sim {
namespace {

// More lines than the raw image and the picture buffer hold.
constexpr int kOverflowLines = 4100;

phantom::ScanPlan plan_for(const FeedConfiguration& configuration, int mode) {
    phantom::ScanPlan plan;
    plan.mode = mode == 2 ? 2 : 1;
    plan.forward = configuration.forward;
    plan.widths = configuration.widths;
    plan.gaps = {};
    for (std::size_t k = 0; k < configuration.gaps.size() && k < plan.gaps.size(); ++k)
        plan.gaps[k] = configuration.gaps[k];
    plan.trailing_lines = configuration.trailing_lines;
    return plan;
}

}  // namespace

FeedFault parse_fault(const std::string& name) {
    if (name == "stall") return FeedFault::stall;
    if (name == "end-first") return FeedFault::end_first;
    if (name == "bad-control") return FeedFault::bad_control;
    if (name == "overflow") return FeedFault::overflow;
    return FeedFault::none;
}

ScanPlayback::ScanPlayback(const FeedConfiguration& configuration, int mode)
    : configuration_(configuration) {
    const phantom::ScanPlan plan = plan_for(configuration_, mode);
    scene_ = phantom::make_panoramic_scene(phantom::image_columns(plan), configuration_.seed);
    model_ = phantom::make_sensor_model(plan.mode == 2 ? 4096 : 1024, configuration_.seed);
    scan_ = std::make_unique<phantom::PhantomScan>(scene_, model_, plan);
    line_count_ = scan_->line_count();
    if (configuration_.fault == FeedFault::stall)
        line_count_ = std::clamp(configuration_.fault_line, 0, line_count_);
    if (configuration_.fault == FeedFault::overflow) line_count_ = kOverflowLines;
    for (int n = std::min(line_count_, scan_->line_count()) - 1; n >= 0; --n)
        if (scan_->scene_column(n) >= 0) {
            last_image_line_ = n;
            break;
        }
}

void ScanPlayback::write_line(int n, std::uint16_t* out) const {
    const int words = static_cast<int>(line_bytes() / 2);
    scan_->write_line(std::min(n, scan_->line_count() - 1), out);
    if (words != transfer::kCardLineWords12) return;
    std::uint16_t& control = out[words - 1];
    const bool corrupt =
        configuration_.fault == FeedFault::bad_control && n == configuration_.fault_line;
    if (corrupt || configuration_.fault == FeedFault::overflow)
        control = static_cast<std::uint16_t>((control & 0x3FF) |
                                             (corrupt ? 0 : transfer::kControlOrdinary << 10));
}

int ScanPlayback::lines_due(double elapsed_ms) const {
    if (configuration_.line_rate <= 0) return line_count_;
    const double due = std::floor(elapsed_ms * configuration_.line_rate / 1000.0);
    return static_cast<int>(std::clamp(due, 0.0, static_cast<double>(line_count_)));
}

bool ScanPlayback::ends_transfer() const {
    return configuration_.fault != FeedFault::stall;
}

}  // namespace np::sim
