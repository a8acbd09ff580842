#include "adaptations/serial/serial_module.h"

namespace np::serial {

const UnitModel& module_model() {
    return kv80_model();
}

}  // namespace np::serial
