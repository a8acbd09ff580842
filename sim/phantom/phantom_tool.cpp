// Writes the phantom's mask file, its card line stream and a picture of the scene.
// DIR/PANO.MSK, DIR/scan.raw (card lines back to back), DIR/scene.pgm.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "sim/phantom/phantom_scan.h"

namespace {

constexpr const char* kUsage =
    "usage: phantom_tool [--out DIR] [--mode 10|12] [--rotation 1|0] [--seed N]\n"
    "Writes DIR/PANO.MSK, DIR/scan.raw (card lines back to back) and DIR/scene.pgm;\n"
    "DIR (default: the current folder) is created when missing.\n";

struct Options {
    std::string out_dir = ".";
    int mode_bits = 10;
    int rotation = 1;
    unsigned seed = 1;
};

// A whole decimal number, nothing else.
std::optional<unsigned long> whole_number(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (errno == ERANGE) return std::nullopt;
    return value;
}

int usage_error(const std::string& why) {
    std::fprintf(stderr, "phantom_tool: %s\n%s", why.c_str(), kUsage);
    return 2;
}

// 0 when the options were read, otherwise the exit status (usage already printed).
int parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key == "--help" || key == "-h") {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (key != "--out" && key != "--mode" && key != "--rotation" && key != "--seed")
            return usage_error("unknown option " + key);
        if (i + 1 >= argc) return usage_error(key + " needs a value");
        const std::string value = argv[++i];
        const auto number = whole_number(value);
        if (key == "--out") {
            options.out_dir = value;
        } else if (key == "--mode") {
            if (!number || (*number != 10 && *number != 12))
                return usage_error("--mode is 10 or 12, not " + value);
            options.mode_bits = static_cast<int>(*number);
        } else if (key == "--rotation") {
            if (!number || *number > 1) return usage_error("--rotation is 1 or 0, not " + value);
            options.rotation = static_cast<int>(*number);
        } else {
            if (!number || *number > 0xFFFFFFFFul)
                return usage_error("--seed is a whole number, not " + value);
            options.seed = static_cast<unsigned>(*number);
        }
    }
    return 0;
}

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

bool report_unwritten(const std::string& path) {
    std::fprintf(stderr, "phantom_tool: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = parse_options(argc, argv, options); status != 0)
        return status < 0 ? 0 : status;

    std::error_code error;
    std::filesystem::create_directories(options.out_dir, error);
    if (error) {
        std::fprintf(stderr, "phantom_tool: cannot create the folder %s: %s\n",
                     options.out_dir.c_str(), error.message().c_str());
        return 1;
    }

    np::phantom::ScanPlan plan;
    plan.mode = options.mode_bits == 12 ? 2 : 1;
    plan.forward = options.rotation == 1;
    const auto scene =
        np::phantom::make_panoramic_scene(np::phantom::image_columns(plan), options.seed);
    const auto model = np::phantom::make_sensor_model(plan.mode == 2 ? 4096 : 1024, options.seed);
    const auto mask = np::phantom::mask_file_bytes(model);
    const np::phantom::PhantomScan scan(scene, model, plan);
    std::vector<std::uint16_t> lines(std::size_t(scan.line_count()) * scan.line_words());
    for (int n = 0; n < scan.line_count(); ++n)
        scan.write_line(n, lines.data() + std::size_t(n) * scan.line_words());

    const std::string mask_path = options.out_dir + "/" + np::phantom::kMaskFileName;
    const std::string scan_path = options.out_dir + "/scan.raw";
    const std::string scene_path = options.out_dir + "/scene.pgm";
    const bool ok = (write_file(mask_path, mask.data(), mask.size()) ||
                     report_unwritten(mask_path)) &&
                    (write_file(scan_path, lines.data(), lines.size() * 2) ||
                     report_unwritten(scan_path)) &&
                    (write_pgm(scene_path, scene) || report_unwritten(scene_path));
    if (!ok) return 1;
    std::printf("mask=%s scan=%s lines=%d line_bytes=%zu columns=%d\n", mask_path.c_str(),
                scan_path.c_str(), scan.line_count(), scan.line_bytes(), scene.columns);
    return 0;
}
