// Test helper: reserves every free stretch of address space of 1 MB or more, so that
// no large allocation can succeed while small ones still find room.
#pragma once

#include <windows.h>

#include <vector>

namespace np {

class AddressSpaceHog {
  public:
    AddressSpaceHog() {
        for (SIZE_T size = SIZE_T{1} << 30; size >= (SIZE_T{1} << 20); size /= 2) {
            while (void* block = ::VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                blocks_.push_back(block);
        }
    }
    AddressSpaceHog(const AddressSpaceHog&) = delete;
    AddressSpaceHog& operator=(const AddressSpaceHog&) = delete;
    ~AddressSpaceHog() {
        for (void* block : blocks_) ::VirtualFree(block, 0, MEM_RELEASE);
    }

  private:
    std::vector<void*> blocks_;
};

}  // namespace np
