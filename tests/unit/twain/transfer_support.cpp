#include <gtest/gtest.h>

#include "tests/unit/twain/transfer_support.h"

#include <cstdio>
#include <cstring>
#include <thread>

#include "scanner/image_encoding.h"
#include "filter/kestrel_filter.h"
#include "config/scan_settings.h"
#include "scanner/tests/test_support.h"
#include "scanner/tests/twain_client.h"
#include "image/win_handles.h"

namespace quill {
namespace {

std::vector<uint8_t> CopyOfBlock(HGLOBAL block) {
  GlobalLockGuard lock(block);
  if (!lock) return {};
  return std::vector<uint8_t>(lock.bytes(), lock.bytes() + lock.size());
}

constexpr size_t kBmpFileHeaderSize = 14;

}  // namespace

tvscan::PageSettings PageSetup::Settings() const {
  tvscan::PageSettings settings;
  settings.pixel_type = type;
  settings.dpi = dpi;
  settings.vanilla = vanilla;
  settings.paper = paper;
  settings.gray_bits = grayBits;
  return settings;
}

int CapturingConnection::OnNativeImage(HGLOBAL dib) {
  if (!keepOwnedDibs && displayed.size() >= 2) {
    displayed.back() = CopyOfBlock(dib);
  } else {
    displayed.push_back(CopyOfBlock(dib));
  }
  GlobalFree(dib);
  ++handedOver;
  if (refuseImages > 0) {
    --refuseImages;
    return 0;
  }
  return 1;
}

int CapturingConnection::OnImageFile(const char* fileName) {
  fileNames.push_back(fileName);
  fileBytes.push_back(tvscan_test::ReadFileBytes(fileName));
  ++handedOver;
  return 1;
}

int CapturingConnection::SaveImage(HGLOBAL dib) {
  saved.push_back(CopyOfBlock(dib));
  if (realOutput) return TwainConnection::SaveImage(dib);
  if (saveResults.empty()) return 1;
  const int result = saveResults.front();
  saveResults.erase(saveResults.begin());
  return result;
}

void CapturingConnection::ReportError(UINT messageId, UINT detailId) {
  reportedIds.push_back(messageId);
  TwainConnection::ReportError(messageId, detailId);
}

void CapturingConnection::OnStateChanged(int newState) {
  if (newState == 3) configured_ = false;
  // The page is chosen as soon as the source is open, before the negotiation.
  if (newState == 4 && !configured_) {
    configured_ = true;
    ConfigureSource();
  }
}

int CapturingConnection::SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value) {
  GlobalBlock container = GlobalBlock::AllocateMovable(sizeof(TW_ONEVALUE));
  {
    GlobalLockGuard lock(container.get());
    TW_ONEVALUE one{itemType, value};
    std::memcpy(lock.data(), &one, sizeof one);
  }
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, container.get()};
  return CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
}

void CapturingConnection::ConfigureSource() {
  EXPECT_TRUE(SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT32>(page_.type)));
  EXPECT_TRUE(SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, page_.dpi));
  EXPECT_TRUE(SetOneValue(ICAP_PIXELFLAVOR, TWTY_UINT16, page_.vanilla ? TWPF_VANILLA : TWPF_CHOCOLATE));
}

void CapturingConnection::Run(DWORD timeoutMs) {
  stateAfterLoop = 0;
  timedOut = false;
  if (!OpenAndEnable(nullptr)) {
    stateAfterLoop = TwainState;
    return;
  }
  // A loop that never ends would hang the test program: a quit message ends it.
  const DWORD thread = GetCurrentThreadId();
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> fired{false};
  std::thread watchdog([&] {
    if (WaitForSingleObject(done, timeoutMs) == WAIT_TIMEOUT) {
      fired = true;
      PostThreadMessageA(thread, WM_QUIT, 0, 0);
    }
  });
  PumpMessages();
  SetEvent(done);
  watchdog.join();
  CloseHandle(done);
  MSG quit;
  while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  timedOut = fired;
  stateAfterLoop = TwainState;
  DropToState(1, nullptr);
}

void ApplyJob(const JobSetup& job) {
  ScanSettings& settings = TheSettings();
  settings.ScanMech = job.scanMech;
  settings.Destination = job.destination;
  settings.ShowUI = job.showUI;
  settings.PaperSupply = 1;  // the feeder, all its pages
  settings.XferCount = 1;
  settings.Compress = job.compress;
  settings.KFactor = 4;
  settings.FileFormat = job.fileFormat;
  std::snprintf(settings.FilePath, sizeof settings.FilePath, "%s", TransferFolder().c_str());
  settings.FileNumStep = job.fileNumStep;
  settings.FileNumDigit = job.fileNumDigit;
  settings.FileIdNumber = job.fileIdNumber;
  settings.LaunchProc = 0;
}

std::string TransferFolder() {
  char folder[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + "quill_transfers\\";
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

::testing::AssertionResult SamePage(const std::vector<uint8_t>& dib, uint32_t number,
                                    const PageSetup& page) {
  tvscan::Raster raster;
  std::vector<tvscan::Colour> colours;
  if (!tvscan_test::DibToRaster(dib.data(), dib.size(), raster, colours)) {
    return ::testing::AssertionFailure() << "page " << number << ": not a readable DIB";
  }
  const tvscan::PageSettings settings = page.Settings();
  ::testing::AssertionResult same = tvscan_test::SameRaster(tvscan::GeneratePage(number, settings), raster);
  if (!same) return ::testing::AssertionFailure() << "page " << number << ": " << same.message();
  const std::vector<tvscan::Colour> expected = tvscan::ColourTable(settings);
  if (colours.size() != expected.size()) {
    return ::testing::AssertionFailure() << "page " << number << ": " << colours.size()
                                         << " colours, expected " << expected.size();
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    if (colours[i].red != expected[i].red || colours[i].green != expected[i].green ||
        colours[i].blue != expected[i].blue) {
      return ::testing::AssertionFailure() << "page " << number << ": colour " << i << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SamePageInBmp(const std::vector<uint8_t>& file, uint32_t number,
                                         const PageSetup& page) {
  if (file.size() < kBmpFileHeaderSize || file[0] != 'B' || file[1] != 'M') {
    return ::testing::AssertionFailure() << "page " << number << ": not a BMP file";
  }
  return SamePage(std::vector<uint8_t>(file.begin() + kBmpFileHeaderSize, file.end()), number, page);
}

void BindInstalledFilter() {
  if (ProgramFilter()) return;
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  BindProgramFilter(std::string(windows) + "\\TWAIN_32\\TVDSRC32\\");
}

}  // namespace quill
