// Image building on a full-length image: the whole build, the display table alone,
// Generic's column balance, and a plain copy of the raw buffer as the yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "acquisition/image/bitmap_layout.h"
#include "acquisition/image/image_build.h"
#include "adaptations/generic/column_balance.h"

namespace np::image {
namespace {

constexpr int kLines = 4000;
constexpr std::size_t kRawSamples = static_cast<std::size_t>(kLines) * kSamplesPerLine;

FlatFieldMask bench_mask() {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> gains(0.8f, 1.2f);
    FlatFieldMask mask{};
    mask.dark_offset[0] = 40;
    mask.dark_offset[1] = 55;
    for (float& g : mask.gain)
        g = gains(random);
    for (int s : {10, 11, 400, 401, 402, 403, 404, 900})
        mask.gain[s] = 0.0f;
    return mask;
}

std::vector<std::uint16_t> bench_scene() {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(-60, 60);
    std::vector<std::uint16_t> raw(kRawSamples);
    for (int l = 0; l < kLines; ++l)
        for (int s = 0; s < kSamplesPerLine; ++s) {
            const int base = 1200 + (s * 2 + l / 3) % 2400;
            raw[static_cast<std::size_t>(l) * kSamplesPerLine + s] =
                static_cast<std::uint16_t>(base + noise(random));
        }
    return raw;
}

// One section over the whole image (the display table reads 3980 lines), or five
// sections of 760 lines with their gaps (it reads 740).
AcquisitionRecord bench_record(int sections) {
    AcquisitionRecord record{};
    record.program = 7;
    record.section_count = static_cast<std::int16_t>(sections);
    const int width = (kLines - (sections - 1) * kSectionGap) / sections;
    for (int k = 0; k < sections; ++k)
        record.sections[k] = {static_cast<std::int16_t>(k * (width + kSectionGap)),
                              static_cast<std::int16_t>(width)};
    return record;
}

void BM_PlainCopyOfRawBuffer(benchmark::State& state) {
    const std::vector<std::uint16_t> scene = bench_scene();
    std::vector<std::uint16_t> raw(kRawSamples);
    for (auto _ : state) {
        std::memcpy(raw.data(), scene.data(), kRawSamples * sizeof(std::uint16_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kRawSamples * sizeof(std::uint16_t));
}
BENCHMARK(BM_PlainCopyOfRawBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

// The copy of the scene is part of every iteration (the build works in place), so
// the copy benchmark above is also what to subtract.
void BM_WholeBuild12BitCurve(benchmark::State& state) {
    const std::vector<std::uint16_t> scene = bench_scene();
    const FlatFieldMask mask = bench_mask();
    const AcquisitionRecord record = bench_record(static_cast<int>(state.range(0)));
    ImageSettings settings;
    settings.post_process = 0x1F;
    settings.image_type = kCurveImage;
    settings.lines_out_of_histogram = 20;
    settings.mode = TransferMode::bits12;
    std::vector<std::uint16_t> raw(kRawSamples);
    std::vector<std::uint8_t> bitmap(bitmap_block_size(kLines, kSamplesPerLine), 0);
    DisplayTable table{};
    for (auto _ : state) {
        std::memcpy(raw.data(), scene.data(), kRawSamples * sizeof(std::uint16_t));
        build_image({raw.data(), kLines}, record, mask, settings,
                    bitmap_rows(bitmap.data(), kLines), table);
        benchmark::DoNotOptimize(bitmap.data());
    }
}
BENCHMARK(BM_WholeBuild12BitCurve)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DisplayTable(benchmark::State& state) {
    const std::vector<std::uint16_t> scene = bench_scene();
    const FlatFieldMask mask = bench_mask();
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        DisplayTable table = compute_display_table(scene.data(), lines, mask,
                                                   {7, kCurveImage, TransferMode::bits12, false});
        benchmark::DoNotOptimize(table.data());
    }
}
BENCHMARK(BM_DisplayTable)
    ->Arg(480)
    ->Arg(kLines - 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_GenericColumnBalance(benchmark::State& state) {
    const int stride = row_stride(kLines);
    std::vector<std::uint8_t> image(static_cast<std::size_t>(stride) * kSamplesPerLine);
    std::mt19937 random(5);
    for (auto& p : image)
        p = static_cast<std::uint8_t>(60 + random() % 140);
    std::vector<std::uint8_t> work(image.size());
    for (auto _ : state) {
        std::memcpy(work.data(), image.data(), image.size());
        benchmark::DoNotOptimize(generic::balance_columns(work.data(), kLines, kSamplesPerLine));
    }
}
BENCHMARK(BM_GenericColumnBalance)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace np::image

BENCHMARK_MAIN();
