// Whole-program timing of a large image (not a test): a 5000 x 7000 24-bit BMP is opened through
// File Open, shown at full size, switched to Window Size and back; the times of the first paint
// and of repaints in each mode are printed. Run by hand under Wine:
//   scripts/wine-exec build/<arch>/tests/e2e/view_benchmark.exe
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "driver/program_driver.h"
#include "resource.h"

namespace {

void WriteLargeImage(const std::string& path, LONG width, LONG height) {
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(height);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  std::vector<BYTE> row(stride);
  for (LONG y = 0; y < height; ++y) {
    for (LONG x = 0; x < width; ++x) {
      row[x * 3] = static_cast<BYTE>(x);
      row[x * 3 + 1] = static_cast<BYTE>(y);
      row[x * 3 + 2] = static_cast<BYTE>((x ^ y) >> 3);
    }
    out.write(reinterpret_cast<const char*>(row.data()), stride);
  }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// Invalidates the view and waits until the program has painted it again.
double TimeRepaint(e2e::ProgramDriver& program, HWND view) {
  const LARGE_INTEGER start = Now();
  InvalidateRect(view, nullptr, FALSE);
  e2e::WaitFor([&] { return !GetUpdateRect(view, nullptr, FALSE); }, 60000);
  program.WaitUntilIdle(120000);
  return Seconds(start, Now());
}

}  // namespace

int main() {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  const std::string path = std::string(temp) + "large_5000x7000.bmp";
  WriteLargeImage(path, 5000, 7000);

  e2e::ProgramDriver program;
  if (!program.Start() || !program.WaitUntilIdle()) return 1;
  program.PostCommand(ID_FILE_OPEN);
  const LARGE_INTEGER opening = Now();
  if (!program.AnswerFileDialog("Open", path)) return 1;
  e2e::WaitFor([&] { return program.MdiChildTitles().size() == 1; }, 120000);
  HWND view = e2e::FindDescendant(program.MainWindow(), "QfwView");
  if (!view) return 1;
  e2e::WaitFor([&] { return !GetUpdateRect(view, nullptr, FALSE); }, 120000);
  program.WaitUntilIdle(120000);
  const double firstPaint = Seconds(opening, Now());
  const double fullRepaint = TimeRepaint(program, view);

  const LARGE_INTEGER switching = Now();
  program.PostCommand(ID_VIEW_WINDOWSIZE);
  e2e::WaitFor([&] { return (program.MenuItemState(ID_VIEW_WINDOWSIZE) & MF_CHECKED) != 0; }, 120000);
  e2e::WaitFor([&] { return !GetUpdateRect(view, nullptr, FALSE); }, 120000);
  program.WaitUntilIdle(120000);
  const double windowSizeFirst = Seconds(switching, Now());
  const double windowSizeRepaint = TimeRepaint(program, view);

  std::printf("5000 x 7000, 24 bits (%.0f MB):\n", 5000.0 * 7000 * 3 / 1e6);
  std::printf("  open and first paint at full size  %7.3f s\n", firstPaint);
  std::printf("  repaint at full size               %7.3f s\n", fullRepaint);
  std::printf("  switch to Window Size (reduced copy made) and paint %7.3f s\n", windowSizeFirst);
  std::printf("  repaint in Window Size             %7.3f s\n", windowSizeRepaint);

  program.PostCommand(ID_CLOSE_ALL);
  e2e::WaitFor([&] { return program.MdiChildTitles().empty(); }, 60000);
  DWORD exitCode = 1;
  program.Close(30000, &exitCode);
  DeleteFileA(path.c_str());
  return 0;
}
