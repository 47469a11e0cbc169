// Reading 16- and 32-bit numbers stored in a given byte order, whatever the machine's own order
// is. Portable: no windows.h. Values are assembled from bytes, so no pointer is ever read at an
// alignment the machine cannot take.
#pragma once

#include <cstdint>

namespace quill {

enum class ByteOrder : uint8_t { kLittleEndian, kBigEndian };

inline uint16_t LoadU16(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::kBigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1])
                                        : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

inline uint32_t LoadU32(const uint8_t* p, ByteOrder order) {
  if (order == ByteOrder::kBigEndian) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  }
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

}  // namespace quill
