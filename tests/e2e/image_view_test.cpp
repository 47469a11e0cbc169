// The image view seen from outside: an A4 page fitted into its window and at full size (saved as
// screenshots under build/), and a selection dragged with the mouse and copied, read from the
// clipboard by this second process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"
#include "tests/common/screen_pixels.h"
#include "tests/common/test_files.h"

namespace {

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
  ASSERT_TRUE(program.OpenThroughTheDialog(page));
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
  const quill_test::Rows24 fitted = quill_test::Screenshot(view, kBuildFolder + "view_window_size.bmp");
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
  const quill_test::Rows24 full = quill_test::Screenshot(view, kBuildFolder + "view_full_size.bmp");
  // One to one: the 40-pixel frame is 40 pixels wide, and the page goes on beyond the window.
  EXPECT_TRUE(full.IsDark(39, full.height / 2));
  EXPECT_FALSE(full.IsDark(41, full.height / 2));
  EXPECT_FALSE(full.IsDark(full.width - 1, full.height / 2)) << "the right edge is out of sight";
  EXPECT_NE(GetWindowLongA(view, GWL_STYLE) & WS_VSCROLL, 0) << "a scroll bar for the rest";

  EXPECT_TRUE(program.ClosesAllImagesWithoutAsking());
  EXPECT_TRUE(program.ClosesCleanly());
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
  ASSERT_TRUE(program.OpenThroughTheDialog(samples + "rgb24.bmp"));
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

  LONG width = 0, height = 0;
  const std::vector<BYTE> copy = quill_test::ClipboardRgb(width, height);
  EXPECT_EQ(width, 40);
  EXPECT_EQ(height, 30);
  ASSERT_EQ(copy.size(), 40u * 30u * 3u);
  int different = 0;
  for (int y = 0; y < 30; ++y) {
    const BYTE* copied = &copy[static_cast<size_t>(y * 40 * 3)];
    const BYTE* original = &picture[static_cast<size_t>(((y + 6) * 70 + 5) * 3)];
    if (!std::equal(copied, copied + 40 * 3, original)) ++different;
  }
  EXPECT_EQ(different, 0) << "rows of the copy differ from the picture's (5, 6)-(45, 36)";

  EXPECT_TRUE(program.ClosesAllImagesWithoutAsking());
  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
