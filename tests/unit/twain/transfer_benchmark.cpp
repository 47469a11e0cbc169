// Pages per second of whole acquisitions through the source manager and the virtual scanner:
// 100 A4 pages at 300 dpi in black and white, in memory mode with Group 4 coding (decoded by
// KESTREL.DLL) and as native DIBs; and 100 such pages scanned to Group 4 TIFF files, with the
// time spent in the library's decoding, encoding and file writing. Not a test: run it by hand
// under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "filter/kestrel_filter.h"
#include "scanner/tests/test_support.h"
#include "tests/unit/twain/transfer_support.h"

namespace {

constexpr int kPages = 100;

struct Measure {
  const char* name;
  LONG scanMech;
  LONG compress;
  bool toTiffFiles = false;
};

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// The library binding with the time of each kind of command added up.
class TimedFilter : public quill::KestrelFilter {
 public:
  explicit TimedFilter(const std::string& path) : quill::KestrelFilter(path) {}
  WORD Execute(quill::CodingParams* params, UINT direction, UINT third) override {
    const double start = Now();
    struct Add {
      TimedFilter& self;
      double start;
      ~Add() {
        const double spent = Now() - start;
        switch (self.CallBlock().header.command) {
          case quill::kKestrelEncode: self.encodeSeconds += spent; break;
          case quill::kKestrelDecode: self.decodeSeconds += spent; break;
          default: self.fileSeconds += spent; break;
        }
      }
    } add{*this, start};
    return quill::KestrelFilter::Execute(params, direction, third);
  }
  double decodeSeconds = 0, encodeSeconds = 0, fileSeconds = 0;
};

TimedFilter* g_timedFilter = nullptr;

bool RunOne(const Measure& measure) {
  quill::JobSetup job;
  job.scanMech = measure.scanMech;
  job.compress = measure.compress;
  if (measure.toTiffFiles) {
    job.destination = 1;
    job.fileFormat = 1;
  }
  quill::ApplyJob(job);
  g_timedFilter->decodeSeconds = g_timedFilter->encodeSeconds = g_timedFilter->fileSeconds = 0;
  quill::PageSetup page;
  page.dpi = 300;  // A4: 2480 x 3507
  quill::BoxRecorder boxes;
  quill::CapturingConnection connection(page);
  connection.keepOwnedDibs = false;
  connection.realOutput = measure.toTiffFiles;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  connection.Run(600000);
  QueryPerformanceCounter(&end);
  const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  const int pages = measure.toTiffFiles ? static_cast<int>(connection.saved.size()) : int(connection.handedOver);
  std::printf("%-28s %3d pages in %7.2f s: %6.2f pages/s%s\n", measure.name, pages, seconds,
              pages / seconds, boxes.shown.empty() ? "" : " (with reports)");
  if (measure.toTiffFiles) {
    const double codec = g_timedFilter->decodeSeconds + g_timedFilter->encodeSeconds;
    std::printf("  %.1f pages/min; in the library: decode %.2f s, encode %.2f s (codec %.0f%% of the time), "
                "TIFF file writing %.2f s\n",
                pages * 60.0 / seconds, g_timedFilter->decodeSeconds, g_timedFilter->encodeSeconds,
                100.0 * codec / seconds, g_timedFilter->fileSeconds);
  }
  if (!connection.displayed.empty()) {
    // Spot check that the pages are the scanner's.
    std::printf("  first page %s, last page %s\n",
                quill::SamePage(connection.displayed.front(), 1, page) ? "matches" : "DIFFERS",
                quill::SamePage(connection.displayed.back(), pages, page) ? "matches" : "DIFFERS");
  }
  return pages == kPages;
}

}  // namespace

int main() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  auto timed = std::make_unique<TimedFilter>(std::string(windows) + "\\TWAIN_32\\TVDSRC32\\KESTREL.DLL");
  g_timedFilter = timed.get();
  quill::InstallProgramFilter(std::move(timed));
  tvscan_test::ScenarioFile scenario("pages = " + std::to_string(kPages) + "\n");
  bool complete = RunOne({"memory, Group 4 (decoded)", 1, 4});
  complete = RunOne({"native", 0, 0}) && complete;
  complete = RunOne({"memory, Group 4, to G4 TIFF files", 1, 4, true}) && complete;
  quill::ReleaseProgramFilter();
  return complete ? 0 : 1;
}
