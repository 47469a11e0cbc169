// Whole-program timing of large images (not a test). Run by hand under Wine:
//   scripts/wine-exec build/<arch>/tests/e2e/view_benchmark.exe
// 1. A 5000 x 7000 24-bit BMP: the floor (the file read into memory with one ReadFile), then the
//    program's File Open to first paint at full size, its peak memory while opening, repaints, and
//    the switch to Window Size.
// 2. A 7016 x 9921 24-bit page (A3 at 600 dpi) must open and show.
// 3. A 30000 x 30000 24-bit page cannot be held by a 32-bit program: it must be refused with a
//    message, and the program must go on.
// Exits non-zero when a check of 2 or 3 fails.
//
// Under Xvfb there is no window manager, and Wine waits about 2 s for each closing top-level
// window (the file dialog among them) to be withdrawn by one. That wait is the display's, not the
// program's: the benchmark has Wine leave the program's windows unmanaged while it runs.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

UniqueHandle OpenForWriting(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return UniqueHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

bool WriteAll(HANDLE file, const void* bytes, DWORD count) {
  DWORD written = 0;
  return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

DWORD RowBytes(LONG width) { return (static_cast<DWORD>(width) * 3 + 3) & ~3u; }

bool WriteHeaders(HANDLE file, LONG width, LONG height) {
  BITMAPFILEHEADER header = {};
  BITMAPINFOHEADER info = {};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  const unsigned long long size =
      header.bfOffBits + static_cast<unsigned long long>(RowBytes(width)) * static_cast<DWORD>(height);
  header.bfSize = size > 0xFFFFFFFFull ? 0 : static_cast<DWORD>(size);
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  return WriteAll(file, &header, sizeof header) && WriteAll(file, &info, sizeof info);
}

// A picture with a pattern in every row, so that nothing is drawn from blank memory.
bool WritePatternImage(const std::string& path, LONG width, LONG height) {
  UniqueHandle file = OpenForWriting(path);
  if (!file || !WriteHeaders(file.get(), width, height)) return false;
  const DWORD stride = RowBytes(width);
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * 64);
  for (LONG y = 0; y < height; y += 64) {
    const LONG count = height - y < 64 ? height - y : 64;
    for (LONG r = 0; r < count; ++r) {
      BYTE* row = rows.data() + static_cast<std::size_t>(r) * stride;
      for (LONG x = 0; x < width; ++x) {
        row[x * 3] = static_cast<BYTE>(x);
        row[x * 3 + 1] = static_cast<BYTE>(y + r);
        row[x * 3 + 2] = static_cast<BYTE>((x ^ (y + r)) >> 3);
      }
    }
    if (!WriteAll(file.get(), rows.data(), stride * static_cast<DWORD>(count))) return false;
  }
  return true;
}

// Headers and the full length, the pixels left as a hole: a file of gigabytes written at once.
bool WriteHollowImage(const std::string& path, LONG width, LONG height) {
  UniqueHandle file = OpenForWriting(path);
  if (!file || !WriteHeaders(file.get(), width, height)) return false;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) +
                 static_cast<LONGLONG>(RowBytes(width)) * height;
  return SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
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

// The floor of any open: the whole file read into memory with one ReadFile.
double TimeOneRead(const std::string& path) {
  UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) file.release();
  if (!file) return -1;
  const LARGE_INTEGER start = Now();
  const DWORD size = GetFileSize(file.get(), nullptr);
  void* buffer = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!buffer) return -1;
  DWORD read = 0;
  const bool complete = ReadFile(file.get(), buffer, size, &read, nullptr) && read == size;
  const double seconds = Seconds(start, Now());
  VirtualFree(buffer, 0, MEM_RELEASE);
  return complete ? seconds : -1;
}

struct Memory {
  double workingSetMb = 0;
  double peakWorkingSetMb = 0;
};

Memory ProgramMemory(DWORD processId) {
  Memory memory;
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (process && GetProcessMemoryInfo(process.get(), &counters, sizeof counters)) {
    memory.workingSetMb = counters.WorkingSetSize / 1e6;
    memory.peakWorkingSetMb = counters.PeakWorkingSetSize / 1e6;
  }
  return memory;
}

