// The model a build of the module serves: each DLL links exactly one definition.
#pragma once

#include "adaptations/serial/unit_model.h"

namespace np::serial {

const UnitModel& module_model();

}  // namespace np::serial
