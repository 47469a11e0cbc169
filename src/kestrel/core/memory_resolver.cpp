#include "kestrel/core/memory_resolver.h"

namespace kestrel {

std::optional<ByteSpan> ArenaMemory::resolve(uint32_t address, uint32_t length, Access) {
    if (address == 0 || address < base_) return std::nullopt;
    const uint64_t offset = uint64_t{address} - base_;
    if (offset + length > bytes_.size()) return std::nullopt;
    return ByteSpan{bytes_.data() + offset, length};
}

} // namespace kestrel
