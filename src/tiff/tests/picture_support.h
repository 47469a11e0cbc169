// What the TIFF tests read pictures into: plain memory, and a decoder that records its jobs.
#pragma once

#include <vector>

#include "tiff/core_strip_decoder.h"
#include "tiff/tiff_picture.h"

namespace quill::test {

struct PictureInMemory : TiffPictureSink {
  TiffPictureFormat format;
  std::vector<uint8_t> pixels;
  uint8_t* Begin(const TiffPictureFormat& f) override {
    format = f;
    pixels.assign(size_t{f.rowStride} * f.height, 0);
    return pixels.data();
  }
  // Row y counted from the top, as the file stores it.
  const uint8_t* Row(uint32_t y) const { return pixels.data() + size_t{format.rowStride} * (format.height - 1 - y); }
};

struct RecordingDecoder : CcittStripDecoder {
  std::vector<CcittStripJob> jobs;
  CoreStripDecoder core;
  bool Decode(const CcittStripJob& job, uint32_t& produced) override {
    jobs.push_back(job);
    return core.Decode(job, produced);
  }
};

inline TiffReadFault ReadPicture(const std::vector<uint8_t>& file, PictureInMemory& picture,
                                 CcittStripDecoder* decoder = nullptr, uint8_t kFactor = 4) {
  MemoryTiffSource source(file.data(), file.size());
  CoreStripDecoder core;
  return ReadTiffPicture(source, decoder ? decoder : &core, kFactor, picture);
}

}  // namespace quill::test
