// Which logo the images of a host carry: the host code given to PANOOPEN selects the
// OEM logo (bitmap 112) when it is kOemLogoHostCode; every other code gets the
// default logo (bitmap 107).
#pragma once

#include "acquisition/resources/resource_ids.h"

namespace np::acquisition {

inline constexpr short kOemLogoHostCode = 2;

constexpr int logo_bitmap_id(short host_code) {
    return host_code == kOemLogoHostCode ? IDB_OEM_LOGO : IDB_DEFAULT_LOGO;
}

}  // namespace np::acquisition
