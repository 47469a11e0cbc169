// Pages per second of whole acquisitions through the source manager and the virtual scanner:
// 100 A4 pages at 300 dpi in black and white, in memory mode with Group 4 coding (decoded by
// KESTREL.DLL) and as native DIBs. Not a test: run it by hand under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "kestrel_filter.h"
#include "scanner/tests/test_support.h"
#include "transfer_support.h"

namespace {

constexpr int kPages = 100;

struct Measure {
  const char* name;
  LONG scanMech;
  LONG compress;
};

bool RunOne(const Measure& measure) {
  quill::JobSetup job;
  job.scanMech = measure.scanMech;
  job.compress = measure.compress;
  quill::ApplyJob(job);
  quill::PageSetup page;
  page.dpi = 300;  // A4: 2480 x 3507
  quill::BoxRecorder boxes;
  quill::CapturingConnection connection(page);
  connection.keepOwnedDibs = false;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  connection.Run(600000);
  QueryPerformanceCounter(&end);
  const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  const int pages = connection.handedOver;
  std::printf("%-28s %3d pages in %7.2f s: %6.2f pages/s%s\n", measure.name, pages, seconds,
              pages / seconds, boxes.shown.empty() ? "" : " (with reports)");
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
  quill::BindInstalledFilter();
  tvscan_test::ScenarioFile scenario("pages = " + std::to_string(kPages) + "\n");
  bool complete = RunOne({"memory, Group 4 (decoded)", 1, 4});
  complete = RunOne({"native", 0, 0}) && complete;
  quill::ReleaseProgramFilter();
  return complete ? 0 : 1;
}
