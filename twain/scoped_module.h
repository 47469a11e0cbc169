// Owns one loaded library: freed when the owner goes, handed over with release().
#pragma once

#include <windows.h>

#include <utility>

namespace quill {

class ScopedModule {
 public:
  ScopedModule() = default;
  explicit ScopedModule(HMODULE module) : module_(module) {}
  ~ScopedModule() { reset(); }
  ScopedModule(ScopedModule&& other) noexcept : module_(other.release()) {}
  ScopedModule& operator=(ScopedModule&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedModule(const ScopedModule&) = delete;
  ScopedModule& operator=(const ScopedModule&) = delete;

  HMODULE get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }
  HMODULE release() { return std::exchange(module_, nullptr); }
  void reset(HMODULE module = nullptr) {
    HMODULE old = std::exchange(module_, module);
    if (old) FreeLibrary(old);
  }

 private:
  HMODULE module_ = nullptr;
};

}  // namespace quill
