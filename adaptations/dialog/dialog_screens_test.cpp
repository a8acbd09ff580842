// The four dialogs on the two reference screens, 800 x 600 and 1024 x 768: each shows
// whole and centred, and its picture is saved (screenshots/ beside this program).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "adaptations/dialog/resources/dialog_ids.h"
#include "adaptations/dialog/testing/dialog_session.h"
#include "acquisition/testing/module_entries.h"
#include "tools/wintest/screen_desktop.h"
#include "tools/wintest/window_picture.h"
#include "tools/wintest/registry_sandbox.h"

namespace np {
namespace {

struct Screen {
    int width, height;
};

class DialogScreens : public ::testing::TestWithParam<Screen> {};

TEST_P(DialogScreens, EveryDialogShowsWholeAndCentred) {
    const Screen screen = GetParam();
    RegistrySandbox sandbox("NORVANE");
    testing::ScreenDesktop desktop(screen.width, screen.height);
    CreateDirectoryA("screenshots", nullptr);
    for (const char* name : {"Kv80", "Kv40", "Trevian", "Brevian"}) {
        SCOPED_TRACE(name);
        testing::ModuleEntries module((std::string(name) + ".dll").c_str());
        ASSERT_NE(module.read, nullptr);
        // Both sides of the dialog live on the desktop: ReadCommData on a thread of its own.
        testing::DialogOutcome outcome;
        std::thread caller([&] {
            if (!desktop.enter()) return;
            outcome = testing::operate_dialog(
                module.read,
                [&](const testing::PanelOperator& panel) {
                    RECT frame{};
                    GetWindowRect(panel.dialog(), &frame);
                    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width);
                    EXPECT_GE(frame.left, 0);
                    EXPECT_GE(frame.top, 0);
                    EXPECT_LE(frame.right, screen.width);
                    EXPECT_LE(frame.bottom, screen.height);
                    EXPECT_LE(std::abs(frame.left + frame.right - screen.width), 1);
                    EXPECT_LE(std::abs(frame.top + frame.bottom - screen.height), 1);
                    EXPECT_TRUE(testing::write_png(
                        "screenshots\\" + std::string(name) + "-" + desktop.size() + ".png",
                        testing::capture_window(panel.dialog())));
                    panel.click(IDCANCEL);
                },
                nullptr, [&] { return desktop.enter(); });
        });
        caller.join();
        EXPECT_TRUE(outcome.dialog_seen);
        EXPECT_EQ(outcome.result, 4);
    }
}

INSTANTIATE_TEST_SUITE_P(ReferenceScreens, DialogScreens,
                         ::testing::Values(Screen{800, 600}, Screen{1024, 768}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace np
