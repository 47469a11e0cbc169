// Move-only owners of the Win32 handles the source manager holds.
#pragma once

#include <windows.h>

#include <utility>

namespace twaindsm {

// One owner template per handle kind: the close function is part of the type.
template <typename Handle, typename Closer, Handle Empty>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Empty; }
  Handle release() { return std::exchange(handle_, Empty); }
  void reset(Handle handle = Empty) {
    Handle old = std::exchange(handle_, handle);
    if (old != Empty) Closer()(old);
  }

 private:
  Handle handle_ = Empty;
};

struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};

using UniqueModule = UniqueHandle<HMODULE, ModuleCloser, nullptr>;
using UniqueKey = UniqueHandle<HKEY, KeyCloser, nullptr>;

// INVALID_HANDLE_VALUE is not a constant expression, so the find handle gets its own small type.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE handle) : handle_(handle) {}
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;
  ~UniqueFind() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace twaindsm
