// The data sources installed on this machine, found as the classic source manager finds them:
// every *.ds file anywhere below the Windows folder's twain_32 subfolder. The default source is
// remembered as the full path of its .ds file in the current user's registry.
#pragma once

#include <string>
#include <vector>

#include "protocol/twain_protocol.h"

namespace twaindsm {

struct SourceEntry {
  std::string path;      // full path of the .ds file
  TW_IDENTITY identity;  // as the source reports it for DAT_IDENTITY MSG_GET; Id 0
};

// Folder searched for sources: the Windows folder's twain_32 subfolder.
std::string SourceFolder();

// Every source below `folder` that loads and answers DAT_IDENTITY MSG_GET, in a stable order:
// each folder's entries sorted by name (case-insensitive), files and subfolders alike.
std::vector<SourceEntry> FindSources(const std::string& folder, const TW_IDENTITY& application);

// The stored default source path, empty when none is stored.
std::string ReadDefaultSourcePath();
bool WriteDefaultSourcePath(const std::string& path);

// Index of the default source: the stored one while it is still installed, else the first.
// Only meaningful for a non-empty catalog.
size_t DefaultSourceIndex(const std::vector<SourceEntry>& sources, const std::string& stored);

// Index of the source named `product_name` (exact match), or sources.size().
size_t FindByProductName(const std::vector<SourceEntry>& sources, const char* product_name);

}  // namespace twaindsm
