// Move-only owners of the Windows handles the program and its libraries hold: registry keys,
// modules, menus, kernel handles, find handles, global memory blocks and their locks, GDI objects,
// device contexts, selections into a device context, the clipboard and paint pairs. Each frees its
// handle exactly once; release() hands the handle over to a new owner (a menu given to a window, a
// DIB given to a document, a bitmap or palette given to the clipboard).
#pragma once

#include <windows.h>

#include <cstddef>
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

// A FindFirstFile search, ended with FindClose. INVALID_HANDLE_VALUE is not a constant
// expression, so the search gets its own small type.
class UniqueFind {
 public:
  explicit UniqueFind(HANDLE handle) : handle_(handle) {}
  ~UniqueFind() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

struct GlobalFreer {
  void operator()(HGLOBAL block) const { GlobalFree(block); }
};

// One global memory block, freed with GlobalFree.
class GlobalBlock : public UniqueHandle<HGLOBAL, GlobalFreer> {
 public:
  using UniqueHandle::UniqueHandle;

  // A movable, zero-filled block: the form every DIB and transfer buffer of the program takes.
  static GlobalBlock AllocateMovable(SIZE_T bytes) {
    return GlobalBlock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
  }
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

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A GDI object (bitmap, palette, brush, pen, font, region), deleted with DeleteObject.
template <typename Handle>
using GdiObject = UniqueHandle<Handle, GdiObjectDeleter>;

using ScopedPalette = GdiObject<HPALETTE>;
using ScopedBitmap = GdiObject<HBITMAP>;
using ScopedBrush = GdiObject<HBRUSH>;
using ScopedPen = GdiObject<HPEN>;
using ScopedFont = GdiObject<HFONT>;
using ScopedRegion = GdiObject<HRGN>;

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};

// A device context made with CreateCompatibleDC or CreateDC, deleted with DeleteDC.
class ScopedDc : public UniqueHandle<HDC, DcDeleter> {
 public:
  using UniqueHandle::UniqueHandle;

  static ScopedDc CompatibleWith(HDC dc) { return ScopedDc(CreateCompatibleDC(dc)); }
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

// Selects a palette into a device context and the previous palette back at the end, in the
// same foreground or background mode unless told otherwise (a palette realised only for a
// moment goes back in the background, so that it does not take the foreground).
class ScopedPaletteSelection {
 public:
  ScopedPaletteSelection(HDC dc, HPALETTE palette, bool forceBackground)
      : ScopedPaletteSelection(dc, palette, forceBackground, forceBackground) {}
  ScopedPaletteSelection(HDC dc, HPALETTE palette, bool forceBackground, bool restoreInBackground)
      : dc_(dc),
        restoreInBackground_(restoreInBackground),
        previous_(dc && palette ? SelectPalette(dc, palette, forceBackground ? TRUE : FALSE)
                                : nullptr) {}
  ~ScopedPaletteSelection() {
    if (previous_) SelectPalette(dc_, previous_, restoreInBackground_ ? TRUE : FALSE);
  }
  ScopedPaletteSelection(const ScopedPaletteSelection&) = delete;
  ScopedPaletteSelection& operator=(const ScopedPaletteSelection&) = delete;

  explicit operator bool() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  bool restoreInBackground_;
  HPALETTE previous_;
};

// The clipboard, opened for one window for one scope and closed at its end.
class ScopedClipboard {
 public:
  explicit ScopedClipboard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ScopedClipboard() {
    if (open_) CloseClipboard();
  }
  ScopedClipboard(const ScopedClipboard&) = delete;
  ScopedClipboard& operator=(const ScopedClipboard&) = delete;

  explicit operator bool() const { return open_; }

 private:
  bool open_;
};

}  // namespace qfw
