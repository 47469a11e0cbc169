// The call block a caller hands to the library: a 24-byte header linking a file record (8 bytes,
// write-file command only), a buffer record (12 bytes) and an image record (40 bytes), and through
// the buffer record the 12-word parameter block. Little-endian except the image record's
// resolutions and sizes, which are big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/byte_order.h"
#include "kestrel/core/byte_span.h"
#include "kestrel/core/memory_resolver.h"
#include "kestrel/core/status.h"

namespace kestrel {

namespace layout {
constexpr uint32_t kHeaderSize = 24;
constexpr uint32_t kFileRecordSize = 8;
constexpr uint32_t kBufferRecordSize = 12;
constexpr uint32_t kImageRecordSize = 40;
constexpr uint32_t kParamWords = 12;
constexpr uint32_t kParamBytes = kParamWords * 4;
constexpr uint32_t kMaxFileName = 1024;

// Header offsets.
constexpr size_t kCommand = 2;
constexpr size_t kCompletionKind = 4;
constexpr size_t kStatus = 6;
constexpr size_t kEventHandle = 8;
constexpr size_t kFileRecord = 12;
constexpr size_t kBufferRecord = 16;
constexpr size_t kImageRecord = 20;

constexpr uint16_t kCompletionEvent = 2;
constexpr uint16_t kWhiteIsOneFlag = 0x8000; // in the buffer record's flags word
} // namespace layout

enum Command : uint8_t { kCommandWriteFile = 0, kCommandEncode = 2, kCommandDecode = 3 };

// Words of the parameter block.
enum ParamWord : size_t {
    kCodingBytes = 0,  // encode mode, encode K, decode or file mode, its K
    kInputBytes = 1,
    kRowBytes = 2,
    kRows = 3,
    kInputAddress = 5,
    kOutputBytes = 7,  // capacity in, bytes produced out
    kPixelWidth = 8,   // 0: the row length decides
    kPaletteAddress = 9,
    kPaletteEntries = 10,
    kOutputAddress = 11,
};

struct ImageRecord {
    uint16_t xDpi = 0;
    uint16_t yDpi = 0;
    uint32_t width1200 = 0;  // image width in 1/1200 inch
    uint32_t length1200 = 0;
    uint8_t bitsPerPixel = 0;
};

struct CallBlock {
    ByteSpan header;
    uint8_t command = 0;
    uint16_t completionKind = 0;
    uint32_t eventHandle = 0;
    std::string fileName; // write-file command only
    uint8_t fileFlag1 = 0, fileFlag2 = 0;
    uint8_t direction = 0;  // 1 file, 2 memory
    bool whiteIsZero = true;
    ImageRecord image;
    ByteSpan params; // the 48-byte parameter block

    uint32_t word(size_t index) const;
    void setWord(size_t index, uint32_t value);
    uint8_t encodeMode() const { return static_cast<uint8_t>(word(kCodingBytes)); }
    uint8_t encodeK() const { return static_cast<uint8_t>(word(kCodingBytes) >> 8); }
    uint8_t decodeMode() const { return static_cast<uint8_t>(word(kCodingBytes) >> 16); }
    uint8_t decodeK() const { return static_cast<uint8_t>(word(kCodingBytes) >> 24); }
};

struct ParsedBlock {
    Status status = kStatusSuccess; // anything else: the block could not be used
    CallBlock block;
};

// Reads the header at `headerAddress` and every record it links. When the header itself cannot be
// reached, block.header stays empty and the status is kStatusBadMemoryBlock.
ParsedBlock parseCallBlock(uint32_t headerAddress, MemoryResolver& memory);

} // namespace kestrel
