#include "acquisition/adaptation/adaptation_module.h"

namespace np::adaptation {
namespace {

template <typename Fn>
void look_up(HMODULE module, const char* name, Fn& entry) {
    entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

EntryPoints look_up_all(HMODULE module) {
    EntryPoints e;
    look_up(module, "OpenCommPort", e.OpenCommPort);
    look_up(module, "ReadCommData", e.ReadCommData);
    look_up(module, "ReArrangement", e.ReArrangement);
    look_up(module, "GetTiming", e.GetTiming);
    look_up(module, "nCanCombineATM", e.nCanCombineATM);
    look_up(module, "bResolution", e.bResolution);
    look_up(module, "bPostProcess", e.bPostProcess);
    look_up(module, "bHaveToMirror", e.bHaveToMirror);
    look_up(module, "StartDesignDialog", e.StartDesignDialog);
    look_up(module, "GetInfosTir", e.GetInfosTir);
    look_up(module, "TraitementATM4Images", e.TraitementATM4Images);
    look_up(module, "GetExpositionTime", e.GetExpositionTime);
    return e;
}

bool complete(const EntryPoints& e) {
    return e.OpenCommPort && e.ReadCommData && e.ReArrangement && e.GetTiming;
}

}  // namespace

bool AdaptationModule::bind() {
    release();
    UniqueModule module(::LoadLibraryA(contract::kModuleName));
    if (!module) return false;
    const EntryPoints entry = look_up_all(module.get());
    if (!complete(entry)) return false;
    module_ = std::move(module);
    entry_ = entry;
    return true;
}

void AdaptationModule::bind_available() {
    release();
    module_.reset(::LoadLibraryA(contract::kModuleName));
    if (module_) entry_ = look_up_all(module_.get());
}

void AdaptationModule::release() {
    entry_ = {};
    module_.reset();
}

}  // namespace np::adaptation
