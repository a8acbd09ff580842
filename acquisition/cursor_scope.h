// The cursor an acquisition shows: the hourglass from entry, the driver's transfer
// cursor while the image comes in, and the cursor of the caller back on every way out.
#pragma once

#include <windows.h>

#include "acquisition/driver_state.h"
#include "acquisition/resources/resource_ids.h"

namespace np::acquisition {

class CursorScope {
  public:
    CursorScope() : previous_(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CursorScope() { restore(); }
    void restore() const { ::SetCursor(previous_); }
    CursorScope(const CursorScope&) = delete;
    CursorScope& operator=(const CursorScope&) = delete;

    void show_hourglass() const { ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT)); }
    void show_transfer_cursor() const {
        if (HCURSOR cursor =
                ::LoadCursorA(module_instance(), MAKEINTRESOURCEA(IDC_TRANSFER_CURSOR)))
            ::SetCursor(cursor);
    }

  private:
    HCURSOR previous_;
};

}  // namespace np::acquisition
