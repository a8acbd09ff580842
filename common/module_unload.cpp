// Linked into every module: gives back, when the module is unloaded, what its static
// thread runtime (winpthreads, under libgcc and libstdc++) created and never releases.
//
// The unwinder registers the module's frame tables while the module is being loaded;
// its lock goes through pthread_once, which makes winpthreads build a thread record for
// the loading thread (an event and a duplicate of the thread handle) and take a TLS
// index for such records. winpthreads releases a record only when its thread ends while
// the module is still loaded, and the index never: each load and unload of the module
// left two handles and one TLS index behind, and a host that opens the driver once per
// patient ran out of TLS indices (the runtime then aborts the process) after about a
// thousand openings.
//
// So, once everything else in the module has been torn down at unload, the unloading
// thread is announced to the runtime as ending (its own thread-detach callback releases
// the record), and every TLS index the module took is freed. Records of other threads
// still alive at that moment stay behind; the driver loads and unloads its adaptation
// module on the host's thread, which is the one covered.
#include <windows.h>

#include <cstdlib>

extern "C" {
// winpthreads' TLS callback, present when the thread runtime is linked in.
extern __attribute__((weak)) PIMAGE_TLS_CALLBACK __xl_f;
extern IMAGE_DOS_HEADER __ImageBase;
}

namespace {

using TlsAllocFn = DWORD(WINAPI*)();
using TlsFreeFn = BOOL(WINAPI*)(DWORD);

constexpr LONG kMaxIndices = 16;
DWORD taken_indices[kMaxIndices];
bool process_ending = false;

template <typename Fn>
Fn kernel32_function(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}

// No function-local statics here: their guard would take the runtime's lock, which
// allocates a TLS index through this very function.
TlsAllocFn system_tls_alloc = nullptr;
TlsFreeFn system_tls_free = nullptr;

DWORD WINAPI tls_alloc_noted() {
    if (!system_tls_alloc) system_tls_alloc = kernel32_function<TlsAllocFn>("TlsAlloc");
    const DWORD index = system_tls_alloc();
    if (index == TLS_OUT_OF_INDEXES) return index;
    for (LONG slot = 0; slot < kMaxIndices; ++slot) {
        if (::InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&taken_indices[slot]),
                                         static_cast<LONG>(index + 1), 0) == 0) {
            return index;
        }
    }
    return index;  // more than the runtime ever takes; this one stays taken
}

void forget_index(DWORD index) {
    for (LONG slot = 0; slot < kMaxIndices; ++slot) {
        if (::InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&taken_indices[slot]), 0,
                                         static_cast<LONG>(index + 1)) ==
            static_cast<LONG>(index + 1))
            return;
    }
}

BOOL WINAPI tls_free_noted(DWORD index) {
    if (!system_tls_free) system_tls_free = kernel32_function<TlsFreeFn>("TlsFree");
    forget_index(index);
    return system_tls_free(index);
}

void release_runtime_state() {
    // At process exit every thread is gone and nothing is reused any more.
    if (process_ending) return;
    if (&__xl_f != nullptr && __xl_f != nullptr) __xl_f(&__ImageBase, DLL_THREAD_DETACH, nullptr);
    for (LONG slot = 0; slot < kMaxIndices; ++slot) {
        const DWORD noted = taken_indices[slot];
        if (noted != 0) tls_free_noted(noted - 1);
    }
}

void NTAPI note_process_end(PVOID, DWORD reason, PVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) process_ending = true;
}

// Registered before any static constructor runs (and before the unwinder registers its
// tables), so it runs after every destructor and after the unwinder's own release.
int register_release() {
    std::atexit(release_runtime_state);
    return 0;
}

}  // namespace

extern "C" {
__attribute__((used, section(".CRT$XLY"))) PIMAGE_TLS_CALLBACK np_note_process_end =
    note_process_end;
__attribute__((used, section(".CRT$XIY"))) int (*np_register_release)() = register_release;
// The module's own import slots for TlsAlloc and TlsFree: every index the runtime takes
// is noted on its way.
__attribute__((used)) TlsAllocFn np_tls_alloc_import asm("__imp__TlsAlloc@0") = tls_alloc_noted;
__attribute__((used)) TlsFreeFn np_tls_free_import asm("__imp__TlsFree@4") = tls_free_noted;
}
