// Non-owning views of caller memory; the library never keeps them beyond one command.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel {

struct ConstByteSpan {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

struct ByteSpan {
    uint8_t* data = nullptr;
    size_t size = 0;
    operator ConstByteSpan() const { return ConstByteSpan{data, size}; }
};

} // namespace kestrel
