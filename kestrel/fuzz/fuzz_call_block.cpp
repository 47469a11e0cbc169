// Arbitrary bytes as the caller's memory, the call block at its start: whatever the block holds,
// the command runner must stay inside the arena and return a status.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "command_runner.h"

using namespace kestrel;

namespace {

class DiscardingFile : public OutputFile {
public:
    bool write(ConstByteSpan bytes) override {
        written_ += bytes.size;
        return true;
    }
    bool commit() override { return true; }

private:
    size_t written_ = 0;
};

class DiscardingFileSystem : public FileSystem {
public:
    std::unique_ptr<OutputFile> create(const std::string& name) override {
        if (name.size() % 5 == 4) return nullptr; // sometimes the file cannot be created
        return std::make_unique<DiscardingFile>();
    }
};

struct CountingSignal : CompletionSignal {
    void signal(uint32_t) override { ++count; }
    int count = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr uint32_t kBase = 0x10000;
    ArenaMemory memory(kBase, size);
    if (size) std::memcpy(memory.bytes().data(), data, size);
    DiscardingFileSystem files;
    CountingSignal signal;
    Environment env{memory, files, &signal};
    executeCallBlock(kBase, env);
    return 0;
}
