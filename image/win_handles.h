// Move-only owners of the Win32 handles that image code creates: global memory blocks and their
// locks, GDI objects, memory device contexts and the selections made into a device context.
// Every owner frees its handle when it goes; release() hands the handle over to a new owner (a DIB
// given to a document, a bitmap or palette given to the clipboard).
#pragma once

#include <windows.h>

#include <cstddef>
#include <utility>

namespace quill {

// One global memory block, freed with GlobalFree.
class GlobalBlock {
 public:
  GlobalBlock() = default;
  explicit GlobalBlock(HGLOBAL block) : block_(block) {}
  ~GlobalBlock() { reset(); }
  GlobalBlock(GlobalBlock&& other) noexcept : block_(other.release()) {}
  GlobalBlock& operator=(GlobalBlock&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;

  // A movable, zero-filled block: the form every DIB and transfer buffer of the program takes.
  static GlobalBlock AllocateMovable(SIZE_T bytes) {
    return GlobalBlock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
  }

  HGLOBAL get() const { return block_; }
  explicit operator bool() const { return block_ != nullptr; }
  HGLOBAL release() { return std::exchange(block_, nullptr); }
  void reset(HGLOBAL block = nullptr) {
    HGLOBAL old = std::exchange(block_, block);
    if (old) GlobalFree(old);
  }

 private:
  HGLOBAL block_ = nullptr;
};

// Keeps a global block locked for the lifetime of the guard; the block itself is not owned.
// A block that cannot be locked gives a guard without data.
class GlobalLockGuard {
 public:
  GlobalLockGuard() = default;
  explicit GlobalLockGuard(HGLOBAL block)
      : block_(block), data_(block ? GlobalLock(block) : nullptr) {
    if (!data_) block_ = nullptr;
  }
  ~GlobalLockGuard() { unlock(); }
  GlobalLockGuard(GlobalLockGuard&& other) noexcept
      : block_(std::exchange(other.block_, nullptr)), data_(std::exchange(other.data_, nullptr)) {}
  GlobalLockGuard& operator=(GlobalLockGuard&& other) noexcept {
    if (this != &other) {
      unlock();
      block_ = std::exchange(other.block_, nullptr);
      data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

  void* data() const { return data_; }
  BYTE* bytes() const { return static_cast<BYTE*>(data_); }
  // The size of the locked block as the system knows it (at least what was asked for).
  size_t size() const { return block_ ? GlobalSize(block_) : 0; }
  explicit operator bool() const { return data_ != nullptr; }

  void unlock() {
    if (data_) GlobalUnlock(block_);
    block_ = nullptr;
    data_ = nullptr;
  }

 private:
  HGLOBAL block_ = nullptr;
  void* data_ = nullptr;
};

// A GDI object (bitmap, palette, brush, pen, font, region), deleted with DeleteObject.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    Handle old = std::exchange(handle_, handle);
    if (old) DeleteObject(old);
  }

 private:
  Handle handle_ = nullptr;
};

using ScopedPalette = GdiObject<HPALETTE>;
using ScopedBitmap = GdiObject<HBITMAP>;
using ScopedBrush = GdiObject<HBRUSH>;
using ScopedPen = GdiObject<HPEN>;
using ScopedFont = GdiObject<HFONT>;
using ScopedRegion = GdiObject<HRGN>;

// A device context made with CreateCompatibleDC or CreateDC, deleted with DeleteDC.
class ScopedDc {
 public:
  ScopedDc() = default;
  explicit ScopedDc(HDC dc) : dc_(dc) {}
  ~ScopedDc() { reset(); }
  ScopedDc(ScopedDc&& other) noexcept : dc_(other.release()) {}
  ScopedDc& operator=(ScopedDc&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedDc(const ScopedDc&) = delete;
  ScopedDc& operator=(const ScopedDc&) = delete;

  static ScopedDc CompatibleWith(HDC dc) { return ScopedDc(CreateCompatibleDC(dc)); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  HDC release() { return std::exchange(dc_, nullptr); }
  void reset(HDC dc = nullptr) {
    HDC old = std::exchange(dc_, dc);
    if (old) DeleteDC(old);
  }

 private:
  HDC dc_ = nullptr;
};

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// The device context of a WM_PAINT, from BeginPaint, ended with EndPaint.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// Selects a GDI object into a device context and selects the previous one back at the end, so
// that the object can be deleted afterwards (a selected object cannot be).
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {
    if (previous_ == HGDI_ERROR) previous_ = nullptr;
  }
  ~ScopedSelection() {
    if (previous_) SelectObject(dc_, previous_);
  }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

  explicit operator bool() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Selects a palette into a device context and the previous palette back at the end, both times
// in the same foreground or background mode.
class ScopedPaletteSelection {
 public:
  ScopedPaletteSelection(HDC dc, HPALETTE palette, bool forceBackground)
      : dc_(dc),
        forceBackground_(forceBackground),
        previous_(dc && palette ? SelectPalette(dc, palette, forceBackground ? TRUE : FALSE)
                                : nullptr) {}
  ~ScopedPaletteSelection() {
    if (previous_) SelectPalette(dc_, previous_, forceBackground_ ? TRUE : FALSE);
  }
  ScopedPaletteSelection(const ScopedPaletteSelection&) = delete;
  ScopedPaletteSelection& operator=(const ScopedPaletteSelection&) = delete;

  explicit operator bool() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  bool forceBackground_;
  HPALETTE previous_;
};

}  // namespace quill
