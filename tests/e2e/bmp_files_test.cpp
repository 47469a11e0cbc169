// BMP files through the program's own dialogs: files another tool wrote open in windows named
// after them, a damaged file is refused, and Save As writes a file that another tool reads back
// (checked after this executable).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

const std::string kSamples = e2e::ExeFolder() + "..\\unit\\image\\bmp_samples\\";

void CopyBytes(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
}

bool HasWindowTitled(e2e::ProgramDriver& program, const std::string& title) {
  for (const std::string& each : program.MdiChildTitles()) {
    if (each == title) return true;
  }
  return false;
}

TEST(BmpFilesInTheProgram, OpenWithTheirNamesUnmodifiedAndSaveAsWritesThemBack) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  const char* samples[] = {"bw1", "pal4", "pal8", "rle8", "rgb24", "core24", "core8", "v5rgb24", "v5pal4"};
  for (const char* sample : samples) {
    ASSERT_TRUE(program.OpenThroughTheDialog(kSamples + sample + ".bmp")) << sample;
    EXPECT_TRUE(e2e::WaitFor([&] { return HasWindowTitled(program, std::string(sample) + ".bmp"); }, 10000))
        << sample;
    EXPECT_EQ(program.FindAnyDialog(), nullptr) << sample;
  }

  // The active window is the last one opened.
  const std::string savedFolder = e2e::ExeFolder() + "e2e_saved\\";
  CreateDirectoryA(savedFolder.c_str(), nullptr);
  DeleteFileA((savedFolder + "saved_v5pal4.bmp").c_str());  // no overwrite question
  program.PostCommand(ID_FILE_SAVE_AS);
  ASSERT_TRUE(program.AnswerFileDialog("Save As", savedFolder + "saved_v5pal4.bmp"));
  ASSERT_TRUE(e2e::WaitFor([&] { return HasWindowTitled(program, "saved_v5pal4.bmp"); }, 10000));
  CopyBytes(kSamples + "v5pal4.rgb", savedFolder + "saved_v5pal4.rgb");

  // Only a name ending in .tif is a TIFF file (read back by libtiff after this executable).
  const std::string tiffFolder = e2e::ExeFolder() + "e2e_saved_tiff\\";
  CreateDirectoryA(tiffFolder.c_str(), nullptr);
  for (const char* name : {"scan.tif", "scan.tiff", "scan.tif.bmp"}) {
    const std::string path = tiffFolder + name;
    DeleteFileA(path.c_str());
    program.PostCommand(ID_FILE_SAVE_AS);
    ASSERT_TRUE(program.AnswerFileDialog("Save As", path)) << name;
    ASSERT_TRUE(e2e::WaitFor([&] { return HasWindowTitled(program, name); }, 10000)) << name;
    std::ifstream saved(path, std::ios::binary);
    char signature[2] = {};
    saved.read(signature, 2);
    EXPECT_EQ(std::string(signature, 2), std::string(name) == "scan.tif" ? "II" : "BM") << name;
  }
  CopyBytes(kSamples + "v5pal4.rgb", tiffFolder + "scan.rgb");

  // Opened files are not modified: Close All asks nothing.
  EXPECT_TRUE(program.ClosesAllImagesWithoutAsking());

  EXPECT_TRUE(program.ClosesCleanly());
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(BmpFilesInTheProgram, TopDownRowsAndTheFourVersionHeaderOpenToo) {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  // The same picture with its rows stored top-down (a negative height).
  const std::string bottomUp = ReadAll(kSamples + "rgb24.bmp");
  ASSERT_GT(bottomUp.size(), 54u);
  const size_t stride = (70 * 3 + 3) & ~3u;
  std::string topDown = bottomUp.substr(0, 54);
  for (int row = 45; row >= 0; --row) topDown += bottomUp.substr(54 + row * stride, stride);
  const LONG negative = -46;
  topDown.replace(22, 4, reinterpret_cast<const char*>(&negative), 4);
  const std::string topDownPath = std::string(temp) + "topdown.bmp";
  std::ofstream(topDownPath, std::ios::binary | std::ios::trunc) << topDown;
  // A 108-byte header: the 124-byte one without its last 16 bytes.
  const std::string v5 = ReadAll(kSamples + "v5rgb24.bmp");
  ASSERT_GT(v5.size(), 14u + 124u);
  std::string v4 = v5.substr(0, 14 + 108) + v5.substr(14 + 124);
  v4[14] = 108;
  DWORD offBits = 0;
  std::memcpy(&offBits, &v4[10], 4);
  offBits -= 16;
  v4.replace(10, 4, reinterpret_cast<const char*>(&offBits), 4);
  const std::string v4Path = std::string(temp) + "version4.bmp";
  std::ofstream(v4Path, std::ios::binary | std::ios::trunc) << v4;

  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  for (const char* name : {"topdown.bmp", "version4.bmp"}) {
    ASSERT_TRUE(program.OpenThroughTheDialog(std::string(temp) + name)) << name;
    EXPECT_TRUE(e2e::WaitFor([&] { return HasWindowTitled(program, name); }, 10000)) << name;
    EXPECT_EQ(program.FindAnyDialog(), nullptr) << name;
  }
  EXPECT_TRUE(program.ClosesAllImagesWithoutAsking());
  DeleteFileA(topDownPath.c_str());
  DeleteFileA(v4Path.c_str());
  EXPECT_TRUE(program.ClosesCleanly());
}

TEST(BmpFilesInTheProgram, ADamagedFileIsReportedAndOpensNoWindow) {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string damaged = std::string(folder) + "damaged.bmp";
  std::ifstream in(kSamples + "pal8.bmp", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 100u);
  bytes.resize(bytes.size() - 100);  // rows cut short
  std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;

  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_TRUE(program.OpenThroughTheDialog(damaged));
  // Shown without an owner, under the system's default caption.
  ASSERT_TRUE(program.AnswerReport("File load failure.")) << "the damaged file was not reported as such";
  // The window made for the file goes once the report is answered.
  EXPECT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().empty(); }, 10000));
  EXPECT_EQ(program.FindAnyDialog(), nullptr);
  DeleteFileA(damaged.c_str());

  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
