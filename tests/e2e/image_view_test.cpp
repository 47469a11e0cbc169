// The image view seen from outside: an A4 page fitted into its window and at full size (saved as
// screenshots under build/), and a selection dragged with the mouse and copied, read from the
// clipboard by this second process.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"
#include "tests/common/test_files.h"

namespace {

bool OpenThroughTheDialog(e2e::ProgramDriver& program, const std::string& path) {
  program.PostCommand(ID_FILE_OPEN);
  return program.AnswerFileDialog("Open", path);
}

// An A4 page at 300 dpi, one bit per pixel: white with a black frame 40 pixels wide.
void WriteFramedA4Page(const std::string& path) {
  const LONG width = 2480, height = 3508, border = 40;
  const DWORD stride = ((width + 31) / 32) * 4;
  std::vector<BYTE> pixels(stride * height, 0xFF);
  for (LONG y = 0; y < height; ++y) {
    for (LONG x = 0; x < width; ++x) {
      if (x < border || y < border || x >= width - border || y >= height - border) {
        pixels[y * stride + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
      }
    }
  }
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 1;
  quill_test::WriteBmpFile(path, info, {{0, 0, 0, 0}, {255, 255, 255, 0}}, pixels.data(),
                           pixels.size());
}

// What the screen shows of `window`'s client area, as 24-bit top-down BGR rows; also saved as a
// BMP file for people to look at.
struct Screenshot {
  LONG width = 0, height = 0, stride = 0;
  std::vector<BYTE> bgr;
  bool IsDark(LONG x, LONG y) const {
    const BYTE* p = &bgr[static_cast<size_t>(y * stride + x * 3)];
    return p[0] + p[1] + p[2] < 3 * 64;
  }
};

Screenshot TakeScreenshot(HWND window, const std::string& savePath) {
  Screenshot shot;
  RECT client = {};
  GetClientRect(window, &client);
  shot.width = client.right;
  shot.height = client.bottom;
  shot.stride = (shot.width * 3 + 3) & ~3;
  shot.bgr.resize(static_cast<size_t>(shot.stride * shot.height));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  // Read from the screen: another process's window surface is not this process's to read.
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  HDC windowDc = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(windowDc);
  HBITMAP bitmap = CreateCompatibleBitmap(windowDc, shot.width, shot.height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, windowDc, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, previous);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(shot.height), shot.bgr.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, windowDc);

  quill_test::WriteBmpFile(savePath, info.bmiHeader, {}, shot.bgr.data(), shot.bgr.size());
  return shot;
}

// build/ seen from the test executable in build/<arch>/tests/e2e/.
const std::string kBuildFolder = e2e::ExeFolder() + "..\\..\\..\\";

TEST(ImageView, FitsAnA4PageIntoItsWindowAndShowsItAtFullSize) {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  const std::string page = std::string(temp) + "a4page.bmp";
  WriteFramedA4Page(page);
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_TRUE(OpenThroughTheDialog(program, page));
  ASSERT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().size() == 1; }, 20000));
  HWND view = e2e::FindDescendant(program.MainWindow(), "QfwView");
  ASSERT_NE(view, nullptr);

  program.PostCommand(ID_VIEW_WINDOWSIZE);
  ASSERT_TRUE(e2e::WaitFor([&] {
    return (program.MenuItemState(ID_VIEW_WINDOWSIZE) & MF_CHECKED) != 0;
  }, 10000));
  RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_TRUE(program.WaitUntilIdle());
  Sleep(500);
  Screenshot fitted = TakeScreenshot(view, kBuildFolder + "view_window_size.bmp");
  ASSERT_GT(fitted.height, 50);
  // The page is taller than wide: it fills the height, and its width follows the proportions.
  const LONG pageWidth = fitted.height * 2480 / 3508;
  const LONG middle = fitted.height / 2;
  EXPECT_TRUE(fitted.IsDark(0, middle)) << "left edge of the frame";
  EXPECT_TRUE(fitted.IsDark(pageWidth - 2, middle)) << "right edge of the frame";
  EXPECT_FALSE(fitted.IsDark(pageWidth / 2, middle)) << "inside the page";
  EXPECT_TRUE(fitted.IsDark(pageWidth / 2, 0)) << "top edge of the frame";
  EXPECT_TRUE(fitted.IsDark(pageWidth / 2, fitted.height - 1)) << "bottom edge: the whole page is shown";

  program.PostCommand(ID_VIEW_FULLSIZE);
  ASSERT_TRUE(e2e::WaitFor([&] {
    return (program.MenuItemState(ID_VIEW_FULLSIZE) & MF_CHECKED) != 0;
  }, 10000));
  RedrawWindow(view, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_TRUE(program.WaitUntilIdle());
  Sleep(500);
  Screenshot full = TakeScreenshot(view, kBuildFolder + "view_full_size.bmp");
  // One to one: the 40-pixel frame is 40 pixels wide, and the page goes on beyond the window.
  EXPECT_TRUE(full.IsDark(39, full.height / 2));
  EXPECT_FALSE(full.IsDark(41, full.height / 2));
  EXPECT_FALSE(full.IsDark(full.width - 1, full.height / 2)) << "the right edge is out of sight";
  EXPECT_NE(GetWindowLongA(view, GWL_STYLE) & WS_VSCROLL, 0) << "a scroll bar for the rest";

  program.PostCommand(ID_CLOSE_ALL);
  EXPECT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().empty(); }, 10000));
  DWORD exitCode = 1;
  ASSERT_TRUE(program.Close(10000, &exitCode));
  DeleteFileA(page.c_str());
}

