// Caller memory of this process, named by 32-bit addresses. The 64-bit program keeps its data below
// 4 GB, so an address is used as it is (zero-extended). Nothing is touched before the system has
// confirmed that every byte of the span is committed with the access the command needs: a block
// that names freed, reserved or protected memory gets a status instead of a crash.
#pragma once

#include "kestrel/core/memory_resolver.h"

namespace kestrel::win {

class ProcessMemory : public MemoryResolver {
public:
    std::optional<ByteSpan> resolve(uint32_t address, uint32_t length, Access access) override;
};

} // namespace kestrel::win
