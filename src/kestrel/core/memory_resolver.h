// How the library reaches caller memory named by 32-bit addresses. The DLL maps addresses onto its
// process; tests and fuzzers map them into an arena they own. Either way every access is checked
// before it is made.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "kestrel/core/byte_span.h"

namespace kestrel {

enum class Access { Read, ReadWrite };

class MemoryResolver {
public:
    virtual ~MemoryResolver() = default;
    // The `length` bytes at `address`, or nothing when any of them is not accessible. Address 0
    // is never accessible.
    virtual std::optional<ByteSpan> resolve(uint32_t address, uint32_t length, Access access) = 0;
};

// A block of bytes that pretends to live at a fixed 32-bit base address.
class ArenaMemory : public MemoryResolver {
public:
    ArenaMemory(uint32_t baseAddress, size_t size) : base_(baseAddress), bytes_(size) {}

    std::optional<ByteSpan> resolve(uint32_t address, uint32_t length, Access access) override;

    uint32_t base() const { return base_; }
    std::vector<uint8_t>& bytes() { return bytes_; }
    uint8_t* at(uint32_t address) { return bytes_.data() + (address - base_); }

private:
    uint32_t base_;
    std::vector<uint8_t> bytes_;
};

} // namespace kestrel
