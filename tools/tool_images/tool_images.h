// Test images made by outside tools (libtiff's, ImageMagick, libjpeg-turbo's) and read back
// through libtiff, so the reader is checked against files and decoders that are not ours.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace np::testing {

// A scratch directory removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

// Runs a shell command; throws with its text when it fails.
void run(const std::string& command);

std::vector<uint8_t> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);

struct GreyImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // top row first
};

// A binary PGM (P5, maxval 255), as djpeg writes it.
GreyImage read_pgm(const std::string& path);

struct TiffRows {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 0;
    uint16_t bits = 0;
    std::vector<uint8_t> bytes;  // every scanline as libtiff decodes it, top first
};

// An image file's pixels as ImageMagick decodes them, 8 bits per sample, top row first:
// `samples` "gray" or "rgb".
std::vector<uint8_t> imagemagick_pixels(const std::string& path, const std::string& samples);

// The first image of the file as libtiff decodes it.
TiffRows libtiff_rows(const std::string& path);

// Builds a little-endian TIFF for layouts the tools do not write: one directory, either
// after the data blocks or, when entries are reserved, right after the header.
class TiffBuilder {
  public:
    explicit TiffBuilder(uint16_t reserved_entries = 0)
        : reserved_(reserved_entries),
          data_(reserved_entries ? 8 + 2 + 12u * reserved_entries + 4 : 8) {}
    void add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
    // Stores a block and returns its offset in the file.
    uint32_t block(const std::vector<uint8_t>& data);
    void add_block(uint16_t tag, uint16_t type, uint32_t count, const std::vector<uint8_t>& data) {
        add(tag, type, count, block(data));
    }
    std::vector<uint8_t> build() const;

  private:
    struct Item {
        uint16_t tag, type;
        uint32_t count, value;
    };
    uint16_t reserved_;
    std::vector<Item> items_;
    std::vector<uint8_t> data_;
};

std::vector<uint8_t> le32_array(const std::vector<uint32_t>& values);

// A grey baseline JPEG or a YCbCr one wrapped as a compression-6 TIFF.
std::vector<uint8_t> wrap_jpeg_in_tiff(const std::vector<uint8_t>& jpeg, uint32_t width,
                                       uint32_t height, bool colour);

}  // namespace np::testing
