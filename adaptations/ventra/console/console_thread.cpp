#include "adaptations/ventra/console/console_thread.h"

#include <atomic>
#include <memory>

#include "adaptations/ventra/console/console_window.h"
#include "common/win32_handles.h"

namespace np::ventra {
namespace {

constexpr DWORD kPollPeriod = 500;
constexpr const char* kBackdropClass = "VentraConsoleBackdrop";

// The window handle is published on its own rather than read through the console
// object, which the console thread deletes when it ends.
std::atomic<HWND> g_console_window{nullptr};

UniqueHandle& console_thread_handle() {
    static UniqueHandle handle;
    return handle;
}

// Behind a console of 1024 x 768 on a larger screen: covers the screen, paints nothing.
UniqueWindow create_backdrop(HINSTANCE instance, int screen_width, int screen_height) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = ::DefWindowProcA;
    cls.hInstance = instance;
    cls.lpszClassName = kBackdropClass;
    ::RegisterClassA(&cls);  // already there from an earlier console: fine
    return UniqueWindow(::CreateWindowExA(0, kBackdropClass, "", WS_POPUP | WS_VISIBLE, 0, 0, screen_width + 1,
                                          screen_height + 1, nullptr, nullptr, instance, nullptr));
}

DWORD WINAPI run_console_thread(void*) {
    VentraModule& module = ventra();
    // The thread holds the module: a host that closes the driver while the console is
    // still closing must not unload the code the console runs.
    HMODULE held = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&run_console_thread),
                         &held);
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    UniqueWindow backdrop;
    if (width != 800 || height != 600) backdrop = create_backdrop(module.instance, width, height);
    INT_PTR result = -1;
    try {
        ConsoleWindow console(module, module.notify, &g_console_window);
        result = console.run(backdrop.get());
    } catch (...) {
    }
    if (result == -1 && module.notify) {
        module.notify(contract::kNotifyCancel);
        module.notify(contract::kNotifyEnd);
    }
    backdrop.reset();
    module.link.close();
    if (held) ::FreeLibraryAndExitThread(held, 0);
    return 0;
}

}  // namespace

HWND published_console_window() {
    return g_console_window.load();
}

int start_design_dialog(VentraModule& module, HWND host, HWND* console, contract::NotifyFn notify) {
    module.host_window = host;
    module.notify = notify;
    g_console_window.store(nullptr);
    UniqueHandle& thread = console_thread_handle();
    thread.reset(::CreateThread(nullptr, 0, run_console_thread, nullptr, 0, nullptr));
    HWND window = nullptr;
    if (thread) {
        for (;;) {
            const DWORD waited = ::WaitForSingleObject(thread.get(), kPollPeriod);
            window = g_console_window.load();
            if (window || waited != WAIT_TIMEOUT) break;
        }
    } else if (notify) {
        notify(contract::kNotifyCancel);
        notify(contract::kNotifyEnd);
    }
    if (console) *console = window;
    return 0;
}

int read_comm_data(VentraModule& module) {
    {
        auto console = std::make_unique<ConsoleWindow>(module, module.notify);
        console->run(nullptr);
        module.link.close();
    }
    return 0;
}

}  // namespace np::ventra