// Sets HKCU\Software\Wine\X11 Driver "Managed" for the programs started while it lives, and
// puts the previous value back.
class UnmanagedWindows {
 public:
  UnmanagedWindows() {
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = sizeof previous_ - 1;
    had_ = RegQueryValueExA(key_, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(previous_), &size) ==
           ERROR_SUCCESS;
    RegSetValueExA(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
  }
  ~UnmanagedWindows() {
    if (!key_) return;
    if (had_) {
      RegSetValueExA(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_),
                     static_cast<DWORD>(lstrlenA(previous_) + 1));
    } else {
      RegDeleteValueA(key_, kValue);
    }
    RegCloseKey(key_);
  }
  UnmanagedWindows(const UnmanagedWindows&) = delete;
  UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

 private:
  static constexpr const char* kKey = "Software\\Wine\\X11 Driver";
  static constexpr const char* kValue = "Managed";
  HKEY key_ = nullptr;
  char previous_[16] = "";
  bool had_ = false;
};

HWND View(const e2e::ProgramDriver& program) { return e2e::FindDescendant(program.MainWindow(), "QfwView"); }

// Opens `path` through File Open; true when an image window came and its view was painted.
// `confirmed` is when the file dialog's OK was pressed: the clock of an open starts there, not
// while the dialog lists the folder.
bool OpenAndPaint(e2e::ProgramDriver& program, const std::string& path, DWORD timeoutMs,
                  LARGE_INTEGER* confirmed = nullptr) {
  program.PostCommand(ID_FILE_OPEN);
  HWND dialog = program.WaitForDialog("Open");
  if (!dialog) return false;
  if (confirmed) *confirmed = Now();
  if (!program.AnswerFileDialog("Open", path)) return false;
  if (!e2e::WaitFor([&] { return program.MdiChildTitles().size() == 1 || program.FindAnyDialog(); },
                    timeoutMs)) {
    return false;
  }
  HWND view = View(program);
  if (!view) return false;
  e2e::WaitFor([&] { return !GetUpdateRect(view, nullptr, FALSE); }, timeoutMs);
  return program.WaitUntilIdle(timeoutMs);
}

bool CloseAll(e2e::ProgramDriver& program) {
  program.PostCommand(ID_CLOSE_ALL);
  return e2e::WaitFor([&] { return program.MdiChildTitles().empty(); }, 60000);
}

// Invalidates the view and waits until the program has painted it again.
double TimeRepaint(e2e::ProgramDriver& program, HWND view) {
  const LARGE_INTEGER start = Now();
  InvalidateRect(view, nullptr, FALSE);
  e2e::WaitFor([&] { return !GetUpdateRect(view, nullptr, FALSE); }, 60000);
  program.WaitUntilIdle(120000);
  return Seconds(start, Now());
}

void MeasureOpeningAndPainting(e2e::ProgramDriver& program, const std::string& path) {
  const double floor = TimeOneRead(path);
  const Memory before = ProgramMemory(program.ProcessId());
  LARGE_INTEGER opening = Now();
  if (!OpenAndPaint(program, path, 120000, &opening)) {
    std::printf("5000 x 7000: the program did not show the image\n");
    return;
  }
  const double firstPaint = Seconds(opening, Now());
  const Memory after = ProgramMemory(program.ProcessId());
  HWND view = View(program);
  const double fullRepaint = TimeRepaint(program, view);

  const LARGE_INTEGER switching = Now();
  program.PostCommand(ID_VIEW_WINDOWSIZE);
  e2e::WaitFor([&] { return (program.MenuItemState(ID_VIEW_WINDOWSIZE) & MF_CHECKED) != 0; }, 120000);
  e2e::WaitFor([&] { return !GetUpdateRect(view, nullptr, FALSE); }, 120000);
  program.WaitUntilIdle(120000);
  const double windowSizeFirst = Seconds(switching, Now());
  const double windowSizeRepaint = TimeRepaint(program, view);

  const double pageMb = 5000.0 * 7000 * 3 / 1e6;
  std::printf("5000 x 7000, 24 bits (%.0f MB):\n", pageMb);
  std::printf("  floor: the file read with one ReadFile      %7.3f s\n", floor);
  std::printf("  open and first paint at full size           %7.3f s  (%.2f x floor)\n", firstPaint,
              floor > 0 ? firstPaint / floor : 0.0);
  std::printf("  target: at most 2 x floor + 0.1 s           %7.3f s\n", 2 * floor + 0.1);
  std::printf("  program's working set before opening        %7.1f MB\n", before.workingSetMb);
  std::printf("  program's peak working set after opening    %7.1f MB  (%.2f x the page above the start)\n",
              after.peakWorkingSetMb, (after.peakWorkingSetMb - before.workingSetMb) / pageMb);
  std::printf("  repaint at full size                        %7.3f s\n", fullRepaint);
  std::printf("  switch to Window Size (reduced copy made)   %7.3f s\n", windowSizeFirst);
  std::printf("  repaint in Window Size                      %7.3f s\n", windowSizeRepaint);
  CloseAll(program);
}

