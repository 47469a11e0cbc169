#include "tiff/core_strip_decoder.h"

#include <optional>

#include "kestrel/core/call_block.h"
#include "kestrel/core/command_runner.h"
#include "kestrel/core/file_output.h"
#include "kestrel/core/memory_resolver.h"

namespace quill {
namespace {

// The two spans of one decode, at the 32-bit addresses the parameter block names them by.
constexpr uint32_t kCodedAddress = 0x10000000u;
constexpr uint32_t kOutputAddress = 0x40000000u;

class StripMemory : public kestrel::MemoryResolver {
 public:
  explicit StripMemory(const CcittStripJob& job) : job_(job) {}
  std::optional<kestrel::ByteSpan> resolve(uint32_t address, uint32_t length, kestrel::Access access) override {
    if (address == kCodedAddress && access == kestrel::Access::Read && length <= job_.codedBytes) {
      return kestrel::ByteSpan{const_cast<uint8_t*>(job_.coded), length};
    }
    if (address == kOutputAddress && length <= job_.capacity) return kestrel::ByteSpan{job_.output, length};
    return std::nullopt;
  }

 private:
  const CcittStripJob& job_;
};

}  // namespace

bool CoreStripDecoder::Decode(const CcittStripJob& job, uint32_t& produced) {
  uint8_t params[kestrel::layout::kParamBytes] = {};
  kestrel::CallBlock block;
  block.command = kestrel::kCommandDecode;
  block.direction = 2;
  block.whiteIsZero = job.whiteIsZero;
  block.image.xDpi = job.xDpi;
  block.image.yDpi = job.yDpi;
  block.image.width1200 = job.width1200;
  block.image.length1200 = job.length1200;
  block.image.bitsPerPixel = job.bitsPerPixel;
  block.params = kestrel::ByteSpan{params, sizeof params};
  block.setWord(kestrel::kCodingBytes, uint32_t{static_cast<uint8_t>(job.coding)} << 16 | uint32_t{job.k} << 24);
  block.setWord(kestrel::kInputBytes, job.codedBytes);
  block.setWord(kestrel::kRowBytes, job.lineBytes);
  block.setWord(kestrel::kRows, job.rows);
  block.setWord(kestrel::kInputAddress, kCodedAddress);
  block.setWord(kestrel::kOutputBytes, job.capacity);
  block.setWord(kestrel::kPixelWidth, job.pixelWidth);
  block.setWord(kestrel::kOutputAddress, kOutputAddress);

  StripMemory memory(job);
  kestrel::StdioFileSystem files;
  kestrel::Environment env{memory, files, nullptr};
  const kestrel::Status status = kestrel::runCommand(block, env);
  produced = block.word(kestrel::kOutputBytes);
  return status == kestrel::kStatusSuccess || status == kestrel::kStatusRepaired;
}

}  // namespace quill
