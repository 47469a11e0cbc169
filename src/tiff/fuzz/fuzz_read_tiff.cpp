// Arbitrary bytes as a TIFF file through the whole read path: header, directory and entries,
// strips, CCITT decoding by the filter library's core and the rows of the picture. Whatever the
// bytes, the reader must stay inside its buffers and either refuse the file or fill the picture.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tiff/core_strip_decoder.h"
#include "tiff/tiff_picture.h"

namespace {

// Pictures up to 16 MB: larger ones are refused before any buffer is made, as a program short of
// memory would refuse them.
struct BoundedPicture : quill::TiffPictureSink {
  std::vector<uint8_t> pixels;
  uint8_t* Begin(const quill::TiffPictureFormat& format) override {
    const uint64_t bytes = uint64_t{format.rowStride} * format.height;
    if (bytes > (16u << 20) || format.rowStride < (uint64_t{format.width} * format.bitCount + 7) / 8) return nullptr;
    pixels.assign(static_cast<size_t>(bytes), 0);
    return pixels.data();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quill::MemoryTiffSource source(data, size);
  quill::CoreStripDecoder decoder;
  BoundedPicture picture;
  const quill::TiffReadFault fault = quill::ReadTiffPicture(source, &decoder, 4, picture);
  if (fault == quill::TiffReadFault::kNone && picture.pixels.empty()) std::abort();
  return 0;
}
