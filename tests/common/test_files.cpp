#include "tests/common/test_files.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quill_test {

bool WriteBmpFile(const std::string& path, const BITMAPINFOHEADER& info,
                  const std::vector<RGBQUAD>& colours, const void* pixels, size_t pixelBytes) {
  const size_t tableBytes = colours.size() * sizeof(RGBQUAD);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = static_cast<DWORD>(sizeof file + sizeof info + tableBytes);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixelBytes);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(colours.data()),
            static_cast<std::streamsize>(tableBytes));
  out.write(static_cast<const char*>(pixels), static_cast<std::streamsize>(pixelBytes));
  out.close();
  if (!out) {
    ADD_FAILURE() << "cannot write the BMP file " << path;
    return false;
  }
  return true;
}

namespace {

struct WindowSearch {
  const char* className;
  bool visibleOnly;
  int count;
};

BOOL CALLBACK CountIfOfClass(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, search->className) == 0 && (!search->visibleOnly || IsWindowVisible(window))) {
    ++search->count;
  }
  return TRUE;
}

}  // namespace

int CountTopLevelWindows(const char* className, bool visibleOnly) {
  WindowSearch search{className, visibleOnly, 0};
  EnumWindows(CountIfOfClass, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

}  // namespace quill_test
