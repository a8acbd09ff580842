// A test module that uses what the modules' C++ runtime sets up on first use in a
// thread: an exception, a thread_local, a once-only initialisation. (A thread_local with
// a destructor would keep the module loaded until the thread ends: libstdc++ takes a
// reference to the module for the destructor's sake.)
#include <mutex>
#include <stdexcept>
#include <cstring>

namespace {

thread_local std::size_t last_length = 0;
std::once_flag once;
int calls = 0;

}  // namespace

extern "C" int UseRuntime(int value) {
    std::call_once(once, [] { calls = 0; });
    try {
        if (value != 0) throw std::runtime_error("probe");
    } catch (const std::exception& error) {
        last_length = std::strlen(error.what());
        ++calls;
    }
    return static_cast<int>(last_length) + calls;
}
