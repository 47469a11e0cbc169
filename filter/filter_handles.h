// Move-only owners of the two kernel objects the filter binding holds: the loaded library and
// the completion event of the command in progress.
#pragma once

#include <windows.h>

#include <utility>

namespace quill {

// A library loaded with LoadLibrary. Whoever must know whether unloading worked calls FreeLibrary
// itself and release()s the handle once it is gone.
class FilterLibraryModule {
 public:
  FilterLibraryModule() = default;
  explicit FilterLibraryModule(HMODULE module) : module_(module) {}
  ~FilterLibraryModule() { reset(); }
  FilterLibraryModule(FilterLibraryModule&& other) noexcept : module_(other.release()) {}
  FilterLibraryModule& operator=(FilterLibraryModule&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  FilterLibraryModule(const FilterLibraryModule&) = delete;
  FilterLibraryModule& operator=(const FilterLibraryModule&) = delete;

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

// An event object, closed when the owner goes.
class FilterEvent {
 public:
  FilterEvent() = default;
  explicit FilterEvent(HANDLE event) : event_(event) {}
  ~FilterEvent() { reset(); }
  FilterEvent(FilterEvent&& other) noexcept : event_(other.release()) {}
  FilterEvent& operator=(FilterEvent&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  FilterEvent(const FilterEvent&) = delete;
  FilterEvent& operator=(const FilterEvent&) = delete;

  HANDLE get() const { return event_; }
  explicit operator bool() const { return event_ != nullptr; }
  HANDLE release() { return std::exchange(event_, nullptr); }
  void reset(HANDLE event = nullptr) {
    HANDLE old = std::exchange(event_, event);
    if (old) CloseHandle(old);
  }

 private:
  HANDLE event_ = nullptr;
};

}  // namespace quill
