// The recent-file list kept in the program's private profile file: section "Recent File List",
// entries "File1" (the newest) to "FileN".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qfw {

class RecentFileList {
 public:
  RecentFileList(std::string profilePath, std::size_t capacity);

  // Reads the entries from the profile file; missing entries end the list.
  void Read();
  // Writes every entry back, clearing the ones beyond the list.
  void Write() const;

  // Puts `path` first; a name already listed (in any letter case) moves up instead of appearing
  // twice, and the oldest entry falls off a full list.
  void Add(const std::string& path);

  const std::vector<std::string>& Entries() const { return entries_; }
  bool Changed() const { return changed_; }

 private:
  std::string profilePath_;
  std::size_t capacity_;
  std::vector<std::string> entries_;
  bool changed_ = false;
};

}  // namespace qfw
