#include "acquisition/tiff/byte_source.h"

#include <cstring>

namespace np::tiff {

bool MemorySource::read_raw(uint64_t offset, std::span<uint8_t> out) {
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return true;
}

std::unique_ptr<StdioSource> StdioSource::open(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return nullptr;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (size < 0) {
        std::fclose(f);
        return nullptr;
    }
    return std::unique_ptr<StdioSource>(new StdioSource(f, static_cast<uint64_t>(size)));
}

bool StdioSource::read_raw(uint64_t offset, std::span<uint8_t> out) {
    if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0) return false;
    return std::fread(out.data(), 1, out.size(), file_.get()) == out.size();
}

}  // namespace np::tiff
