// The scanner's own dialog (ShowUI 1) driven from a second thread as a user would: two batches,
// then "Close", which the application hears as MSG_CLOSEDSREQ. Saves a screenshot of the dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "scanner/image_encoding.h"
#include "scanner/tests/test_support.h"
#include "scanner/tests/twain_client.h"

namespace tvscan_test {
namespace {

constexpr int kPagesEdit = 1001;
constexpr int kPixelTypeCombo = 1002;
constexpr int kResolutionCombo = 1003;
constexpr int kPaperCombo = 1004;

struct DcReleaser {
  void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// Copies the dialog's pixels from the screen into a 24-bit BMP file.
bool SaveWindowAsBmp(HWND window, const std::string& name) {
  RECT rect;
  GetWindowRect(window, &rect);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  std::unique_ptr<HDC__, DcReleaser> screen(GetDC(nullptr));
  std::unique_ptr<HDC__, DcDeleter> memory(CreateCompatibleDC(screen.get()));
  std::unique_ptr<void, ObjectDeleter> bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!screen || !memory || !bitmap) return false;
  HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY);
  SelectObject(memory.get(), old);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> dib(sizeof header + stride * size_t(height));
  std::memcpy(dib.data(), &header, sizeof header);
  if (!GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, UINT(height), dib.data() + sizeof header,
                 reinterpret_cast<BITMAPINFO*>(dib.data()), DIB_RGB_COLORS)) {
    return false;
  }
  return tvscan::WriteBytes(name, tvscan::BuildBmpFile(dib));
}

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool WaitUntilEnabled(HWND control) {
  for (int i = 0; i < 1000; ++i) {
    if (IsWindowEnabled(control)) return true;
    Sleep(10);
  }
  return false;
}

TEST(ScannerDialogTest, TwoBatchesThenCloseRequest) {
  ScenarioFile scenario("pages = 3\n");
  TwainClient client;
  ASSERT_EQ(client.OpenManager(), TWRC_SUCCESS);
  ASSERT_EQ(client.OpenSource(), TWRC_SUCCESS);

  std::atomic<bool> screenshot{false};
  std::string initial_pages;
  std::thread user([&] {
    HWND dialog = WaitForDialog("TALVORN Scanner");
    if (!dialog) return;
    char text[16] = "";
    GetDlgItemTextA(dialog, kPagesEdit, text, sizeof text);
    initial_pages = text;
    Sleep(300);  // let it paint before the picture is taken
    screenshot = SaveWindowAsBmp(dialog, BuildFolder() + "\\scanner_dialog.bmp");
    // First batch: two grey Letter pages at 50 dpi.
    SetDlgItemTextA(dialog, kPagesEdit, "2");
    SendDlgItemMessageA(dialog, kPixelTypeCombo, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(dialog, kResolutionCombo, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(dialog, kPaperCombo, CB_SETCURSEL, 1, 0);
    Click(dialog, IDOK);
    Sleep(100);
    if (!WaitUntilEnabled(GetDlgItem(dialog, IDOK))) return;
    // Second batch: one page, same settings.
    SetDlgItemTextA(dialog, kPagesEdit, "1");
    Click(dialog, IDOK);
    Sleep(100);
    if (!WaitUntilEnabled(GetDlgItem(dialog, IDOK))) return;
    Click(dialog, IDCANCEL);
  });

  ASSERT_EQ(client.Enable(true), TWRC_SUCCESS);
  std::vector<size_t> batches;
  std::vector<ReceivedImage> all;
  TW_UINT16 event = MSG_NULL;
  while (client.WaitForEvent(event, 15000) && event == MSG_XFERREADY) {
    std::vector<ReceivedImage> images = client.TransferBatch(TWSX_NATIVE);
    batches.push_back(images.size());
    for (ReceivedImage& image : images) all.push_back(std::move(image));
  }
  EXPECT_EQ(event, MSG_CLOSEDSREQ);
  user.join();
  EXPECT_EQ(client.Disable(), TWRC_SUCCESS);
  EXPECT_EQ(client.CloseSource(), TWRC_SUCCESS);
  EXPECT_FALSE(FindWindowA("#32770", "TALVORN Scanner"));  // gone with MSG_DISABLEDS

  EXPECT_EQ(initial_pages, "3");  // the feeder as the scenario loads it
  EXPECT_TRUE(screenshot.load());
  EXPECT_EQ(batches, (std::vector<size_t>{2, 1}));
  tvscan::PageSettings settings;
  settings.pixel_type = tvscan::PixelType::Gray;
  settings.dpi = 50;
  settings.paper = tvscan::PaperSize::Letter;
  ASSERT_EQ(all.size(), 3u);
  for (uint32_t page = 1; page <= 3; ++page) {
    EXPECT_TRUE(SameRaster(tvscan::GeneratePage(page, settings), all[page - 1].raster)) << page;
  }
  EXPECT_EQ(all[0].raster.width, 425u);  // 8.5 inches at 50 dpi
}

}  // namespace
}  // namespace tvscan_test
