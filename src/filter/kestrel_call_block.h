// The record KESTREL.DLL reads: a 24-byte header that links a file record, a buffer record and an
// image record, laid out one after the other. Little-endian (the machine's order) except the
// image record's resolutions and sizes, which the library reads big-endian and which are therefore
// kept as bytes here. Address fields are 32 bits wide.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "kestrel/core/coding_mode.h"
#include "kestrel/core/status.h"

namespace quill {

// The 12-word parameter block of one coding command, owned by the caller. Word 0 is written by
// Execute (coding bytes); the callers fill the others.
struct CodingParams {
  uint32_t word[12];
};
static_assert(sizeof(CodingParams) == 48, "the library reads 12 words");

#pragma pack(push, 1)
struct KestrelHeader {
  uint16_t size;            // 24
  uint8_t command;          // KestrelCommand
  uint8_t reserved;
  uint16_t completionKind;  // 0, or 2 when the event below is to be signalled
  uint16_t status;          // written by the library
  uint32_t eventHandle;
  uint32_t fileRecord;      // linked only for the write-file command
  uint32_t bufferRecord;
  uint32_t imageRecord;
};

struct KestrelFileRecord {
  uint16_t size;  // 8
  uint8_t flag1;
  uint8_t flag2;
  uint32_t fileName;  // zero-terminated
};

struct KestrelBufferRecord {
  uint16_t size;   // 12
  uint16_t flags;  // low byte direction; high byte Execute's third argument, 0x80 = white is 1
  uint32_t workBuffer;
  uint32_t params;  // CodingParams
};

struct KestrelImageRecord {
  uint16_t size;  // 40
  uint8_t xResolution[2];
  uint8_t yResolution[2];
  uint8_t reserved1[8];
  uint8_t width[4];
  uint8_t length[4];
  uint8_t reserved2[4];
  uint8_t bitsPerPixel;
  uint8_t reserved3[13];
};

struct KestrelCallBlock {
  KestrelHeader header;
  KestrelFileRecord file;
  KestrelBufferRecord buffer;
  KestrelImageRecord image;
};
#pragma pack(pop)

enum KestrelCommand : uint8_t {
  kKestrelWriteFile = 0,
  kKestrelEncode = 2,
  kKestrelDecode = 3,
};

enum KestrelDirection : UINT {
  kKestrelToFile = 1,
  kKestrelToMemory = 2,
};

constexpr uint16_t kKestrelHeaderSize = 24;
constexpr uint16_t kKestrelFileRecordSize = 8;
constexpr uint16_t kKestrelBufferRecordSize = 12;
constexpr uint16_t kKestrelImageRecordSize = 40;
constexpr uint16_t kKestrelCompletionByEvent = 2;
constexpr uint8_t kKestrelWhiteIsOne = 0x80;  // in the flags word's high byte

// Offsets as the library reads them, from the start of the header.
static_assert(sizeof(KestrelHeader) == kKestrelHeaderSize, "header");
static_assert(sizeof(KestrelFileRecord) == kKestrelFileRecordSize, "file record");
static_assert(sizeof(KestrelBufferRecord) == kKestrelBufferRecordSize, "buffer record");
static_assert(sizeof(KestrelImageRecord) == kKestrelImageRecordSize, "image record");
static_assert(sizeof(KestrelCallBlock) == 84, "call block");
static_assert(offsetof(KestrelCallBlock, header.command) == 2, "command");
static_assert(offsetof(KestrelCallBlock, header.reserved) == 3, "reserved byte");
static_assert(offsetof(KestrelCallBlock, header.completionKind) == 4, "completion kind");
static_assert(offsetof(KestrelCallBlock, header.status) == 6, "status");
static_assert(offsetof(KestrelCallBlock, header.eventHandle) == 8, "event handle");
static_assert(offsetof(KestrelCallBlock, header.fileRecord) == 12, "file record link");
static_assert(offsetof(KestrelCallBlock, header.bufferRecord) == 16, "buffer record link");
static_assert(offsetof(KestrelCallBlock, header.imageRecord) == 20, "image record link");
static_assert(offsetof(KestrelCallBlock, file) == 24, "file record");
static_assert(offsetof(KestrelCallBlock, file.flag1) == 26, "file flag 1");
static_assert(offsetof(KestrelCallBlock, file.flag2) == 27, "file flag 2");
static_assert(offsetof(KestrelCallBlock, file.fileName) == 28, "file name");
static_assert(offsetof(KestrelCallBlock, buffer) == 32, "buffer record");
static_assert(offsetof(KestrelCallBlock, buffer.flags) == 34, "flags word");
static_assert(offsetof(KestrelCallBlock, buffer.workBuffer) == 36, "work buffer");
static_assert(offsetof(KestrelCallBlock, buffer.params) == 40, "parameter block");
static_assert(offsetof(KestrelCallBlock, image) == 44, "image record");
static_assert(offsetof(KestrelCallBlock, image.xResolution) == 46, "horizontal resolution");
static_assert(offsetof(KestrelCallBlock, image.yResolution) == 48, "vertical resolution");
static_assert(offsetof(KestrelCallBlock, image.reserved1) == 50, "zeros after the resolutions");
static_assert(offsetof(KestrelCallBlock, image.width) == 58, "image width");
static_assert(offsetof(KestrelCallBlock, image.length) == 62, "image length");
static_assert(offsetof(KestrelCallBlock, image.reserved2) == 66, "zeros after the sizes");
static_assert(offsetof(KestrelCallBlock, image.bitsPerPixel) == 70, "bits per pixel");
static_assert(offsetof(KestrelCallBlock, image.reserved3) == 71, "zeros at the end");

}  // namespace quill
