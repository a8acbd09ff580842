#include "acquisition/driver_state.h"

namespace np::acquisition {
namespace {

HINSTANCE g_instance = nullptr;

}  // namespace

DriverState& driver_state() {
    static DriverState state;
    return state;
}

HINSTANCE module_instance() {
    return g_instance;
}
void set_module_instance(HINSTANCE instance) {
    g_instance = instance;
}

}  // namespace np::acquisition
