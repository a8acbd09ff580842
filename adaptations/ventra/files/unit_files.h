// Ventra's files on disk and on the unit: the event log, the configuration report,
// the restore file and its restores, the version report.
#pragma once

#include <string>

#include "adaptations/ventra/files/restore_file.h"
#include "adaptations/ventra/link/machine_link.h"
#include "adaptations/ventra/texts/language_module.h"

namespace np::ventra {

void log_error(int code);
void log_technical_access();
void log_counters(const MachineLink& link);

void write_configuration_report(const MachineLink& link, const LanguageModule& language);

bool save_restore_file(const MachineLink& link);
// Shows "Restore successful" or "Restore failed".
void restore_all(const MachineLink& link, const LanguageModule& language);
// True when the group is back on the unit and acknowledged: the error dialog closes.
bool restore_group(const MachineLink& link, RestoreGroup group);

struct VersionTexts {
    std::string software, firmware;
};
VersionTexts version_report(const MachineLink& link, const LanguageModule& language);

// The title of the module's message boxes: its own file name, as installed.
std::string message_title();
void show_message(const std::string& text, UINT icon = MB_ICONEXCLAMATION);

}  // namespace np::ventra