bool CheckLargestPageShows(e2e::ProgramDriver& program, const std::string& path) {
  LARGE_INTEGER opening = Now();
  const bool shown = OpenAndPaint(program, path, 300000, &opening) && !program.FindAnyDialog() &&
                     program.MdiChildTitles().size() == 1;
  std::printf("7016 x 9921, 24 bits (%.0f MB): %s in %.3f s\n", 7016.0 * 9921 * 3 / 1e6,
              shown ? "opened and shown" : "NOT SHOWN", Seconds(opening, Now()));
  CloseAll(program);
  return shown;
}

// The refusal must come as a message; once it is answered the program opens the next file.
bool CheckTooLargePageIsRefused(e2e::ProgramDriver& program, const std::string& hugePath,
                                const std::string& nextPath) {
  program.PostCommand(ID_FILE_OPEN);
  if (!program.AnswerFileDialog("Open", hugePath)) return false;
  // The window may come and go around the message: only the message says the page was refused.
  HWND message = nullptr;
  e2e::WaitFor([&] { return (message = program.FindAnyDialog()) != nullptr; }, 300000);
  std::string text = "(no message)";
  if (message) {
    const std::vector<std::string> texts = program.DialogTexts(message);
    text.clear();
    for (const std::string& line : texts) text += line + " ";
    program.PressButton(message, IDOK);
  }
  const bool refused =
      message != nullptr && e2e::WaitFor([&] { return program.MdiChildTitles().empty(); }, 30000);
  const bool goesOn = program.WaitUntilIdle(30000) && OpenAndPaint(program, nextPath, 120000) &&
                      program.MdiChildTitles().size() == 1;
  std::printf("30000 x 30000, 24 bits (%.0f MB): %s, message: %s; the program %s\n",
              30000.0 * 30000 * 3 / 1e6, refused ? "refused" : "NOT REFUSED", text.c_str(),
              goesOn ? "goes on" : "DID NOT GO ON");
  CloseAll(program);
  return refused && goesOn;
}

}  // namespace

int main() {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  const std::string large = std::string(temp) + "large_5000x7000.bmp";
  const std::string a3 = std::string(temp) + "a3_600dpi.bmp";
  const std::string huge = std::string(temp) + "huge_30000x30000.bmp";
  if (!WritePatternImage(large, 5000, 7000) || !WritePatternImage(a3, 7016, 9921) ||
      !WriteHollowImage(huge, 30000, 30000)) {
    std::printf("could not write the pictures under %s\n", temp);
    return 1;
  }

  UnmanagedWindows unmanaged;
  e2e::ProgramDriver program;
  if (!program.Start() || !program.WaitUntilIdle()) return 1;
  MeasureOpeningAndPainting(program, large);
  bool passed = CheckLargestPageShows(program, a3);
  // A 64-bit program can hold the page; only the 32-bit one must refuse it.
  if (sizeof(void*) == 4) {
    passed = CheckTooLargePageIsRefused(program, huge, large) && passed;
  }

  DWORD exitCode = 1;
  program.Close(30000, &exitCode);
  DeleteFileA(large.c_str());
  DeleteFileA(a3.c_str());
  DeleteFileA(huge.c_str());
  return passed ? 0 : 1;
}
