#include "acquisition/driver_queries.h"

namespace np::acquisition {

int copy_record_for_host(const DriverState& state, AcquisitionRecord& out) {
    if (state.record.valid == 0) return 0;
    AcquisitionRecord copy = state.record;
    if (auto get_exposition_time = state.adaptation.entry().GetExpositionTime)
        get_exposition_time(&copy);
    record::rewrite_host_copy_sections(copy);
    out = copy;
    return 1;
}

int can_combine_atm(const DriverState& state, int first, int second) {
    const auto entry = state.adaptation.entry().nCanCombineATM;
    return entry ? entry(first, second) : 0;
}

int resolution(const DriverState& state, double* x, double* y) {
    const auto entry = state.adaptation.entry().bResolution;
    return entry ? entry(x, y) : 0;
}

}  // namespace np::acquisition
