// What the in-process tests and the end-to-end tests both do with files and windows: write a BMP
// file for the program to open, count the program's top-level windows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace quill_test {

// Writes a BMP file: the file header, `info`, its colour table and `pixelBytes` bytes of pixels.
// A file that cannot be written fails the calling test and returns false.
bool WriteBmpFile(const std::string& path, const BITMAPINFOHEADER& info,
                  const std::vector<RGBQUAD>& colours, const void* pixels, size_t pixelBytes);

// Top-level windows of `className` in any process of the session; with `visibleOnly`, only the
// visible ones.
int CountTopLevelWindows(const char* className, bool visibleOnly);

}  // namespace quill_test
