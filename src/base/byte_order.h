// Numbers in byte buffers of a fixed byte order: the filter library's call block and TIFF files
// (little-endian, with big-endian fields in the image record), BMP files and DIB headers. Byte by
// byte, so that a field need not be aligned and the host's order never matters. Portable: no
// windows.h.
#pragma once

#include <cstdint>
#include <vector>

namespace byte_order {

inline uint16_t ReadLittle16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLittle32(const uint8_t* p) {
  return ReadLittle16(p) | (uint32_t{ReadLittle16(p + 2)} << 16);
}
inline uint16_t ReadBig16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t ReadBig32(const uint8_t* p) {
  return (uint32_t{ReadBig16(p)} << 16) | ReadBig16(p + 2);
}

// An order known only at run time, as a TIFF file names its own.
enum class ByteOrder : uint8_t { kLittleEndian, kBigEndian };
inline uint16_t Read16(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::kBigEndian ? ReadBig16(p) : ReadLittle16(p);
}
inline uint32_t Read32(const uint8_t* p, ByteOrder order) {
  return order == ByteOrder::kBigEndian ? ReadBig32(p) : ReadLittle32(p);
}

inline void WriteLittle16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLittle32(uint8_t* p, uint32_t v) {
  WriteLittle16(p, static_cast<uint16_t>(v));
  WriteLittle16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline void WriteBig16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void WriteBig32(uint8_t* p, uint32_t v) {
  WriteBig16(p, static_cast<uint16_t>(v >> 16));
  WriteBig16(p + 2, static_cast<uint16_t>(v));
}

inline void AppendLittle16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void AppendLittle32(std::vector<uint8_t>& out, uint32_t v) {
  AppendLittle16(out, static_cast<uint16_t>(v));
  AppendLittle16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace byte_order
