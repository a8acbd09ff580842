// Every module named on the command line, loaded and unloaded a hundred times, leaves
// the process as it found it: no handle and no TLS index more. A host keeps the driver
// for days and the driver loads its adaptation module at every opening.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/wintest/process_handles.h"

namespace np {
namespace {

std::vector<std::string> modules;

// Ventra cannot load without its language module beside it, as installed.
class LanguageModuleBeside {
  public:
    LanguageModuleBeside() { ::CopyFileA("NPeng.dll", "NPLang.dll", FALSE); }
    ~LanguageModuleBeside() { ::DeleteFileA("NPLang.dll"); }
};

// `cycle` once to bring in for good what it first brings in (the system libraries a
// module uses), then a hundred times: no handle and no TLS index more.
void expect_hundred_cycles_leave_nothing(const std::function<void()>& cycle) {
    cycle();
    const std::size_t handles = count_open_handles();
    const std::size_t tls_indices = count_free_tls_indices();
    for (int round = 0; round < 100 && !::testing::Test::HasFatalFailure(); ++round)
        cycle();
    EXPECT_EQ(count_open_handles(), handles);
    EXPECT_EQ(count_free_tls_indices(), tls_indices);
}

TEST(ModuleUnload, HundredLoadsLeaveNoHandleAndNoTlsIndex) {
    ASSERT_FALSE(modules.empty());
    const LanguageModuleBeside language;
    for (const std::string& module : modules) {
        SCOPED_TRACE(module);
        expect_hundred_cycles_leave_nothing([&] {
            const HMODULE loaded = ::LoadLibraryA(module.c_str());
            ASSERT_TRUE(loaded) << ::GetLastError();
            ASSERT_TRUE(::FreeLibrary(loaded));
        });
        EXPECT_FALSE(::GetModuleHandleA(module.c_str()));
    }
}

// The first exception, thread_local and once-only initialisation on the loading thread
// set up more of the runtime; that too goes with the module.
TEST(ModuleUnload, RuntimeUsedOnTheLoadingThreadGoesWithTheModule) {
    expect_hundred_cycles_leave_nothing([] {
        const HMODULE loaded = ::LoadLibraryA("RuntimeProbe.dll");
        ASSERT_TRUE(loaded);
        const auto use_runtime = reinterpret_cast<int (*)(int)>(
            reinterpret_cast<void*>(::GetProcAddress(loaded, "UseRuntime")));
        ASSERT_TRUE(use_runtime);
        EXPECT_EQ(use_runtime(1), 6);  // a fresh module every time
        ASSERT_TRUE(::FreeLibrary(loaded));
        ASSERT_FALSE(::GetModuleHandleA("RuntimeProbe.dll"));
    });
}

}  // namespace
}  // namespace np

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    np::modules.assign(argv + 1, argv + argc);
    return RUN_ALL_TESTS();
}
