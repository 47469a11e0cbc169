#include "framework/file.h"

#include <algorithm>

namespace qfw {
namespace {

// ReadFile and WriteFile take 32-bit counts.
const std::size_t kLargestCall = 0x40000000;

const char kTemporaryPrefix[] = "TVQ";
const int kMostFreeNameTries = 999;

// The folder part of a path, ending in a backslash; the current folder for a bare name.
std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool File::Open(const std::string& path, Mode mode, DWORD* error) {
  const bool create = mode == Mode::kCreateReadWrite;
  const DWORD share = mode == Mode::kReadDenyWrite ? FILE_SHARE_READ : 0;
  HANDLE file = CreateFileA(path.c_str(), create ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, share, nullptr,
                            create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return false;
  }
  handle_.reset(file);
  path_ = path;
  return true;
}

void File::Throw(DWORD error) const { throw FileException{error, path_}; }

std::size_t File::GetLength() const {
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(handle_.get(), &size)) Throw(GetLastError());
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > kLargestCall) {
    Throw(ERROR_FILE_TOO_LARGE);
  }
  return static_cast<std::size_t>(size.QuadPart);
}

std::size_t File::Read(void* buffer, std::size_t count) {
  std::size_t total = 0;
  auto* bytes = static_cast<BYTE*>(buffer);
  while (total < count) {
    const DWORD wanted = static_cast<DWORD>(std::min(count - total, kLargestCall));
    DWORD read = 0;
    if (!ReadFile(handle_.get(), bytes + total, wanted, &read, nullptr)) Throw(GetLastError());
    if (read == 0) break;
    total += read;
  }
  return total;
}

void File::Write(const void* buffer, std::size_t count) {
  std::size_t total = 0;
  const auto* bytes = static_cast<const BYTE*>(buffer);
  while (total < count) {
    const DWORD wanted = static_cast<DWORD>(std::min(count - total, kLargestCall));
    DWORD written = 0;
    if (!WriteFile(handle_.get(), bytes + total, wanted, &written, nullptr)) Throw(GetLastError());
    if (written == 0) Throw(ERROR_WRITE_FAULT);
    total += written;
  }
}

void File::Close() {
  if (!handle_) return;
  if (!CloseHandle(handle_.release())) Throw(GetLastError());
}

ReplacementFile::~ReplacementFile() {
  if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
}

bool ReplacementFile::Create(DWORD* error) {
  char name[MAX_PATH] = "";
  // Unique in the target's folder, so that the final move stays on one volume and is one step.
  if (!GetTempFileNameA(FolderOf(target_).c_str(), kTemporaryPrefix, 0, name)) {
    if (error) *error = GetLastError();
    return false;
  }
  temporary_ = name;
  return true;
}

bool ReplacementFile::Commit(DWORD* error) {
  if (temporary_.empty()) {
    if (error) *error = ERROR_FILE_NOT_FOUND;
    return false;
  }
  if (!MoveFileExA(temporary_.c_str(), target_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    if (error) *error = GetLastError();
    return false;
  }
  temporary_.clear();
  return true;
}

std::string ReplacementFile::Keep() {
  if (temporary_.empty()) return std::string();
  std::string kept = MoveToFreeName(temporary_, target_);
  if (kept.empty()) kept = temporary_;  // not moved, but no longer to be deleted either
  temporary_.clear();
  return kept;
}

std::string MoveToFreeName(const std::string& from, const std::string& wanted) {
  const std::string::size_type slash = wanted.find_last_of("\\/");
  const std::string::size_type dot = wanted.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExtension ? wanted.substr(0, dot) : wanted;
  const std::string extension = hasExtension ? wanted.substr(dot) : std::string();
  for (int n = 0; n <= kMostFreeNameTries; ++n) {
    const std::string candidate = n == 0 ? wanted : stem + "~" + std::to_string(n) + extension;
    if (candidate.size() >= MAX_PATH) return std::string();
    if (Exists(candidate)) continue;
    // Without MOVEFILE_REPLACE_EXISTING: a file that appeared meanwhile is never overwritten.
    if (MoveFileExA(from.c_str(), candidate.c_str(), 0)) return candidate;
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) {
      return std::string();
    }
  }
  return std::string();
}

}  // namespace qfw
