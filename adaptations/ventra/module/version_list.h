// The version records pKXGetVersion hands out: Ventra, NPjbus and NPLang as
// installed in the Windows folder's "system" sub-folder.
#pragma once

#include "common/version_record.h"

namespace np::ventra {

// Null when a file, its version resource or its date cannot be read; the demonstration
// build's fixed list is never null (short of memory).
VersionRecord* build_version_list();

}  // namespace np::ventra
