// The entry points an adaptation module ("Panodlg.dll") offers the acquisition
// driver, looked up by their plain names. All are cdecl with integer results.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/acquisition_record.h"

namespace np::contract {

// Notification codes the module passes to the driver's callback.
enum NotifyCode : int { kNotifyStart = 0, kNotifyCancel = 1, kNotifyEnd = 3 };

// OpenCommPort results and ReadCommData results the driver maps for the host.
inline constexpr int kCommDeviceUnavailable = 7;
inline constexpr int kReadCancelled = 4;

using NotifyFn = void (*)(int code);

using OpenCommPortFn = int (*)();
using ReadCommDataFn = int (*)(HWND host, AcquisitionRecord* record);
using ReArrangementFn = void (*)(std::uint16_t* dest, int samples, const std::uint16_t* src);
using GetTimingFn = int (*)(int program, int gaps[kMaxSections]);
using NCanCombineAtmFn = int (*)(int first, int second);
using BResolutionFn = int (*)(double* x, double* y);
using BPostProcessFn = bool (*)(std::uint8_t* bits, int width, int height);
using BHaveToMirrorFn = bool (*)();
using StartDesignDialogFn = int (*)(HWND host, HWND* console, NotifyFn notify);
using GetInfosTirFn = void (*)(AcquisitionRecord* record);
using TraitementAtm4ImagesFn = void (*)(HGLOBAL dib, AcquisitionRecord* record);
using GetExpositionTimeFn = int (*)(AcquisitionRecord* host_copy);

inline constexpr const char* kModuleName = "Panodlg.dll";

}  // namespace np::contract
