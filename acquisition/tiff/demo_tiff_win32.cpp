#include "acquisition/tiff/demo_tiff_win32.h"

#include <windows.h>

#include "acquisition/tiff/demo_messages.h"
#include "common/win32_handles.h"

namespace np::tiff {
namespace {

class Win32FileSource : public ByteSource {
  public:
    Win32FileSource(UniqueFile file, uint64_t size) : ByteSource(size), file_(std::move(file)) {}

  private:
    bool read_raw(uint64_t offset, std::span<uint8_t> out) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) return false;
        size_t done = 0;
        while (done < out.size()) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 30));
            DWORD got = 0;
            if (!::ReadFile(file_.get(), out.data() + done, chunk, &got, nullptr) || got == 0) {
                return false;
            }
            done += got;
        }
        return true;
    }

    UniqueFile file_;
};

}  // namespace

bool Win32FileAccess::exists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::unique_ptr<ByteSource> Win32FileAccess::open(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return nullptr;
    return std::make_unique<Win32FileSource>(std::move(file), static_cast<uint64_t>(size.QuadPart));
}

bool load_demo_file(const std::string& path, std::span<uint8_t> dest, uint32_t& width) {
    DemoLoad result;
    try {
        Win32FileAccess files;
        result = load_demo_tiff(files, path, dest);
    } catch (const std::exception&) {
        result.message = status_message(TiffStatus::no_memory, path);
    }
    if (result.width != 0) width = result.width;
    if (!result.loaded) {
        ::MessageBoxA(nullptr, result.message.c_str(), kDemoErrorTitle, MB_OK);
    }
    return result.loaded;
}

}  // namespace np::tiff
