// Move-only owners of Windows handles. Each closes its handle exactly once; release() hands the
// handle over to a new owner (a menu given to a window, a module kept for the whole run).
#pragma once

#include <windows.h>

#include <utility>

namespace qfw {

template <typename Handle, typename Closer>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    Handle old = std::exchange(handle_, handle);
    if (old) Closer()(old);
  }

 private:
  Handle handle_ = nullptr;
};

struct RegKeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct ModuleCloser {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct MenuCloser {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
struct KernelHandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

using UniqueRegKey = UniqueHandle<HKEY, RegKeyCloser>;
using UniqueModule = UniqueHandle<HMODULE, ModuleCloser>;
using UniqueMenu = UniqueHandle<HMENU, MenuCloser>;
// Events, threads, files opened as handles: anything CloseHandle closes.
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleCloser>;

}  // namespace qfw
