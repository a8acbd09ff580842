#include "common/version_record.h"

#include <cstdlib>
#include <cstring>

namespace np {
namespace {

char* copy_text(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, text, size);
    return copy;
}

void free_one(VersionRecord* record) {
    std::free(record->name);
    std::free(record->version);
    std::free(record->date);
    std::free(record);
}

}  // namespace

VersionRecord* new_version_record(const char* name, const char* version, const char* date) {
    auto* record = static_cast<VersionRecord*>(std::malloc(sizeof(VersionRecord)));
    if (!record) return nullptr;
    record->name = copy_text(name);
    record->version = copy_text(version);
    record->date = copy_text(date);
    record->next = nullptr;
    if (!record->name || !record->version || !record->date) {
        free_one(record);
        return nullptr;
    }
    return record;
}

void free_version_records(VersionRecord* first) {
    while (first) {
        VersionRecord* next = first->next;
        free_one(first);
        first = next;
    }
}

}  // namespace np
