// Figures of the link, run beside the unit simulator:
//   tools/wine-kvunit build/win32/host/ventraunit build/win32/bin/npjbus_bench.exe
// The round trip of the console's 15-word status read against the time its two
// frames take on a real line, and the CPU the link takes while the console polls.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "npjbus/jbus_frame.h"
#include "npjbus/npjbus.h"

namespace {

double now_ms() {
    LARGE_INTEGER t{}, f{};
    ::QueryPerformanceCounter(&t);
    ::QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double process_cpu_ms() {
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto ms = [](FILETIME t) {
        return static_cast<double>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

}  // namespace

int main() {
    int port = JbusOpenCom("COM1", 57600);
    if (port < 0) {
        std::printf("COM1 cannot be opened\n");
        return 1;
    }
    unsigned short status[15];
    std::vector<double> trips;
    for (int i = 0; i < 300; ++i) {
        const double start = now_ms();
        if (JbusReadSeveralWords(port, 1, 0x700F, 15, status) != JBUS_OK) {
            std::printf("status read failed\n");
            return 1;
        }
        trips.push_back(now_ms() - start);
    }
    std::sort(trips.begin(), trips.end());
    const double wire = np::jbus::wire_time_us(57600, 8 + 35) / 1000.0;
    std::printf("status read (15 words, 57600 bit/s): wire time %.2f ms\n", wire);
    std::printf("  round trip median %.2f ms (%.2f x wire), 90th percentile %.2f ms, worst %.2f ms\n",
                trips[trips.size() / 2], trips[trips.size() / 2] / wire, trips[trips.size() * 9 / 10],
                trips.back());

    const double cpu_before = process_cpu_ms();
    const double start = now_ms();
    for (int poll = 0; poll < 25; ++poll) {  // 5 s of the console's 200 ms status poll
        JbusReadSeveralWords(port, 1, 0x700F, 15, status);
        if (poll % 5 == 0) JbusReadSeveralWords(port, 1, 0x7026, 1, status);
        ::Sleep(200);
    }
    const double elapsed = now_ms() - start;
    std::printf("idle polling: %.1f ms of CPU in %.0f ms (%.2f %%)\n", process_cpu_ms() - cpu_before,
                elapsed, 100.0 * (process_cpu_ms() - cpu_before) / elapsed);
    JbusCloseCom(&port);
    return 0;
}
