// Test helper: one ReadCommData of a program-selection module on the test's thread
// while an operator thread works the dialog through its controls.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "adaptations/dialog/testing/panel_operator.h"
#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"

namespace np::testing {

struct DialogOutcome {
    int result = -1;
    AcquisitionRecord record;
    bool dialog_seen = false;
};

// Calls read(host, record) with a record full of 0xAB bytes. The operator gets the
// dialog once it is open; a dialog still open when the operator is done is cancelled,
// so that a failing test never hangs. `prepare` runs first on the operator thread
// (to join the caller's desktop, say); when it fails the dialog is not looked for.
inline DialogOutcome operate_dialog(contract::ReadCommDataFn read,
                                    const std::function<void(const PanelOperator&)>& operate,
                                    HWND host = nullptr,
                                    const std::function<bool()>& prepare = {}) {
    DialogOutcome outcome;
    std::memset(&outcome.record, 0xAB, sizeof outcome.record);
    const DWORD caller = ::GetCurrentThreadId();
    std::thread operator_thread([&] {
        if (prepare && !prepare()) return;
        const HWND dialog = wait_for_program_dialog(caller, std::chrono::seconds(10));
        if (!dialog) return;
        outcome.dialog_seen = true;
        const PanelOperator panel(dialog);
        operate(panel);
        if (panel.is_open()) ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    outcome.result = read(host, &outcome.record);
    operator_thread.join();
    return outcome;
}

}  // namespace np::testing
