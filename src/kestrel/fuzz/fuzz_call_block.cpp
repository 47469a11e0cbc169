// Arbitrary bytes as the caller's memory, the call block at its start: whatever the block holds,
// the command runner must stay inside the arena and return a status. The input is laid over a
// well-formed block (byte by byte, exclusive or), so that small inputs already reach the commands.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/byte_order.h"
#include "kestrel/core/command_runner.h"

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

using byte_order::WriteLittle16;
using byte_order::WriteLittle32;

// A G4 decode of 16 rows of 64 pixels from the data area into the output area.
void layWellFormedBlock(uint8_t* a, uint32_t base) {
    WriteLittle16(a, 24);
    a[2] = 3;
    WriteLittle32(a + 12, base + 24);
    WriteLittle32(a + 16, base + 32);
    WriteLittle32(a + 20, base + 44);
    WriteLittle16(a + 24, 8);
    WriteLittle32(a + 28, base + 0x180);
    std::memcpy(a + 0x180, "out.tif", 8);
    WriteLittle16(a + 32, 12);
    WriteLittle16(a + 34, 0x0302);
    WriteLittle32(a + 40, base + 0x100);
    WriteLittle16(a + 44, 40);
    a[44 + 3] = 200;
    a[44 + 5] = 200;
    a[44 + 26] = 1;
    uint8_t* params = a + 0x100;
    WriteLittle32(params + 0, 0x00030003);
    WriteLittle32(params + 4, 0x100);
    WriteLittle32(params + 8, 8);
    WriteLittle32(params + 12, 16);
    WriteLittle32(params + 20, base + 0x200);
    WriteLittle32(params + 28, 0x100);
    WriteLittle32(params + 44, base + 0x300);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr uint32_t kBase = 0x10000;
    constexpr size_t kTemplate = 0x400;
    ArenaMemory memory(kBase, std::max(size, kTemplate));
    uint8_t* arena = memory.bytes().data();
    layWellFormedBlock(arena, kBase);
    for (size_t i = 0; i < size; ++i) arena[i] ^= data[i];
    DiscardingFileSystem files;
    CountingSignal signal;
    Environment env{memory, files, &signal};
    executeCallBlock(kBase, env);
    return 0;
}
