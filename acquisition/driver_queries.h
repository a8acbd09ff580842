// The exports that report on the open driver or pass through to the adaptation.
#pragma once

#include "acquisition/driver_state.h"

namespace np::acquisition {

inline constexpr const char kDriverVersion[] = "2.0A";
static_assert(sizeof kDriverVersion == 5);

// 1 with the host's copy of the record, 0 while the record holds no data.
int copy_record_for_host(const DriverState& state, AcquisitionRecord& out);

int can_combine_atm(const DriverState& state, int first, int second);
int resolution(const DriverState& state, double* x, double* y);

}  // namespace np::acquisition
