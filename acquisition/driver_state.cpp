#include "acquisition/driver_state.h"

namespace np::acquisition {
namespace {

HINSTANCE g_instance = nullptr;

}  // namespace

DriverState& driver_state() {
    // Never destroyed: a host that unloads the driver without PANOCLOSE must not have
    // modules freed and devices closed from inside the loader's detach notification.
    static DriverState* const state = new DriverState;
    return *state;
}

HINSTANCE module_instance() {
    return g_instance;
}
void set_module_instance(HINSTANCE instance) {
    g_instance = instance;
}

}  // namespace np::acquisition
