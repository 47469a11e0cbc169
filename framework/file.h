// A file for reading and writing whole blocks, closed with the object. Read and write errors are
// thrown as FileException, so that a whole load or save can be given up in one place.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "handles.h"

namespace qfw {

struct FileException {
  DWORD error;       // the system's error code
  std::string path;  // the file it happened to
};

class File {
 public:
  enum class Mode {
    kReadDenyWrite,       // existing file, others may read but not write
    kReadExclusive,       // existing file, nobody else may open it meanwhile
    kCreateReadWrite,     // created anew (an existing one truncated), nobody else may open it
  };

  File() = default;
  // False, with the system's error in `error`, when the file cannot be opened.
  bool Open(const std::string& path, Mode mode, DWORD* error);
  bool IsOpen() const { return static_cast<bool>(handle_); }
  const std::string& Path() const { return path_; }

  // The file's length; throws when it cannot be read or exceeds what a block may hold.
  std::size_t GetLength() const;
  // Reads up to `count` bytes; returns how many arrived (fewer only at the end of the file).
  std::size_t Read(void* buffer, std::size_t count);
  // Writes all `count` bytes or throws.
  void Write(const void* buffer, std::size_t count);
  // Closes the file; a failure throws.
  void Close();
  // Closes the file and ignores every error: the caller is giving up anyway.
  void Abort() { handle_.reset(); }

 private:
  [[noreturn]] void Throw(DWORD error) const;

  UniqueKernelHandle handle_;
  std::string path_;
};

}  // namespace qfw
