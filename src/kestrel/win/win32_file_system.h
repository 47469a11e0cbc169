// TIFF output through the Win32 file functions, so that the library's files follow the same path
// rules as the program's. A file that is not committed is deleted again: a failed command leaves
// no half-written file behind.
#pragma once

#include "kestrel/core/file_output.h"

namespace kestrel::win {

class Win32FileSystem : public FileSystem {
public:
    std::unique_ptr<OutputFile> create(const std::string& name) override;
};

} // namespace kestrel::win
