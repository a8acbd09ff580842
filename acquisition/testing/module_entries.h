// Test helper: an adaptation module loaded by name, its entry points bound by their
// plain names as the driver binds them.
#pragma once

#include <windows.h>

#include "common/adaptation_contract.h"
#include "common/version_record.h"
#include "common/win32_handles.h"

namespace np::testing {

struct ModuleEntries {
    explicit ModuleEntries(const char* name) : module(::LoadLibraryA(name)) {
        bind(open, "OpenCommPort");
        bind(read, "ReadCommData");
        bind(rearrange, "ReArrangement");
        bind(timing, "GetTiming");
        bind(combine, "nCanCombineATM");
        bind(resolution, "bResolution");
        bind(mirror, "bHaveToMirror");
        bind(post_process, "bPostProcess");
        bind(version, "pKXGetVersion");
    }

    template <typename Fn>
    void bind(Fn& entry, const char* name) {
        entry = module ? reinterpret_cast<Fn>(
                             reinterpret_cast<void*>(::GetProcAddress(module.get(), name)))
                       : nullptr;
    }

    UniqueModule module;
    contract::OpenCommPortFn open{};
    contract::ReadCommDataFn read{};
    contract::ReArrangementFn rearrange{};
    contract::GetTimingFn timing{};
    contract::NCanCombineAtmFn combine{};
    contract::BResolutionFn resolution{};
    contract::BHaveToMirrorFn mirror{};
    contract::BPostProcessFn post_process{};
    VersionRecord* (*version)() = nullptr;
};

}  // namespace np::testing
