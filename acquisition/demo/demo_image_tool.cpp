// Writes the phantom's panoramic scene as an 8-bit grey picture for the demonstration
// set, run on the build machine:
//   demo_image_tool COLUMNS OUT.tif OUT.pgm
// OUT.tif: uncompressed little-endian TIFF, one strip (the build compresses it with
// libtiff's tiffcp); OUT.pgm: the same pixels, the reference the tests compare with.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "sim/phantom/scene.h"

namespace {

void put(std::vector<unsigned char>& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

std::vector<unsigned char> grey_pixels(const np::phantom::Scene& scene) {
    std::vector<unsigned char> pixels(scene.values.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>(scene.values[i] * 255.0f + 0.5f);
    return pixels;
}

std::vector<unsigned char> tiff_file(unsigned width, unsigned height,
                                     const std::vector<unsigned char>& pixels) {
    std::vector<unsigned char> file = {'I', 'I', 42, 0};
    const unsigned directory = 8 + static_cast<unsigned>(pixels.size());
    put(file, directory, 4);
    file.insert(file.end(), pixels.begin(), pixels.end());
    // Tag, type (3 SHORT, 4 LONG), value; in ascending tag order.
    const unsigned entries[][3] = {
        {256, 4, width}, {257, 4, height}, {258, 3, 8},
        {259, 3, 1},     {262, 3, 1},      {273, 4, 8},
        {277, 3, 1},     {278, 4, height}, {279, 4, static_cast<unsigned>(pixels.size())},
        {284, 3, 1}};
    put(file, sizeof entries / sizeof entries[0], 2);
    for (const auto& e : entries) {
        put(file, e[0], 2);
        put(file, e[1], 2);
        put(file, 1, 4);
        put(file, e[2], 4);
    }
    put(file, 0, 4);
    return file;
}

bool write(const std::string& path, const std::string& header,
           const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << header;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: demo_image_tool COLUMNS OUT.tif OUT.pgm\n");
        return 2;
    }
    const int columns = std::atoi(argv[1]);
    if (columns <= 0 || columns > 4000) {
        std::fprintf(stderr, "demo_image_tool: COLUMNS is 1 to 4000\n");
        return 2;
    }
    const auto scene = np::phantom::make_panoramic_scene(columns);
    const auto pixels = grey_pixels(scene);
    const unsigned width = static_cast<unsigned>(scene.columns);
    const unsigned height = static_cast<unsigned>(scene.rows);
    const bool ok =
        write(argv[2], "", tiff_file(width, height, pixels)) &&
        write(argv[3], "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n",
              pixels);
    return ok ? 0 : 1;
}
