// The language module NPLang: Ventra's texts, menus and voice prompts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/win32_handles.h"

namespace np::ventra {

using UniqueMenu = UniqueResource<detail::NullIsInvalid<HMENU, ::DestroyMenu>>;

inline constexpr const char* kLanguageModuleFile = "NPLang.dll";
inline constexpr std::size_t kTextBuffer = 128;

class LanguageModule {
  public:
    // Loads the module by name alone, so the system's search order applies.
    bool bind();
    void release() { module_.reset(); }
    HMODULE handle() const { return module_.get(); }

    // At most 127 characters; empty for an id the module lacks.
    std::string text(std::uint16_t id) const;

    // The console's menus: the short one and the full one of technical access.
    UniqueMenu menu(std::uint16_t id) const;

  private:
    UniqueModule module_;
};

}  // namespace np::ventra
