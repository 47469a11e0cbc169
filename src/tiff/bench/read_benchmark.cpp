// The portable read path (directory, strips, decoding, rows turned into a DIB's) against libtiff
// reading the same files' strips into rows with TIFFReadEncodedStrip, in the same run: a 300 dpi
// A4 page coded in Group 4 strips of 64 rows, and an uncompressed 24-bit A4 colour page.
// A benchmark, not a test: it prints figures and judges nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tiff/core_strip_decoder.h"
#include "kestrel/tests/test_support.h"
#include "tiff/tiff_picture.h"

namespace {

constexpr uint32_t kWidth = 2480;   // A4 at 300 dpi
constexpr uint32_t kHeight = 3508;

std::string PagePath(const char* name) { return std::string("/tmp/quill_tiff_bench_") + name + ".tif"; }

// An A4 page file opened for writing with the fields both pages share; aborts when it cannot be.
TIFF* StartPage(const char* name, uint16_t bitsPerSample, uint16_t samplesPerPixel, uint16_t compression,
                uint16_t photometric) {
  TIFF* tiff = TIFFOpen(PagePath(name).c_str(), "w");
  if (!tiff) std::abort();
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bitsPerSample);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  return tiff;
}

void WritePages() {
  static bool written = false;
  if (written) return;
  written = true;
  const kestrel::test::Bitmap page = kestrel::test::pageImage(kestrel::test::PageKind::Text, kWidth, kHeight, 1);
  TIFF* g4 = StartPage("g4", 1, 1, COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(g4, TIFFTAG_ROWSPERSTRIP, 64);
  TIFFSetField(g4, TIFFTAG_XRESOLUTION, 300.0);
  TIFFSetField(g4, TIFFTAG_YRESOLUTION, 300.0);
  TIFFSetField(g4, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  for (uint32_t y = 0; y < kHeight; ++y) {
    if (TIFFWriteScanline(g4, const_cast<uint8_t*>(page.bits.data() + page.stride * y), y, 0) < 0) std::abort();
  }
  TIFFClose(g4);

  TIFF* rgb = StartPage("rgb", 8, 3, COMPRESSION_NONE, PHOTOMETRIC_RGB);
  TIFFSetField(rgb, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(rgb, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(rgb, 0));
  std::vector<uint8_t> row(size_t{kWidth} * 3);
  std::mt19937 random(5);
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 255 / kWidth);
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / kHeight);
      row[3 * x + 2] = static_cast<uint8_t>(random());
    }
    if (TIFFWriteScanline(rgb, row.data(), y, 0) < 0) std::abort();
  }
  TIFFClose(rgb);
}

struct PictureInMemory : quill::TiffPictureSink {
  std::vector<uint8_t> pixels;
  uint8_t* Begin(const quill::TiffPictureFormat& format) override {
    pixels.assign(size_t{format.rowStride} * format.height, 0);
    return pixels.data();
  }
};

bool ReadOnce(benchmark::State& state, quill::TiffSource& source, quill::CcittStripDecoder& decoder) {
  PictureInMemory picture;
  if (quill::ReadTiffPicture(source, &decoder, 4, picture) != quill::TiffReadFault::kNone) {
    state.SkipWithError("the page was not read");
    return false;
  }
  benchmark::DoNotOptimize(picture.pixels.data());
  return true;
}

void Ours(benchmark::State& state, const char* name) {
  WritePages();
  const std::string path = PagePath(name);
  quill::CoreStripDecoder decoder;
  for (auto _ : state) {
    quill::FileTiffSource source(path.c_str());
    if (!ReadOnce(state, source, decoder)) return;
  }
}

// The same through a mapped view of the file, as libtiff reads it by default. (The program reads
// files through FileTiffSource, as `Ours` does.)
void OursMapped(benchmark::State& state, const char* name) {
  WritePages();
  const std::string path = PagePath(name);
  quill::CoreStripDecoder decoder;
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat info = {};
    if (fd < 0 || fstat(fd, &info) != 0) {
      state.SkipWithError("the page could not be opened");
      return;
    }
    void* view = mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (view == MAP_FAILED) {
      state.SkipWithError("the page could not be mapped");
      return;
    }
    quill::MemoryTiffSource source(static_cast<const uint8_t*>(view), static_cast<size_t>(info.st_size));
    const bool read = ReadOnce(state, source, decoder);
    munmap(view, static_cast<size_t>(info.st_size));
    if (!read) return;
  }
}

// libtiff as it opens files by default (a mapped view), and with mapping off ("rm"): then it reads
// each uncompressed strip with one system call straight into the caller's rows.
void Libtiff(benchmark::State& state, const char* name, const char* mode) {
  WritePages();
  const std::string path = PagePath(name);
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    TIFF* tiff = TIFFOpen(path.c_str(), mode);
    if (!tiff) {
      state.SkipWithError("libtiff could not open the page");
      return;
    }
    const tmsize_t stripSize = TIFFStripSize(tiff);
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    std::vector<uint8_t> rows(static_cast<size_t>(stripSize) * strips, 0);
    for (uint32_t s = 0; s < strips; ++s) {
      if (TIFFReadEncodedStrip(tiff, s, rows.data() + static_cast<size_t>(stripSize) * s, stripSize) < 0) {
        state.SkipWithError("libtiff could not read a strip");
        break;
      }
    }
    benchmark::DoNotOptimize(rows.data());
    TIFFClose(tiff);
  }
}

BENCHMARK_CAPTURE(Ours, a4_g4_300dpi_64_row_strips, "g4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursMapped, a4_g4_300dpi_64_row_strips, "g4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, a4_g4_300dpi_64_row_strips, "g4", "r")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, a4_g4_300dpi_64_row_strips_unmapped, "g4", "rm")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, a4_rgb24_300dpi, "rgb")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OursMapped, a4_rgb24_300dpi, "rgb")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, a4_rgb24_300dpi, "rgb", "r")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, a4_rgb24_300dpi_unmapped, "rgb", "rm")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
