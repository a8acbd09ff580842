// The language module's one export: the name of an imaging program in this language.
#include <windows.h>

#include "lang/common/prog_name.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The texts must come from this module, not from the process that loaded it.
HINSTANCE this_module() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

}  // namespace

extern "C" void __cdecl GetProgName(int program_code, char* name) noexcept {
    if (name == nullptr) return;
    name[0] = '\0';
    const auto text_id = np::prog_name_text_id(program_code);
    if (!text_id) return;
    if (::LoadStringA(this_module(), *text_id, name, np::kProgNameCapacity) <= 0) name[0] = '\0';
}
