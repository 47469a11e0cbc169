#include "framework/recent_file_list.h"

#include <windows.h>

#include <string.h>

#include <utility>

namespace qfw {
namespace {

const char kSection[] = "Recent File List";

std::string EntryName(std::size_t index) { return "File" + std::to_string(index + 1); }

}  // namespace

RecentFileList::RecentFileList(std::string profilePath, std::size_t capacity)
    : profilePath_(std::move(profilePath)), capacity_(capacity) {}

void RecentFileList::Read() {
  entries_.clear();
  for (std::size_t i = 0; i < capacity_; ++i) {
    char path[MAX_PATH] = "";
    GetPrivateProfileStringA(kSection, EntryName(i).c_str(), "", path, sizeof path,
                             profilePath_.c_str());
    if (path[0] == '\0') break;
    entries_.push_back(path);
  }
  changed_ = false;
}

void RecentFileList::Write() const {
  for (std::size_t i = 0; i < capacity_; ++i) {
    const char* value = i < entries_.size() ? entries_[i].c_str() : nullptr;
    WritePrivateProfileStringA(kSection, EntryName(i).c_str(), value, profilePath_.c_str());
  }
}

void RecentFileList::Add(const std::string& path) {
  if (capacity_ == 0 || path.empty()) return;
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (_stricmp(it->c_str(), path.c_str()) == 0) {
      entries_.erase(it);
      break;
    }
  }
  entries_.insert(entries_.begin(), path);
  if (entries_.size() > capacity_) entries_.resize(capacity_);
  changed_ = true;
}

}  // namespace qfw
