#include "file.h"

#include <algorithm>

namespace qfw {
namespace {

// ReadFile and WriteFile take 32-bit counts.
const std::size_t kLargestCall = 0x40000000;

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

}  // namespace qfw
