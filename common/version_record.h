// The version record an adaptation module's pKXGetVersion returns.
#pragma once

namespace np {

// Four 32-bit fields on the target: pointers to the module name, the version
// text and the date text, and a link to the next record (null when alone).
struct VersionRecord {
    char* name;
    char* version;
    char* date;
    VersionRecord* next;
};
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(VersionRecord) == 16, "four 32-bit fields");
#endif

// Allocates a record and a copy of each text, each a separate heap block of the
// calling module. Returns null (and holds nothing) when memory runs out.
VersionRecord* new_version_record(const char* name, const char* version, const char* date);

// Frees a record, its texts and every record linked after it.
void free_version_records(VersionRecord* first);

}  // namespace np
