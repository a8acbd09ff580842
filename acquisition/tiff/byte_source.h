// Random access to the bytes of a file. Every read is checked against the real size first,
// so an offset or count taken from the file can never reach outside it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace np::tiff {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    uint64_t size() const { return size_; }
    bool contains(uint64_t offset, uint64_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    // False when the range is outside the file or the read fails.
    bool read(uint64_t offset, std::span<uint8_t> out) {
        return contains(offset, out.size()) && (out.empty() || read_raw(offset, out));
    }

  protected:
    explicit ByteSource(uint64_t size) : size_(size) {}
    virtual bool read_raw(uint64_t offset, std::span<uint8_t> out) = 0;

  private:
    uint64_t size_;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const uint8_t> bytes)
        : ByteSource(bytes.size()), bytes_(bytes) {}

  private:
    bool read_raw(uint64_t offset, std::span<uint8_t> out) override;
    std::span<const uint8_t> bytes_;
};

// A file read through the C library (native tools, tests and benchmarks).
class StdioSource : public ByteSource {
  public:
    static std::unique_ptr<StdioSource> open(const std::string& path);

  private:
    StdioSource(std::FILE* file, uint64_t size) : ByteSource(size), file_(file) {}
    bool read_raw(uint64_t offset, std::span<uint8_t> out) override;
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace np::tiff
