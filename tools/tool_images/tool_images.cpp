#include "tools/tool_images/tool_images.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace np::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "np_tiff_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("command failed: " + command);
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

GreyImage read_pgm(const std::string& path) {
    std::vector<uint8_t> bytes = read_file(path);
    std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64));
    GreyImage image;
    unsigned w = 0, h = 0, max = 0;
    int used = 0;
    if (std::sscanf(head.c_str(), "P5 %u %u %u%n", &w, &h, &max, &used) != 3 || max != 255) {
        throw std::runtime_error("not an 8-bit PGM: " + path);
    }
    size_t start = static_cast<size_t>(used) + 1;
    image.width = w;
    image.height = h;
    if (bytes.size() < start + size_t{w} * h) throw std::runtime_error("short PGM: " + path);
    image.pixels.assign(bytes.begin() + start, bytes.begin() + start + size_t{w} * h);
    return image;
}

std::vector<uint8_t> imagemagick_pixels(const std::string& path, const std::string& samples) {
    const std::string raw = path + "." + samples;
    run("convert '" + path + "' -depth 8 " + samples + ":'" + raw + "'");
    return read_file(raw);
}

TiffRows libtiff_rows(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr) throw std::runtime_error("libtiff cannot open " + path);
    TiffRows rows;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &rows.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &rows.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &rows.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &rows.bits);
    tmsize_t line = TIFFScanlineSize(tif);
    rows.bytes.resize(static_cast<size_t>(line) * rows.height);
    for (uint32_t y = 0; y < rows.height; ++y) {
        if (TIFFReadScanline(tif, rows.bytes.data() + static_cast<size_t>(line) * y, y, 0) < 0) {
            TIFFClose(tif);
            throw std::runtime_error("libtiff cannot decode " + path);
        }
    }
    TIFFClose(tif);
    return rows;
}

void TiffBuilder::add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    items_.push_back({tag, type, count, value});
}

uint32_t TiffBuilder::block(const std::vector<uint8_t>& data) {
    if (data_.size() % 2) data_.push_back(0);
    uint32_t offset = static_cast<uint32_t>(data_.size());
    data_.insert(data_.end(), data.begin(), data.end());
    return offset;
}

std::vector<uint8_t> TiffBuilder::build() const {
    if (items_.size() > reserved_ && reserved_ != 0) throw std::logic_error("directory too large");
    std::vector<uint8_t> out = data_;
    if (out.size() % 2) out.push_back(0);
    uint32_t directory = reserved_ != 0 ? 8 : static_cast<uint32_t>(out.size());
    size_t at = directory;
    if (reserved_ == 0) out.resize(out.size() + 2 + 12 * items_.size() + 4);
    auto put16 = [&](uint16_t v) {
        out[at++] = static_cast<uint8_t>(v);
        out[at++] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](uint32_t v) {
        put16(static_cast<uint16_t>(v));
        put16(static_cast<uint16_t>(v >> 16));
    };
    out[0] = 'I';
    out[1] = 'I';
    out[2] = 42;
    out[3] = 0;
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(directory >> (8 * i));
    std::vector<Item> items = items_;
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.tag < b.tag; });
    put16(static_cast<uint16_t>(items.size()));
    for (const Item& item : items) {
        put16(item.tag);
        put16(item.type);
        put32(item.count);
        put32(item.value);
    }
    put32(0);
    return out;
}

std::vector<uint8_t> le32_array(const std::vector<uint32_t>& values) {
    std::vector<uint8_t> out;
    for (uint32_t v : values) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    return out;
}

std::vector<uint8_t> wrap_jpeg_in_tiff(const std::vector<uint8_t>& jpeg, uint32_t width,
                                       uint32_t height, bool colour) {
    TiffBuilder b(12);
    uint32_t stream = b.block(jpeg);
    b.add(256, 4, 1, width);
    b.add(257, 4, 1, height);
    if (colour) {
        b.add_block(258, 3, 3, {8, 0, 8, 0, 8, 0});
    } else {
        b.add(258, 3, 1, 8);
    }
    b.add(259, 3, 1, 6);
    b.add(262, 3, 1, colour ? 6 : 1);
    b.add(273, 4, 1, stream);  // the stream doubles as the single strip
    b.add(277, 3, 1, colour ? 3 : 1);
    b.add(278, 4, 1, height);
    b.add(279, 4, 1, static_cast<uint32_t>(jpeg.size()));
    b.add(512, 3, 1, 1);
    b.add(513, 4, 1, stream);
    b.add(514, 4, 1, static_cast<uint32_t>(jpeg.size()));
    return b.build();
}

}  // namespace np::testing
