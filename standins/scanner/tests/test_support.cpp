#include "scanner/tests/test_support.h"

#include <cstdio>

namespace tvscan_test {

ScenarioFile::ScenarioFile(const std::string& text) {
  char folder[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, folder);
  path_ = std::string(folder) + "tvscan_scenario.txt";
  if (std::FILE* file = std::fopen(path_.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  SetEnvironmentVariableA("TVSCAN_SCENARIO", path_.c_str());
}

ScenarioFile::~ScenarioFile() {
  SetEnvironmentVariableA("TVSCAN_SCENARIO", nullptr);
  DeleteFileA(path_.c_str());
}

::testing::AssertionResult SameRaster(const tvscan::Raster& expected, const tvscan::Raster& actual) {
  if (expected.width != actual.width || expected.height != actual.height ||
      expected.bits_per_pixel != actual.bits_per_pixel) {
    return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << "x"
                                         << actual.bits_per_pixel << ", expected " << expected.width << "x"
                                         << expected.height << "x" << expected.bits_per_pixel;
  }
  for (uint32_t y = 0; y < expected.height; ++y) {
    for (size_t i = 0; i < expected.row_bytes; ++i) {
      if (expected.Row(y)[i] != actual.Row(y)[i]) {
        return ::testing::AssertionFailure() << "first difference in row " << y << " at byte " << i;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

HWND WaitForDialog(const char* caption) {
  for (int i = 0; i < 1000; ++i) {
    HWND dialog = FindWindowA("#32770", caption);
    if (dialog && IsWindowVisible(dialog)) return dialog;
    Sleep(10);
  }
  return nullptr;
}

}  // namespace tvscan_test
