#include "adaptations/ventra/module/edition.h"

namespace np::ventra {

bool demonstration_build() {
    return true;
}

}  // namespace np::ventra
