#include "adaptations/ventra/texts/language_module.h"

namespace np::ventra {

bool LanguageModule::bind() {
    module_.reset(::LoadLibraryA(kLanguageModuleFile));
    return static_cast<bool>(module_);
}

std::string LanguageModule::text(std::uint16_t id) const {
    char buffer[kTextBuffer] = {};
    if (!module_ || ::LoadStringA(module_.get(), id, buffer, sizeof buffer) <= 0) return {};
    return buffer;
}

UniqueMenu LanguageModule::menu(std::uint16_t id) const {
    if (!module_) return {};
    return UniqueMenu(::LoadMenuA(module_.get(), MAKEINTRESOURCEA(id)));
}

}  // namespace np::ventra
