// A file for reading and writing whole blocks, closed with the object. Read and write errors are
// thrown as FileException, so that a whole load or save can be given up in one place.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>

#include "framework/handles.h"

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

// A file that is to replace whatever `target` names, written first under a temporary name in the
// target's own folder and put in place in one step once it is whole: a write that fails leaves
// the old file as it was, and a replacement that fails leaves the new file where it can be kept.
// A temporary file that was neither put in place nor kept is deleted with the object.
class ReplacementFile {
 public:
  explicit ReplacementFile(std::string target) : target_(std::move(target)) {}
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Makes the empty temporary file. False, with the system's error, when the folder takes none.
  bool Create(DWORD* error);
  const std::string& TemporaryPath() const { return temporary_; }
  // Replaces the target (or creates it) with the temporary file. False, with the system's error,
  // when that could not be done: the target is then unchanged and the temporary file still there.
  bool Commit(DWORD* error);
  // After a failed Commit: the temporary file moved to a free name beside the target (see
  // MoveToFreeName), or left under its temporary name when no free name could be taken; either
  // way it is no longer deleted. The name it has now; empty when there was no temporary file.
  std::string Keep();

 private:
  std::string target_;
  std::string temporary_;
};

// Moves `from` to `wanted`, or when that name is taken to the first free "STEM~N.EXT" beside it
// (N from 1 to 999); never over an existing file. The name it got, or empty when none was free or
// the move failed.
std::string MoveToFreeName(const std::string& from, const std::string& wanted);

}  // namespace qfw
