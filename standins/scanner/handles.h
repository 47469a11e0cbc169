// Move-only owners of the Win32 resources the virtual scanner holds.
#pragma once

#include <windows.h>

#include <utility>

namespace tvscan {

// A movable global memory block; release() hands it over (to the application, in a container
// or a native transfer).
class GlobalBlock {
 public:
  GlobalBlock() = default;
  explicit GlobalBlock(SIZE_T bytes) : handle_(GlobalAlloc(GHND, bytes)) {}
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  GlobalBlock(GlobalBlock&& other) noexcept : handle_(other.release()) {}
  GlobalBlock& operator=(GlobalBlock&& other) noexcept {
    if (this != &other) {
      if (handle_) GlobalFree(handle_);
      handle_ = other.release();
    }
    return *this;
  }
  ~GlobalBlock() {
    if (handle_) GlobalFree(handle_);
  }
  explicit operator bool() const { return handle_ != nullptr; }
  HGLOBAL get() const { return handle_; }
  HGLOBAL release() { return std::exchange(handle_, nullptr); }

 private:
  HGLOBAL handle_ = nullptr;
};

// The lock of a global block for one scope.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL handle) : handle_(handle), data_(handle ? GlobalLock(handle) : nullptr) {}
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  ~GlobalLockGuard() {
    if (data_) GlobalUnlock(handle_);
  }
  void* data() const { return data_; }

 private:
  HGLOBAL handle_;
  void* data_;
};

// A FindFirstFile search.
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

}  // namespace tvscan
