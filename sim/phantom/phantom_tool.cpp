// Writes the phantom's mask file, its card line stream and a picture of the scene:
//   phantom_tool --out DIR [--mode 10|12] [--rotation 1|0] [--seed N]
// DIR/PANO.MSK, DIR/scan.raw (card lines back to back), DIR/scene.pgm.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sim/phantom/phantom_scan.h"

namespace {

bool write_file(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool write_pgm(const std::string& path, const np::phantom::Scene& scene) {
    std::string header =
        "P5\n" + std::to_string(scene.columns) + " " + std::to_string(scene.rows) + "\n255\n";
    std::vector<unsigned char> pixels(scene.values.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(scene.values[i] * 255.0f + 0.5f);
    std::ofstream out(path, std::ios::binary);
    out << header;
    out.write(reinterpret_cast<const char*>(pixels.data()),
              static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string out_dir = ".";
    int mode_bits = 10, rotation = 1;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--out")
            out_dir = value;
        else if (key == "--mode")
            mode_bits = std::atoi(value.c_str());
        else if (key == "--rotation")
            rotation = std::atoi(value.c_str());
        else if (key == "--seed")
            seed = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }
    np::phantom::ScanPlan plan;
    plan.mode = mode_bits == 12 ? 2 : 1;
    plan.forward = rotation == 1;
    const auto scene = np::phantom::make_panoramic_scene(np::phantom::image_columns(plan), seed);
    const auto model = np::phantom::make_sensor_model(plan.mode == 2 ? 4096 : 1024, seed);
    const auto mask = np::phantom::mask_file_bytes(model);
    const np::phantom::PhantomScan scan(scene, model, plan);
    std::vector<std::uint16_t> lines(std::size_t(scan.line_count()) * scan.line_words());
    for (int n = 0; n < scan.line_count(); ++n)
        scan.write_line(n, lines.data() + std::size_t(n) * scan.line_words());
    const bool ok =
        write_file(out_dir + "/" + np::phantom::kMaskFileName, mask.data(), mask.size()) &&
        write_file(out_dir + "/scan.raw", lines.data(), lines.size() * 2) &&
        write_pgm(out_dir + "/scene.pgm", scene);
    std::printf("mask=%s/PANO.MSK scan=%s/scan.raw lines=%d line_bytes=%zu columns=%d\n",
                out_dir.c_str(), out_dir.c_str(), scan.line_count(), scan.line_bytes(),
                scene.columns);
    return ok ? 0 : 1;
}
