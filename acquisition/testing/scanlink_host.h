// Hosts of Scanlink_sim find their helpers (the mask file, the installs, the bench) in
// host_bench.h.
#pragma once

#include "acquisition/testing/host_bench.h"
