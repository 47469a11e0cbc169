// Runs one call block: parse it, run its command, leave the status (and the parameter block's
// output words) where the caller looks for them, then signal completion.
#pragma once

#include <cstdint>

#include "kestrel/core/call_block.h"
#include "kestrel/core/file_output.h"
#include "kestrel/core/memory_resolver.h"
#include "kestrel/core/status.h"

namespace kestrel {

// Tells the caller that a command is finished; the DLL sets its event object here.
class CompletionSignal {
public:
    virtual ~CompletionSignal() = default;
    virtual void signal(uint32_t eventHandle) = 0;
};

struct Environment {
    MemoryResolver& memory;
    FileSystem& files;
    CompletionSignal* completion = nullptr; // may be absent
};

// Widest row the library accepts, in pixels.
constexpr uint32_t kMaxPixelWidth = 1u << 20;
// Largest image, in bytes of uncompressed rows, the library is prepared to hold in memory.
constexpr uint64_t kMaxRasterBytes = uint64_t{1} << 28;

// Runs the command of an already parsed block and returns its status; updates word 7.
Status runCommand(CallBlock& block, Environment& env);

// The whole entry: returns the status that was (or, with an unreachable header, could not be)
// written into the header.
Status executeCallBlock(uint32_t headerAddress, Environment& env);

} // namespace kestrel
