// What the end-to-end tests change in the Wine prefix around one test: a scenario for the virtual
// scanner, and the source manager taken out of the Windows folder. Each is undone on destruction.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

inline std::string WindowsFolder() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, sizeof folder);
  return folder;
}

// The caption of the virtual scanner's own dialog, shown when a scan asks for its user interface.
constexpr char kScannerDialogCaption[] = "TALVORN Scanner";

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

// A copy of a file for the lifetime of this object (a data source placed among the others).
class FileCopied {
 public:
  FileCopied(const std::string& from, std::string to) : to_(std::move(to)) {
    copied_ = CopyFileA(from.c_str(), to_.c_str(), TRUE) != 0;
  }
  ~FileCopied() {
    if (copied_) DeleteFileA(to_.c_str());
  }
  FileCopied(const FileCopied&) = delete;
  FileCopied& operator=(const FileCopied&) = delete;
  bool copied() const { return copied_; }

 private:
  std::string to_;
  bool copied_ = false;
};

// The user's stored default data source, removed for the lifetime of this object: the source
// manager then takes the first source it finds. Whatever was stored comes back on destruction.
class DefaultSourceCleared {
 public:
  DefaultSourceCleared() {
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTwainKey, 0, KEY_READ | KEY_WRITE, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    char path[MAX_PATH] = "";
    DWORD size = sizeof path - 1;
    if (RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size) ==
        ERROR_SUCCESS) {
      stored_ = path;
      RegDeleteValueA(key_, kValue);
    }
  }
  ~DefaultSourceCleared() {
    if (!key_) return;
    if (stored_.empty()) {
      RegDeleteValueA(key_, kValue);
    } else {
      RegSetValueExA(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored_.c_str()),
                     static_cast<DWORD>(stored_.size() + 1));
    }
    RegCloseKey(key_);
  }
  DefaultSourceCleared(const DefaultSourceCleared&) = delete;
  DefaultSourceCleared& operator=(const DefaultSourceCleared&) = delete;
  // What the source manager stores now, as a path.
  std::string Current() const {
    char path[MAX_PATH] = "";
    DWORD size = sizeof path - 1;
    if (!key_ || RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(path),
                                  &size) != ERROR_SUCCESS) {
      return std::string();
    }
    return path;
  }

 private:
  static constexpr const char* kTwainKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\TWAIN";
  static constexpr const char* kValue = "Default Source";
  HKEY key_ = nullptr;
  std::string stored_;
};

// Number values of the program's settings for the lifetime of this object; what was stored
// before (or that nothing was) comes back on destruction.
class ProgramSettings {
 public:
  struct Value {
    const char* name;
    DWORD number;
    const char* text = nullptr;  // a text value (REG_SZ) instead of the number
  };

  explicit ProgramSettings(const std::vector<Value>& values) {
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    for (const Value& value : values) {
      Saved saved{value.name, 0, {}, false, REG_DWORD};
      BYTE data[1024] = {};
      DWORD size = sizeof data - 1;
      saved.existed = RegQueryValueExA(key_, value.name, nullptr, &saved.type, data, &size) == ERROR_SUCCESS;
      if (saved.type == REG_DWORD && size == sizeof(DWORD)) std::memcpy(&saved.number, data, sizeof(DWORD));
      saved.text.assign(reinterpret_cast<const char*>(data), size);
      saved_.push_back(saved);
      if (value.text) {
        RegSetValueExA(key_, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text),
                       static_cast<DWORD>(std::strlen(value.text)));
      } else {
        Write(value.name, value.number);
      }
    }
  }
  ~ProgramSettings() {
    if (!key_) return;
    for (const Saved& saved : saved_) {
      if (saved.existed) {
        RegSetValueExA(key_, saved.name.c_str(), 0, saved.type, reinterpret_cast<const BYTE*>(saved.text.data()),
                       static_cast<DWORD>(saved.text.size()));
      } else {
        RegDeleteValueA(key_, saved.name.c_str());
      }
    }
    RegCloseKey(key_);
  }
  ProgramSettings(const ProgramSettings&) = delete;
  ProgramSettings& operator=(const ProgramSettings&) = delete;
  bool written() const { return key_ != nullptr; }
  // A number as the program stored it, or `fallback` when there is none.
  DWORD Number(const char* name, DWORD fallback) const {
    DWORD value = 0, size = sizeof value, type = 0;
    if (!key_ || RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
      return fallback;
    }
    return value;
  }

 private:
  static constexpr const char* kKeyPath = "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\OPTION\\UTY";
  struct Saved {
    std::string name;
    DWORD number;
    std::string text;  // the stored bytes, whatever their type
    bool existed;
    DWORD type;
  };
  void Write(const std::string& name, DWORD number) {
    RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  }

  HKEY key_ = nullptr;
  std::vector<Saved> saved_;
};

// The virtual scanner's record of the triplets it answered, in a temporary file.
class ScannerTrace {
 public:
  ScannerTrace() {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    path_ = std::string(folder) + "quill_e2e_trace.txt";
    DeleteFileA(path_.c_str());
  }
  ~ScannerTrace() { DeleteFileA(path_.c_str()); }
  ScannerTrace(const ScannerTrace&) = delete;
  ScannerTrace& operator=(const ScannerTrace&) = delete;
  // The line for the scenario file.
  std::string ScenarioLine() const { return "trace = \"" + path_ + "\"\n"; }
  std::string Contents() const {
    std::string text;
    if (FILE* file = std::fopen(path_.c_str(), "rb")) {
      char buffer[4096];
      size_t read = 0;
      while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, read);
      std::fclose(file);
    }
    return text;
  }

 private:
  std::string path_;
};

}  // namespace e2e
