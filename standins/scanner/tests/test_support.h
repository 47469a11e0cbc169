// Helpers of the scanner's tests: a scenario file for the source in this process, and the
// comparison of received images with the page generator.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "scanner/page_generator.h"

namespace tvscan_test {

// Writes `text` to a temporary scenario file and names it in TVSCAN_SCENARIO while it lives.
class ScenarioFile {
 public:
  explicit ScenarioFile(const std::string& text);
  ~ScenarioFile();
  ScenarioFile(const ScenarioFile&) = delete;
  ScenarioFile& operator=(const ScenarioFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

::testing::AssertionResult SameRaster(const tvscan::Raster& expected, const tvscan::Raster& actual);

// Finds a visible top-level dialog of this process with that caption, waiting up to 10 s.
HWND WaitForDialog(const char* caption);

}  // namespace tvscan_test
