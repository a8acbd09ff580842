// Ventra and Ventra_Demo are built from the same libraries; each module links exactly
// one definition of demonstration_build() (edition_ventra.cpp or edition_demo.cpp), so
// that the two differ only by that file, their export list and their version resource.
#pragma once

namespace np::ventra {

// True in the module delivered for demonstrations: two-key settings, fixed version
// records, no exposure watchdog, the demonstration texts and lamp, and the console's
// other demonstration habits.
bool demonstration_build();

}  // namespace np::ventra
