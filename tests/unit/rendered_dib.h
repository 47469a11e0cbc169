// Helpers shared by the image file tests: where the test executable lives, and a DIB as the
// system draws it, for comparing with what another tool reads from a file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "image/dib.h"

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
  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof target.bmiHeader;
  target.bmiHeader.biWidth = width;
  target.bmiHeader.biHeight = -height;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, section);
  StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, locked.pixels(),
                reinterpret_cast<const BITMAPINFO*>(locked.bytes()), DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
  std::vector<BYTE> rgb;
  const LONG stride = (width * 3 + 3) & ~3;
  for (LONG y = 0; y < height; ++y) {
    const BYTE* row = static_cast<const BYTE*>(bits) + y * stride;
    for (LONG x = 0; x < width; ++x) rgb.insert(rgb.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
  }
  SelectObject(dc, previous);
  DeleteObject(section);
  DeleteDC(dc);
  return rgb;
}

}  // namespace quill_test
