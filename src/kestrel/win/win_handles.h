// Move-only owners of the Win32 handles the library opens.
#pragma once

#include <windows.h>

#include <utility>

namespace kestrel::win {

// A kernel handle whose "none" value is `Invalid` (files use INVALID_HANDLE_VALUE, most others 0).
template <HANDLE (*Invalid)()>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid(); }
    HANDLE release() { return std::exchange(handle_, Invalid()); }
    // Closes the handle; false when the system refused (a file's last data may be lost then).
    bool reset(HANDLE handle = Invalid()) {
        const HANDLE old = std::exchange(handle_, handle);
        return old == Invalid() || CloseHandle(old) != 0;
    }

private:
    HANDLE handle_ = Invalid();
};

inline HANDLE invalidFileHandle() { return INVALID_HANDLE_VALUE; }
inline HANDLE nullHandle() { return nullptr; }

using UniqueFile = UniqueHandle<invalidFileHandle>;
using UniqueEvent = UniqueHandle<nullHandle>;

} // namespace kestrel::win
