// The Kv40 build: its table, its version record, and two entry points the driver
// does not find because they carry C++ type-decorated names only.
#include <cstdint>

#include "adaptations/serial/serial_module.h"
#include "common/version_record.h"

namespace np::serial {

const UnitModel& module_model() {
    return kv40_model();
}

}  // namespace np::serial

// Deliberately without C linkage: exported under their decorated names.
bool bHaveToMirror() {
    return false;
}
bool bPostProcess(std::uint8_t*, int, int) {
    return true;
}

extern "C" np::VersionRecord* pKXGetVersion() {
    return np::new_version_record("DLL Kv40Serial", "3.0.0.0", "15 March 2002");
}