TEST(ImageView, ADraggedSelectionIsCopiedWithItsPixelsForOtherPrograms) {
  const std::string samples = e2e::ExeFolder() + "..\\unit\\image\\bmp_samples\\";
  std::ifstream in(samples + "rgb24.rgb", std::ios::binary);
  const std::vector<BYTE> picture((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(picture.size(), 70u * 46u * 3u);

  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_TRUE(OpenThroughTheDialog(program, samples + "rgb24.bmp"));
  ASSERT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().size() == 1; }, 10000));
  HWND view = e2e::FindDescendant(program.MainWindow(), "QfwView");
  ASSERT_NE(view, nullptr);
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }

  PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 36));
  PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 10));
  PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 6));
  PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
  program.PostCommand(ID_EDIT_COPY);
  ASSERT_TRUE(e2e::WaitFor([] { return IsClipboardFormatAvailable(CF_BITMAP) != 0; }, 10000));

  ASSERT_TRUE(OpenClipboard(nullptr));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(bitmap, nullptr);
  BITMAP size = {};
  GetObjectA(bitmap, sizeof size, &size);
  EXPECT_EQ(size.bmWidth, 40);
  EXPECT_EQ(size.bmHeight, 30);
  BITMAPINFO request = {};
  request.bmiHeader.biSize = sizeof request.bmiHeader;
  request.bmiHeader.biWidth = 40;
  request.bmiHeader.biHeight = -30;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 24;
  std::vector<BYTE> rows(120 * 30);
  HDC dc = GetDC(nullptr);
  const int lines = GetDIBits(dc, bitmap, 0, 30, rows.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  CloseClipboard();
  ASSERT_EQ(lines, 30);
  int different = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const BYTE* copied = &rows[static_cast<size_t>(y * 120 + x * 3)];
      const BYTE* original = &picture[static_cast<size_t>(((y + 6) * 70 + x + 5) * 3)];
      if (copied[2] != original[0] || copied[1] != original[1] || copied[0] != original[2]) ++different;
    }
  }
  EXPECT_EQ(different, 0) << "pixels of the copy differ from the picture's (5, 6)-(45, 36)";

  program.PostCommand(ID_CLOSE_ALL);
  EXPECT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().empty(); }, 10000));
  DWORD exitCode = 1;
  ASSERT_TRUE(program.Close(10000, &exitCode));
}

}  // namespace
