// Pixels as the tests compare and keep them: read back from a bitmap, the clipboard or the screen
// as 24-bit rows from the top, and packed into red, green, blue triples without row padding.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"
#include "tests/common/test_files.h"

namespace quill_test {

// The bytes of a 24-bit row, padded to 4 as the system pads them.
inline LONG Stride24(LONG width) { return (width * 3 + 3) & ~3; }

// 24-bit rows from the top as the system lays them out: blue first, each row padded to 4 bytes.
struct Rows24 {
  LONG width = 0;
  LONG height = 0;
  std::vector<BYTE> bgr;  // empty when the pixels could not be read whole

  // Darker than a quarter of full brightness; a pixel outside (or not read) is not.
  bool IsDark(LONG x, LONG y) const {
    if (x < 0 || y < 0 || x >= width || y >= height || bgr.empty()) return false;
    const BYTE* p = &bgr[static_cast<size_t>(y) * Stride24(width) + static_cast<size_t>(x) * 3];
    return p[0] + p[1] + p[2] < 3 * 64;
  }
};

// The header that asks the system for `width` x `height` pixels laid out as Rows24 holds them.
inline BITMAPINFO TopDown24(LONG width, LONG height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  return info;
}

// Red, green, blue triples, rows from the top, of `height` rows laid out as Rows24 holds them.
inline std::vector<BYTE> PackedRgb(const BYTE* bgr, LONG width, LONG height) {
  std::vector<BYTE> rgb;
  rgb.reserve(static_cast<size_t>(width) * height * 3);
  for (LONG y = 0; y < height; ++y) {
    const BYTE* row = bgr + static_cast<size_t>(y) * Stride24(width);
    for (LONG x = 0; x < width; ++x) rgb.insert(rgb.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
  }
  return rgb;
}

// The pixels of a device-dependent bitmap, read through `dc`.
inline Rows24 ReadBitmap(HDC dc, HBITMAP bitmap, LONG width, LONG height) {
  Rows24 rows{width, height, std::vector<BYTE>(static_cast<size_t>(Stride24(width)) * height)};
  BITMAPINFO request = TopDown24(width, height);
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows.bgr.data(), &request, DIB_RGB_COLORS) != height) {
    rows.bgr.clear();
  }
  return rows;
}

// The clipboard's bitmap as packed RGB, with its size; empty when there is none or it could not
// be read whole.
inline std::vector<BYTE> ClipboardRgb(LONG& width, LONG& height) {
  qfw::ScopedClipboard clipboard(nullptr);
  if (!clipboard) return {};
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return {};
  width = info.bmWidth;
  height = info.bmHeight;
  qfw::WindowDc screen(nullptr);
  const Rows24 rows = ReadBitmap(screen.get(), bitmap, width, height);
  return rows.bgr.empty() ? std::vector<BYTE>() : PackedRgb(rows.bgr.data(), width, height);
}

// What the screen shows of a window's client area. Read from the screen: another process's
// window surface is not this process's to read.
inline Rows24 CaptureClient(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  qfw::WindowDc screen(nullptr);
  qfw::ScopedDc memory = qfw::ScopedDc::CompatibleWith(screen.get());
  qfw::ScopedBitmap bitmap(CreateCompatibleBitmap(screen.get(), client.right, client.bottom));
  {
    qfw::ScopedSelection selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, client.right, client.bottom, screen.get(), origin.x, origin.y, SRCCOPY);
  }
  return ReadBitmap(memory.get(), bitmap.get(), client.right, client.bottom);
}

// CaptureClient, also saved as a BMP file at `savePath` for people to look at; a file that could
// not be written leaves the pixels empty, so that the test relying on them fails.
inline Rows24 Screenshot(HWND window, const std::string& savePath) {
  Rows24 rows = CaptureClient(window);
  if (rows.bgr.empty()) return rows;
  const BITMAPINFO header = TopDown24(rows.width, rows.height);
  if (!WriteBmpFile(savePath, header.bmiHeader, {}, rows.bgr.data(), rows.bgr.size())) rows.bgr.clear();
  return rows;
}

}  // namespace quill_test
