// What the end-to-end tests change in the Wine prefix around one test: a scenario for the virtual
// scanner, and the source manager taken out of the Windows folder. Each is undone on destruction.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

namespace e2e {

inline std::string WindowsFolder() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, sizeof folder);
  return folder;
}

// A scenario file for the virtual scanner, named in the environment the program inherits.
class ScannerScenario {
 public:
  explicit ScannerScenario(const std::string& contents) {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    path_ = std::string(folder) + "quill_e2e_scenario.txt";
    if (FILE* file = std::fopen(path_.c_str(), "wb")) {
      std::fputs(contents.c_str(), file);
      std::fclose(file);
    }
    SetEnvironmentVariableA("TVSCAN_SCENARIO", path_.c_str());
  }
  ~ScannerScenario() {
    SetEnvironmentVariableA("TVSCAN_SCENARIO", nullptr);
    DeleteFileA(path_.c_str());
  }
  ScannerScenario(const ScannerScenario&) = delete;
  ScannerScenario& operator=(const ScannerScenario&) = delete;

 private:
  std::string path_;
};

// Moves a file aside for the lifetime of this object.
class FileMovedAside {
 public:
  explicit FileMovedAside(std::string path) : path_(std::move(path)), aside_(path_ + ".aside") {
    moved_ = MoveFileExA(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  ~FileMovedAside() {
    if (moved_) MoveFileExA(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  FileMovedAside(const FileMovedAside&) = delete;
  FileMovedAside& operator=(const FileMovedAside&) = delete;
  bool moved() const { return moved_; }

 private:
  std::string path_, aside_;
  bool moved_ = false;
};

// The source manager out of the Windows folder for the lifetime of this object.
class SourceManagerRemoved : public FileMovedAside {
 public:
  SourceManagerRemoved() : FileMovedAside(WindowsFolder() + "\\twain_32.dll") {}
};

}  // namespace e2e
