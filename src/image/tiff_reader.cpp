#include "image/tiff_reader.h"

#include <cstring>
#include <string>

#include "image/dib.h"
#include "filter/kestrel_filter.h"
#include "framework/message_box.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "config/scan_settings.h"

namespace quill {
namespace {

uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(p)); }

// One strip at a time through the filter object, with the words the library reads for a decode.
class FilterStripDecoder : public CcittStripDecoder {
 public:
  explicit FilterStripDecoder(KestrelFilter* filter) : filter_(filter) {}

  bool Decode(const CcittStripJob& job, uint32_t& produced) override {
    produced = 0;
    if (!filter_) return false;
    // Freed on every way out, the library's failures included.
    struct WorkBuffer {
      KestrelFilter& filter;
      ~WorkBuffer() { filter.FreeWorkBuffer(); }
    };
    try {
      CodingParams params{};
      filter_->Reset();
      filter_->SetDecode(static_cast<uint8_t>(job.coding), job.k);
      filter_->SetXResolution(job.xDpi);
      filter_->SetYResolution(job.yDpi);
      filter_->SetImageWidth(job.width1200);
      filter_->SetImageLength(job.length1200);
      filter_->SetBitsPerPixel(job.bitsPerPixel);
      filter_->AllocWorkBuffer(size_t{2} * job.lineBytes);
      WorkBuffer workBuffer{*filter_};
      filter_->SetWhiteIsZero(job.whiteIsZero ? 1 : 0);
      params.word[1] = job.codedBytes;
      params.word[2] = job.lineBytes;
      params.word[3] = job.rows;
      params.word[5] = Address(job.coded);
      params.word[7] = job.capacity;
      // The row's pixels: without them the library would take the padded line as the width.
      params.word[8] = job.pixelWidth;
      params.word[11] = Address(job.output);
      filter_->Execute(&params, kKestrelToMemory, 3);
      produced = params.word[7];
      return true;
    } catch (const CKestrelException&) {
      return false;
    }
  }

 private:
  KestrelFilter* filter_;
};

// The picture goes straight into a new DIB, which stays locked while it is filled.
class DibSink : public TiffPictureSink {
 public:
  uint8_t* Begin(const TiffPictureFormat& format) override {
    dib_ = CreateBlankDib(format.width, format.height, format.bitCount);
    lock_ = GlobalLockGuard(dib_.get());
    if (!lock_) return nullptr;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(lock_.bytes());
    header->biXPelsPerMeter = static_cast<LONG>(format.xPelsPerMeter);
    header->biYPelsPerMeter = static_cast<LONG>(format.yPelsPerMeter);
    const DWORD colors = GetDibColorCount(header);
    if (colors < format.colorCount) return nullptr;
    std::memcpy(lock_.bytes() + header->biSize, format.colors, size_t{format.colorCount} * 4);
    return GetDibPixels(header);
  }

  GlobalBlock Finish() {
    lock_ = GlobalLockGuard();
    return std::move(dib_);
  }

 private:
  GlobalBlock dib_;
  GlobalLockGuard lock_;
};

}  // namespace

GlobalBlock ReadTiffToDibWith(const char* path, KestrelFilter* filter, BYTE kFactor, TiffReadFault* fault) {
  TiffReadFault result = TiffReadFault::kNotTiff;
  GlobalBlock dib;
  FileTiffSource source(path ? path : "");
  if (path && source.IsOpen()) {
    FilterStripDecoder decoder(filter);
    DibSink sink;
    result = ReadTiffPicture(source, &decoder, kFactor, sink);
    if (result == TiffReadFault::kNone) dib = sink.Finish();
  }
  if (fault) *fault = result;
  return dib;
}

GlobalBlock ReadTiffToDib(const char* path) {
  return ReadTiffToDibWith(path, ProgramFilter(), static_cast<BYTE>(TheSettings().KFactor), nullptr);
}

GlobalBlock OpenTiffFileToDib(const char* path) {
  GlobalBlock dib = ReadTiffToDib(path);
  if (!dib) {
    const std::string text = qfw::LoadResourceString(IDS_FILE_LOAD_FAILURE);
    qfw::ShowMessageBox(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
  }
  return dib;
}

}  // namespace quill
