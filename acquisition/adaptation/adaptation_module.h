// The adaptation module bound at PANOOPEN: "Panodlg.dll" and its entry points, looked
// up by their plain names. The four required ones are always set while the module is
// bound; every optional one may be null and its caller must test it.
#pragma once

#include "common/adaptation_contract.h"
#include "common/win32_handles.h"

namespace np::adaptation {

struct EntryPoints {
    // Required.
    contract::OpenCommPortFn OpenCommPort = nullptr;
    contract::ReadCommDataFn ReadCommData = nullptr;
    contract::ReArrangementFn ReArrangement = nullptr;
    contract::GetTimingFn GetTiming = nullptr;
    // Optional.
    contract::NCanCombineAtmFn nCanCombineATM = nullptr;
    contract::BResolutionFn bResolution = nullptr;
    contract::BPostProcessFn bPostProcess = nullptr;
    contract::BHaveToMirrorFn bHaveToMirror = nullptr;
    contract::StartDesignDialogFn StartDesignDialog = nullptr;
    contract::GetInfosTirFn GetInfosTir = nullptr;
    contract::TraitementAtm4ImagesFn TraitementATM4Images = nullptr;
    contract::GetExpositionTimeFn GetExpositionTime = nullptr;
};

class AdaptationModule {
  public:
    // Loads "Panodlg.dll" through the system's search for libraries. False, with
    // nothing kept loaded, when it cannot be loaded or lacks a required entry point.
    bool bind();
    // The demonstration driver's binding: whatever the module exports is kept, none of
    // the entry points is required, and without a module every one stays null.
    void bind_available();
    void release();
    bool bound() const { return static_cast<bool>(module_); }
    const EntryPoints& entry() const { return entry_; }

    // The optional entry points every caller falls back from in the same way.
    bool mirrored() const { return entry_.bHaveToMirror && entry_.bHaveToMirror(); }

  private:
    UniqueModule module_;
    EntryPoints entry_;
};

}  // namespace np::adaptation
