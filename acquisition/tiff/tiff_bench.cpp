// Decoding a 4000 x 1244 8-bit image: our reader against libtiff (LZW with predictor,
// uncompressed) and our JPEG decoder against libjpeg-turbo (run with JSIMD_FORCENONE=1 so
// that both are plain C code).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>

#include "acquisition/jpeg/jpeg_decoder.h"
#include "tools/tool_images/tool_images.h"
#include "acquisition/tiff/demo_tiff.h"

namespace {

using np::testing::run;

struct Files {
    np::testing::TempDir dir;
    std::string lzw = dir.path("lzw.tif");
    std::string none = dir.path("none.tif");
    std::vector<uint8_t> jpeg;
    Files() {
        std::string grey = dir.path("grey.pgm");
        run("convert -size 4000x1244 -seed 8 plasma:fractal -blur 0x2 -type Grayscale -depth 8 " +
            grey);
        run("convert " + grey + " -compress none " + none);
        run("tiffcp -c lzw:2 " + none + " " + lzw);
        run("cjpeg -grayscale -quality 90 " + grey + " > " + dir.path("x.jpg"));
        jpeg = np::testing::read_file(dir.path("x.jpg"));
    }
};

Files& files() {
    static Files f;
    return f;
}

void ours_tiff(benchmark::State& state, const std::string& path) {
    std::vector<uint8_t> dest(np::tiff::kDemoBufferSize);
    np::tiff::StdioAccess access;
    for (auto _ : state) {
        np::tiff::DemoLoad load = np::tiff::load_demo_tiff(access, path, dest);
        if (!load.loaded) state.SkipWithError(load.message.c_str());
        benchmark::DoNotOptimize(dest.data());
    }
}

void libtiff(benchmark::State& state, const std::string& path) {
    std::vector<uint8_t> image(4000 * 1244);
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        tstrip_t strips = TIFFNumberOfStrips(tif);
        tmsize_t at = 0;
        for (tstrip_t s = 0; s < strips; ++s) {
            at += TIFFReadEncodedStrip(tif, s, image.data() + at,
                                       static_cast<tmsize_t>(image.size()) - at);
        }
        TIFFClose(tif);
        benchmark::DoNotOptimize(image.data());
    }
}

void BM_OursLzwPredictor(benchmark::State& state) {
    ours_tiff(state, files().lzw);
}
void BM_LibtiffLzwPredictor(benchmark::State& state) {
    libtiff(state, files().lzw);
}
void BM_OursUncompressed(benchmark::State& state) {
    ours_tiff(state, files().none);
}
void BM_LibtiffUncompressed(benchmark::State& state) {
    libtiff(state, files().none);
}

class Discard : public np::jpeg::GreySink {
  public:
    bool accept_frame(const np::jpeg::Frame&) override { return true; }
    void row(uint32_t, std::span<const uint8_t> grey) override {
        benchmark::DoNotOptimize(grey.data());
    }
};

void BM_OursJpeg(benchmark::State& state) {
    const auto& jpeg = files().jpeg;
    for (auto _ : state) {
        Discard sink;
        if (np::jpeg::decode_grey(jpeg, sink) != np::jpeg::Status::ok)
            state.SkipWithError("decode");
    }
}

void BM_LibjpegTurbo(benchmark::State& state) {
    const auto& jpeg = files().jpeg;
    std::vector<uint8_t> row(4000);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr error;
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
            benchmark::DoNotOptimize(row.data());
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
    }
}

BENCHMARK(BM_OursLzwPredictor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffLzwPredictor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursUncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffUncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegTurbo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // libjpeg-turbo reads this once, at its first decode.
    setenv("JSIMD_FORCENONE", "1", 0);
    TIFFSetWarningHandler(nullptr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
