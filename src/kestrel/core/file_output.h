// Where the TIFF writer's bytes go. The portable default writes through std::FILE; the DLL may
// supply its own. A file that is not committed is removed again, so a failed command leaves no
// half-written file behind.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "kestrel/core/byte_span.h"

namespace kestrel {

class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool write(ConstByteSpan bytes) = 0;
    // Flushes and closes; false when the data could not all be stored.
    virtual bool commit() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // A new, empty file of that name, or nullptr when it cannot be created.
    virtual std::unique_ptr<OutputFile> create(const std::string& name) = 0;
};

class StdioFileSystem : public FileSystem {
public:
    std::unique_ptr<OutputFile> create(const std::string& name) override;
};

} // namespace kestrel
