#include "adaptations/ventra/screens/maintenance_screens.h"

namespace np::ventra {

// The maintenance screens are being built beside the console; until they land the
// menu commands they serve open nothing.
bool open_maintenance_screen(ConsoleAccess&, VentraModule&, int) {
    return false;
}

}  // namespace np::ventra
