#include "adaptations/serial/unit_reader.h"

#include <array>
#include <atomic>

#include "adaptations/serial/unit_message.h"
#include "common/win32_handles.h"

namespace np::serial {
namespace {

// The stack the two threads ask for; they hold only a few locals.
constexpr SIZE_T kThreadStack = 1024;
constexpr SHORT kKeyDownOrPressedSince = static_cast<SHORT>(0x8001);
constexpr DWORD kEscapePollPauseMs = 5;

enum ReceiveState : int { kWaiting = -1, kCancelled = 0, kReceived = 1 };

struct Session {
    UnitLink& link;
    const UnitModel& model;
    UniqueHandle done;
    std::atomic<int> state{kWaiting};
    std::array<std::uint8_t, kReceiveBufferSize> buffer{};
    AcquisitionRecord parsed{};

    // Moves the state out of "waiting"; false when the other thread got there first.
    bool settle(int outcome) {
        int expected = kWaiting;
        return state.compare_exchange_strong(expected, outcome);
    }
};

DWORD WINAPI reader_main(void* argument) {
    auto& session = *static_cast<Session*>(argument);
    session.buffer.fill(0);
    const Received received = session.link.receive(session.buffer, session.done.get());
    if (received.outcome == Receive::message && session.settle(kReceived))
        session.parsed =
            parse_message(std::span(session.buffer).first(received.bytes), session.model);
    ::SetEvent(session.done.get());
    return 0;
}

bool escape_pressed() {
    return (::GetAsyncKeyState(VK_ESCAPE) & kKeyDownOrPressedSince) != 0;
}

// The pause between two looks at the key leaves the core to the host: the reader runs
// above normal priority and the clinic's computer may have one core only. No press is
// lost by it, since the key state also tells of a press made since the previous look.
DWORD WINAPI escape_watcher_main(void* argument) {
    auto& session = *static_cast<Session*>(argument);
    while (::WaitForSingleObject(session.done.get(), kEscapePollPauseMs) == WAIT_TIMEOUT) {
        if (escape_pressed()) {
            session.settle(kCancelled);
            ::SetEvent(session.done.get());
            break;
        }
    }
    return 0;
}

UniqueHandle start_thread(LPTHREAD_START_ROUTINE main, Session& session, int priority) {
    UniqueHandle thread(
        ::CreateThread(nullptr, kThreadStack, main, &session, CREATE_SUSPENDED, nullptr));
    if (thread) {
        ::SetThreadPriority(thread.get(), priority);
        ::ResumeThread(thread.get());
    }
    return thread;
}

}  // namespace

ReadResult wait_for_message(UnitLink& link, const UnitModel& model) {
    link.flush();
    escape_pressed();  // forget a press from before the acquisition

    Session session{link, model, UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr))};
    if (!session.done) return {ReadOutcome::failed, {}};

    // The reader runs above the watcher so that the unit's bytes are taken as soon
    // as they come.
    UniqueHandle reader = start_thread(reader_main, session, THREAD_PRIORITY_ABOVE_NORMAL);
    if (!reader) return {ReadOutcome::failed, {}};
    UniqueHandle watcher = start_thread(escape_watcher_main, session, THREAD_PRIORITY_NORMAL);
    if (!watcher) {
        // Without a watcher nobody could cancel: stop the reader and give up.
        ::SetEvent(session.done.get());
        ::WaitForSingleObject(reader.get(), INFINITE);
        return {ReadOutcome::failed, {}};
    }

    const HANDLE threads[] = {reader.get(), watcher.get()};
    ::WaitForMultipleObjects(2, threads, TRUE, INFINITE);

    switch (session.state.load()) {
        case kCancelled:
            return {ReadOutcome::cancelled, {}};
        case kReceived:
            return {ReadOutcome::received, session.parsed};
        default:
            return {ReadOutcome::failed, {}};
    }
}

}  // namespace np::serial
