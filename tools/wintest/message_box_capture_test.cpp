// The capture against the system's own message boxes.
#include "tools/wintest/message_box_capture.h"
#include "tools/wintest/process_handles.h"

#include <gtest/gtest.h>

namespace np {
namespace {

TEST(MessageBoxCapture, RecordsEveryPartOfTheBoxAndAnswersIt) {
    MessageBoxCapture capture;
    EXPECT_EQ(::MessageBoxA(nullptr, "Something failed.\r\n", "Scanlink : IOCTL_READ_STATUS",
                            MB_OK | MB_ICONSTOP),
              IDOK);
    ASSERT_EQ(capture.count(), 1u);
    EXPECT_EQ(capture[0].owner, nullptr);
    EXPECT_EQ(capture[0].title, "Scanlink : IOCTL_READ_STATUS");
    EXPECT_EQ(capture[0].text, "Something failed.\r\n");
    EXPECT_EQ(capture[0].icon, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(capture[0].buttons, static_cast<UINT>(MB_OK));
    EXPECT_EQ(capture.log(), "Scanlink : IOCTL_READ_STATUS | Something failed.\r\n | stop | OK\n");
}

TEST(MessageBoxCapture, AnswersAsTheTestChooses) {
    MessageBoxCapture capture(
        [](const CapturedMessageBox& box) { return box.buttons == MB_YESNO ? IDNO : IDCANCEL; });
    EXPECT_EQ(::MessageBoxA(nullptr, "Continue?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(::MessageBoxA(nullptr, "Go on?", "Warning", MB_OKCANCEL | MB_ICONWARNING), IDCANCEL);
    ASSERT_EQ(capture.count(), 2u);
    EXPECT_EQ(capture[0].icon, static_cast<UINT>(MB_ICONQUESTION));
    EXPECT_EQ(capture[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(capture[0].answer, IDNO);
    EXPECT_EQ(capture[1].icon, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(capture[1].buttons, static_cast<UINT>(MB_OKCANCEL));
}

TEST(MessageBoxCapture, RecordsTheOwnerWindow) {
    const HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                         nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    MessageBoxCapture capture;
    ::MessageBoxA(owner, "text", "title", MB_OK);
    ASSERT_EQ(capture.count(), 1u);
    EXPECT_EQ(capture[0].owner, owner);
    EXPECT_EQ(capture[0].icon, 0u);
    ::DestroyWindow(owner);
}

TEST(MessageBoxCapture, NoBoxNoRecord) {
    MessageBoxCapture capture;
    EXPECT_EQ(capture.count(), 0u);
    EXPECT_EQ(capture.log(), "");
}

TEST(ProcessHandles, CountsEveryHandleOpenedAndClosed) {
    const std::size_t before = count_open_handles();
    EXPECT_GT(before, 0u);
    HANDLE events[3];
    for (HANDLE& event : events)
        event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(count_open_handles(), before + 3);
    for (HANDLE event : events)
        ::CloseHandle(event);
    EXPECT_EQ(count_open_handles(), before);
}

}  // namespace
}  // namespace np
