// Test helper: a drive letter of the Wine prefix mapped to a folder, as a CD-ROM or a
// floppy drive, through Wine's mount manager (as winecfg does it: the dosdevices link
// and the drive type, seen at once by the running session). Removed again on
// destruction.
#pragma once

#include <string>

namespace np::testing {

class WineDrive {
  public:
    enum class Type { floppy, cdrom };
    // folder: a Windows path of an existing folder.
    WineDrive(char letter, const std::string& folder, Type type);
    WineDrive(const WineDrive&) = delete;
    WineDrive& operator=(const WineDrive&) = delete;
    ~WineDrive();

    bool mapped() const { return mapped_; }

  private:
    char letter_;
    bool mapped_ = false;
};

}  // namespace np::testing
