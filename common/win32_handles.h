// Owners for Win32 resources: each closes its resource exactly once, on scope exit.
#pragma once

#include <windows.h>

#include <utility>

namespace np {

// Traits: `type`, `invalid()` and `close(type)`.
template <typename Traits>
class UniqueResource {
    using T = typename Traits::type;
    static T invalid() { return Traits::invalid(); }

  public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueResource() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != invalid(); }
    T* put() {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, invalid()); }
    void reset() { reset(invalid()); }
    void reset(T value) {
        T old = std::exchange(value_, value);
        if (old != invalid()) Traits::close(old);
    }

  private:
    T value_ = invalid();
};

namespace detail {
template <typename T, auto Close>
struct NullIsInvalid {
    using type = T;
    static T invalid() { return T{}; }
    static void close(T value) { Close(value); }
};
struct FileTraits {
    using type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
}  // namespace detail

// Events, threads, mutexes: null means "none".
using UniqueHandle = UniqueResource<detail::NullIsInvalid<HANDLE, ::CloseHandle>>;
// Files and devices: CreateFile reports failure as INVALID_HANDLE_VALUE.
using UniqueFile = UniqueResource<detail::FileTraits>;
using UniqueKey = UniqueResource<detail::NullIsInvalid<HKEY, ::RegCloseKey>>;
using UniqueModule = UniqueResource<detail::NullIsInvalid<HMODULE, ::FreeLibrary>>;
using UniqueGlobal = UniqueResource<detail::NullIsInvalid<HGLOBAL, ::GlobalFree>>;
using UniqueGdiObject = UniqueResource<detail::NullIsInvalid<HGDIOBJ, ::DeleteObject>>;
using UniqueDc = UniqueResource<detail::NullIsInvalid<HDC, ::DeleteDC>>;
// Windows a thread creates and must destroy itself.
using UniqueWindow = UniqueResource<detail::NullIsInvalid<HWND, ::DestroyWindow>>;

// Locks a movable global memory block for the lifetime of the object.
template <typename T = void>
class GlobalLock {
  public:
    explicit GlobalLock(HGLOBAL block)
        : block_(block), data_(static_cast<T*>(::GlobalLock(block))) {}
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    ~GlobalLock() {
        if (data_) ::GlobalUnlock(block_);
    }
    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

  private:
    HGLOBAL block_;
    T* data_;
};

}  // namespace np
