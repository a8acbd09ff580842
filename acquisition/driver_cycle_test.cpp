// A host that opens and closes the driver for every patient: the adaptation module is
// loaded at each opening and unloaded at each closing, and nothing may pile up.
#include <gtest/gtest.h>

#include <windows.h>

#include "acquisition/testing/host_bench.h"
#include "tools/wintest/process_handles.h"

namespace np {
namespace {

TEST(DriverCycle, FiftyOpeningsWithGenericLeaveNothingBehind) {
    testing::ScanlinkBench bench("Generic.dll");
    // The first opening brings in the system libraries for good.
    ASSERT_EQ(bench.open(), 1);
    bench.close();
    ASSERT_FALSE(::GetModuleHandleA("Panodlg.dll"));

    const std::size_t handles = count_open_handles();
    const std::size_t tls_indices = count_free_tls_indices();
    for (int patient = 0; patient < 50; ++patient) {
        ASSERT_EQ(bench.open(), 1);
        ASSERT_TRUE(::GetModuleHandleA("Panodlg.dll"));
        bench.close();
    }
    EXPECT_FALSE(::GetModuleHandleA("Panodlg.dll"));
    EXPECT_EQ(count_open_handles(), handles);
    EXPECT_EQ(count_free_tls_indices(), tls_indices);
}

}  // namespace
}  // namespace np
