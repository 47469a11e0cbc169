// TIFF files in the program: files another tool wrote open in windows named after them with the
// pixels that tool reads, and a damaged file is refused with no window left.
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

namespace {

const std::string kSamples = e2e::ExeFolder() + "tiff_samples\\";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Drags a selection over the view's top-left width x height pixels (the image at full size from
// its corner), copies it and returns the copy's pixels as red, green, blue rows from the top.
std::vector<BYTE> CopyTopLeft(e2e::ProgramDriver& program, int width, int height) {
  HWND view = e2e::FindDescendant(program.MainWindow(), "QfwView");
  EXPECT_NE(view, nullptr);
  if (!view) return {};
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
  PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(width / 2, height / 2));
  PostMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(width, height));
  PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(width, height));
  program.PostCommand(ID_EDIT_COPY);
  EXPECT_TRUE(e2e::WaitFor([] { return IsClipboardFormatAvailable(CF_BITMAP) != 0; }, 10000));
  LONG copiedWidth = 0, copiedHeight = 0;
  std::vector<BYTE> rgb = quill_test::ClipboardRgb(copiedWidth, copiedHeight);
  if (copiedWidth != width || copiedHeight != height) rgb.clear();
  EXPECT_EQ(rgb.size(), static_cast<size_t>(width) * height * 3) << "no copy of " << width << " x " << height;
  return rgb;
}

TEST(TiffFilesInTheProgram, AGroup4LetterPageAndABigEndianPaletteOpenPixelForPixel) {
  struct Sample {
    const char* name;
    int width;   // of the compared corner (ImageMagick's raw file holds it)
    int height;
  } samples[] = {{"letter_g4.tif", 300, 200}, {"palette_be.tif", 70, 46}};
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  for (const Sample& sample : samples) {
    SCOPED_TRACE(sample.name);
    ASSERT_TRUE(program.OpenThroughTheDialog(kSamples + sample.name));
    ASSERT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles() == std::vector<std::string>{sample.name}; }, 20000));
    EXPECT_EQ(program.FindAnyDialog(), nullptr);
    const std::string reference = ReadAll(kSamples + std::string(sample.name, std::strlen(sample.name) - 4) + ".rgb");
    ASSERT_EQ(reference.size(), static_cast<size_t>(sample.width) * sample.height * 3) << "the reference was not made";
    const std::vector<BYTE> copied = CopyTopLeft(program, sample.width, sample.height);
    ASSERT_EQ(copied.size(), reference.size());
    size_t different = 0;
    size_t first = copied.size();
    for (size_t i = 0; i < copied.size(); ++i) {
      if (copied[i] != static_cast<BYTE>(reference[i])) {
        ++different;
        first = std::min(first, i);
      }
    }
    EXPECT_EQ(different, 0u) << "first at pixel " << (first / 3) % sample.width << "," << (first / 3) / sample.width;
    // Opened files are not modified: Close All asks nothing.
    EXPECT_TRUE(program.ClosesAllImagesWithoutAsking());
  }
  EXPECT_TRUE(program.ClosesCleanly());
}

TEST(TiffFilesInTheProgram, ADamagedFileIsReportedAndOpensNoWindow) {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  // The second half of the file is cut off, its directory with it; and a bitmap named .tif.
  std::string page = ReadAll(kSamples + "letter_g4.tif");
  ASSERT_GT(page.size(), 10000u);
  const std::string cut = std::string(folder) + "cut.tif";
  std::ofstream(cut, std::ios::binary | std::ios::trunc) << page.substr(0, page.size() / 2);
  const std::string bitmapNamedTiff = std::string(folder) + "bitmap.tif";
  std::ofstream(bitmapNamedTiff, std::ios::binary | std::ios::trunc) << "BM" << std::string(60, '\0');

  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  for (const std::string& path : {cut, bitmapNamedTiff}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(program.OpenThroughTheDialog(path));
    ASSERT_TRUE(program.AnswerReport("File load failure.")) << "the damaged file was not reported as such";
    ASSERT_TRUE(program.WaitUntilIdle());
    EXPECT_TRUE(program.MdiChildTitles().empty()) << "no empty window for an unreadable file";
    EXPECT_EQ(program.FindAnyDialog(), nullptr);
  }
  DeleteFileA(cut.c_str());
  DeleteFileA(bitmapNamedTiff.c_str());
  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
