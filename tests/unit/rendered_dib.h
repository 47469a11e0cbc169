// Helpers shared by the image file tests: where the test executable lives, and a DIB as the
// system draws it, for comparing with what another tool reads from a file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "image/dib.h"
#include "tests/common/screen_pixels.h"

namespace quill_test {

// The folder of the running test executable, ending in a backslash.
inline std::string ExeFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

// The DIB drawn by the system into a 24-bit top-down bitmap, as RGB rows without padding, top
// row first; empty for a DIB that does not pass the checked helpers.
inline std::vector<BYTE> RenderRgb(HGLOBAL dib) {
  quill::LockedDib locked(dib);
  if (!locked) return {};
  const LONG width = locked.layout().width;
  const LONG height = static_cast<LONG>(locked.layout().rowCount);
  const BITMAPINFO target = quill_test::TopDown24(width, height);
  void* bits = nullptr;
  qfw::ScopedDc dc = qfw::ScopedDc::CompatibleWith(nullptr);
  qfw::ScopedBitmap section(CreateDIBSection(dc.get(), &target, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section) return {};
  {
    qfw::ScopedSelection selected(dc.get(), section.get());
    StretchDIBits(dc.get(), 0, 0, width, height, 0, 0, width, height, locked.pixels(),
                  reinterpret_cast<const BITMAPINFO*>(locked.bytes()), DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
  }
  return quill_test::PackedRgb(static_cast<const BYTE*>(bits), width, height);
}

}  // namespace quill_test
