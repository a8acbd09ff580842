// Test helper: one ReadCommData of a program-selection module on the test's thread
// while an operator thread works the dialog through its controls.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "acquisition/testing/module_entries.h"
#include "adaptations/dialog/testing/panel_operator.h"
#include "common/acquisition_record.h"
#include "common/adaptation_contract.h"
#include "common/settings_key.h"
#include "tools/wintest/registry_sandbox.h"

namespace np::testing {

struct DialogOutcome {
    int result = -1;
    AcquisitionRecord record;
    bool dialog_seen = false;

    // Still the 0xAB bytes it was handed over with.
    bool record_untouched() const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
        return std::all_of(bytes, bytes + sizeof record, [](unsigned char b) { return b == 0xAB; });
    }
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

// One dialog module per test case (`Case` names its `module` and its settings `key`),
// its settings in a sandbox.
template <typename Case>
class DialogModuleTest : public ::testing::TestWithParam<Case> {
  protected:
    DialogOutcome acquire(const std::function<void(const PanelOperator&)>& operate) {
        return operate_dialog(module_.read, operate);
    }
    const Case& unit() const { return this->GetParam(); }
    // A value of the model's key as stored, "-" when there is none.
    std::string stored(const char* name) const {
        return SettingsKey(unit().key).text(name, 32, "-");
    }
    void store(const char* name, const char* value) {
        sandbox_.set_user_text(unit().key, name, value);
    }

    RegistrySandbox sandbox_{"NORVANE"};
    ModuleEntries module_{this->GetParam().module};
};

}  // namespace np::testing
