// Linked into every module: gives back, when the module is unloaded, what its static
// thread runtime (winpthreads, under libgcc and libstdc++) created and never releases.
//
// The unwinder registers the module's frame tables while the module is being loaded;
// its lock goes through pthread_once, which makes winpthreads build a thread record for
// the loading thread (an event and a duplicate of the thread handle) and take a TLS
// index for such records. winpthreads releases a record only when its thread ends while
// the module is still loaded, and the index never: each load and unload of a module
// left two handles and one TLS index behind, and a host that opens the driver once per
// patient ran out of TLS indices (the runtime then aborts the process) after about a
// thousand openings. The first exception thrown or thread_local touched in a module
// added two semaphores more: winpthreads' table of thread keys, behind a lock built on
// first use and never destroyed.
//
// So thread keys are served here from TLS indices, and once everything else in the
// module has been torn down at unload, the unloading thread is announced to the runtime
// as ending (its own thread-detach callback releases the record) and every TLS index the
// module took is freed. Records of other threads still alive at that moment stay
// behind; the driver loads and unloads its adaptation module on the host's thread, which
// is the one covered.
#include <windows.h>

#include <pthread.h>

#include <cerrno>
#include <cstdlib>

extern "C" {
// winpthreads' TLS callback, present when the thread runtime is linked in.
extern __attribute__((weak)) PIMAGE_TLS_CALLBACK __xl_f;
extern IMAGE_DOS_HEADER __ImageBase;
}

namespace {

bool process_ending = false;

// ---- Every TLS index the module takes ---------------------------------------------------

using TlsAllocFn = DWORD(WINAPI*)();
using TlsFreeFn = BOOL(WINAPI*)(DWORD);

constexpr LONG kMaxIndices = 32;
volatile LONG taken_indices[kMaxIndices];  // index + 1, 0 for a free entry

template <typename Fn>
Fn kernel32_function(const char* name) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}

// No function-local statics in this file: their guard would take the runtime's lock,
// which allocates a TLS index through this very function.
TlsAllocFn system_tls_alloc = nullptr;
TlsFreeFn system_tls_free = nullptr;

DWORD WINAPI tls_alloc_noted() {
    if (!system_tls_alloc) system_tls_alloc = kernel32_function<TlsAllocFn>("TlsAlloc");
    const DWORD index = system_tls_alloc();
    if (index == TLS_OUT_OF_INDEXES) return index;
    const LONG entry = static_cast<LONG>(index + 1);
    for (volatile LONG& slot : taken_indices)
        if (::InterlockedCompareExchange(&slot, entry, 0) == 0) return index;
    return index;  // more than the runtime ever takes; this one stays taken
}

BOOL WINAPI tls_free_noted(DWORD index) {
    if (!system_tls_free) system_tls_free = kernel32_function<TlsFreeFn>("TlsFree");
    const LONG entry = static_cast<LONG>(index + 1);
    for (volatile LONG& slot : taken_indices)
        if (::InterlockedCompareExchange(&slot, 0, entry) == entry) break;
    return system_tls_free(index);
}

// ---- Thread keys --------------------------------------------------------------------------

struct Key {
    DWORD index = 0;
    void (*destructor)(void*) = nullptr;
    bool live = false;
};
constexpr LONG kMaxKeys = 64;
Key keys[kMaxKeys];
LONG keys_made = 0;

void destroy_thread_values() {
    // A destructor may set values again; POSIX allows a few passes.
    for (int pass = 0; pass < PTHREAD_DESTRUCTOR_ITERATIONS; ++pass) {
        bool called = false;
        for (LONG k = 0; k < keys_made && k < kMaxKeys; ++k) {
            if (!keys[k].live || !keys[k].destructor) continue;
            void* value = ::TlsGetValue(keys[k].index);
            if (!value) continue;
            ::TlsSetValue(keys[k].index, nullptr);
            keys[k].destructor(value);
            called = true;
        }
        if (!called) return;
    }
}

// ---- Unloading -----------------------------------------------------------------------------

void release_runtime_state() {
    // At process exit every other thread is gone and nothing is reused any more.
    if (process_ending) return;
    destroy_thread_values();
    if (&__xl_f != nullptr && __xl_f != nullptr) __xl_f(&__ImageBase, DLL_THREAD_DETACH, nullptr);
    for (volatile LONG& slot : taken_indices) {
        const LONG entry = slot;
        if (entry != 0) tls_free_noted(static_cast<DWORD>(entry - 1));
    }
}

void NTAPI on_thread_or_process_end(PVOID, DWORD reason, PVOID reserved) {
    if (reason == DLL_THREAD_DETACH) destroy_thread_values();
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

// After winpthreads' callback (.CRT$XLF) and the thread_local destructors (.CRT$XLD).
__attribute__((used, section(".CRT$XLY"))) PIMAGE_TLS_CALLBACK np_on_thread_or_process_end =
    on_thread_or_process_end;
__attribute__((used, section(".CRT$XIY"))) int (*np_register_release)() = register_release;

// The module's own import slots for TlsAlloc and TlsFree: every index the module takes
// is noted on its way.
__attribute__((used)) TlsAllocFn np_tls_alloc_import asm("__imp__TlsAlloc@0") = tls_alloc_noted;
__attribute__((used)) TlsFreeFn np_tls_free_import asm("__imp__TlsFree@4") = tls_free_noted;

// The thread keys of libgcc and libstdc++ (the module is linked with --wrap for each).
int __wrap_pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    const DWORD index = ::TlsAlloc();
    if (index == TLS_OUT_OF_INDEXES) return EAGAIN;
    const LONG k = ::InterlockedIncrement(&keys_made) - 1;
    if (k >= kMaxKeys) {
        ::TlsFree(index);
        return EAGAIN;
    }
    keys[k] = {index, destructor, true};
    *key = static_cast<pthread_key_t>(k);
    return 0;
}

int __wrap_pthread_key_delete(pthread_key_t key) {
    if (key >= static_cast<pthread_key_t>(kMaxKeys) || !keys[key].live) return EINVAL;
    keys[key].live = false;
    ::TlsFree(keys[key].index);
    return 0;
}

void* __wrap_pthread_getspecific(pthread_key_t key) {
    if (key >= static_cast<pthread_key_t>(kMaxKeys) || !keys[key].live) return nullptr;
    // Callers read thread values between a failing call and GetLastError.
    const DWORD error = ::GetLastError();
    void* value = ::TlsGetValue(keys[key].index);
    ::SetLastError(error);
    return value;
}

int __wrap_pthread_setspecific(pthread_key_t key, const void* value) {
    if (key >= static_cast<pthread_key_t>(kMaxKeys) || !keys[key].live) return EINVAL;
    return ::TlsSetValue(keys[key].index, const_cast<void*>(value)) ? 0 : ENOMEM;
}

}  // extern "C"
