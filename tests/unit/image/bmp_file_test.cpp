// BMP files against an independent tool: files it wrote are read to the same pixels (every bit
// count, RLE, the 12-byte header, the larger headers, top-down), files we write are read back by
// it (a check after this executable), and damaged files are refused without reading past them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/bmp_file.h"
#include "image/dib.h"
#include "tests/unit/image/dib_builders.h"
#include "framework/file.h"
#include "tests/unit/rendered_dib.h"

namespace quill {
namespace {

using quill_test::ExeFolder;
using quill_test::RenderRgb;

std::vector<BYTE> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string TempPath(const char* name) {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  return std::string(folder) + name;
}

GlobalBlock ReadBmp(const std::string& path) {
  qfw::File file;
  if (!file.Open(path, qfw::File::Mode::kReadDenyWrite, nullptr)) return GlobalBlock();
  return ReadBmpFileToDib(file);
}

DWORD HeaderSizeOf(HGLOBAL dib) {
  GlobalLockGuard lock(dib);
  DWORD size = 0;
  std::memcpy(&size, lock.data(), sizeof size);
  return size;
}

const std::string kSamples = ExeFolder() + "bmp_samples\\";

TEST(BmpReading, GivesThePixelsAnIndependentToolWrote) {
  struct Sample {
    const char* name;
    DWORD headerSize;  // after reading
  } samples[] = {{"bw1", 40},   {"pal4", 40},   {"pal8", 40},    {"rle8", 40},   {"rgb24", 40},
                 {"core24", 12}, {"core8", 12}, {"v5rgb24", 40}, {"v5pal4", 40}};
  for (const Sample& sample : samples) {
    GlobalBlock dib = ReadBmp(kSamples + sample.name + ".bmp");
    ASSERT_TRUE(dib) << sample.name;
    EXPECT_EQ(HeaderSizeOf(dib.get()), sample.headerSize) << sample.name;
    const std::vector<BYTE> expected = ReadBytes(kSamples + sample.name + ".rgb");
    ASSERT_EQ(expected.size(), 70u * 46u * 3u) << sample.name;
    EXPECT_TRUE(RenderRgb(dib.get()) == expected) << sample.name << " reads to other pixels";
  }
}

TEST(BmpReading, TakesTheFourVersionHeaderAndTopDownRows) {
  const std::vector<BYTE> expected = ReadBytes(kSamples + "rgb24.rgb");

  // A 108-byte header: the 124-byte one without its last 16 bytes.
  std::vector<BYTE> v5 = ReadBytes(kSamples + "v5rgb24.bmp");
  ASSERT_GT(v5.size(), 14u + 124u);
  std::vector<BYTE> v4(v5.begin(), v5.begin() + 14 + 108);
  v4.insert(v4.end(), v5.begin() + 14 + 124, v5.end());
  v4[14] = 108;
  DWORD offBits = 0;
  std::memcpy(&offBits, &v4[10], 4);
  offBits -= 16;
  std::memcpy(&v4[10], &offBits, 4);
  WriteBytes(TempPath("quill_v4.bmp"), v4);
  GlobalBlock fromV4 = ReadBmp(TempPath("quill_v4.bmp"));
  ASSERT_TRUE(fromV4);
  EXPECT_TRUE(RenderRgb(fromV4.get()) == expected);

  // The same rows stored top-down, announced by a negative height.
  std::vector<BYTE> bottomUp = ReadBytes(kSamples + "rgb24.bmp");
  const size_t stride = (70 * 3 + 3) & ~3u;
  std::vector<BYTE> topDown(bottomUp.begin(), bottomUp.begin() + 54);
  for (int row = 45; row >= 0; --row) {
    topDown.insert(topDown.end(), bottomUp.begin() + 54 + row * stride,
                   bottomUp.begin() + 54 + (row + 1) * stride);
  }
  const LONG negative = -46;
  std::memcpy(&topDown[22], &negative, 4);
  WriteBytes(TempPath("quill_topdown.bmp"), topDown);
  GlobalBlock fromTopDown = ReadBmp(TempPath("quill_topdown.bmp"));
  ASSERT_TRUE(fromTopDown);
  EXPECT_TRUE(RenderRgb(fromTopDown.get()) == expected);
  {
    // Kept bottom-up, the one layout the view and Copy read rows in.
    GlobalLockGuard lock(fromTopDown.get());
    EXPECT_EQ(reinterpret_cast<const BITMAPINFOHEADER*>(lock.bytes())->biHeight, 46);
  }

  // An offset that points where the pixels cannot fit (past the end, or too near it) is not
  // believed: the pixels follow the header, as in the file.
  for (const DWORD offBits : {DWORD{5000000}, static_cast<DWORD>(bottomUp.size() - 10)}) {
    std::vector<BYTE> misplaced = bottomUp;
    std::memcpy(&misplaced[10], &offBits, 4);
    WriteBytes(TempPath("quill_misplaced.bmp"), misplaced);
    GlobalBlock fromMisplaced = ReadBmp(TempPath("quill_misplaced.bmp"));
    ASSERT_TRUE(fromMisplaced) << offBits;
    EXPECT_TRUE(RenderRgb(fromMisplaced.get()) == expected) << offBits;
  }

  // Pixels placed behind a gap after the colour table are taken from where the file says.
  std::vector<BYTE> gap(bottomUp.begin(), bottomUp.begin() + 54);
  gap.insert(gap.end(), 10, 0xEE);
  gap.insert(gap.end(), bottomUp.begin() + 54, bottomUp.end());
  gap[10] = 64;
  WriteBytes(TempPath("quill_gap.bmp"), gap);
  GlobalBlock fromGap = ReadBmp(TempPath("quill_gap.bmp"));
  ASSERT_TRUE(fromGap);
  EXPECT_TRUE(RenderRgb(fromGap.get()) == expected);
}

TEST(BmpReading, RefusesFilesThatAreNotWholePictures) {
  const std::vector<BYTE> good = ReadBytes(kSamples + "pal8.bmp");
  ASSERT_FALSE(good.empty());
  struct Damage {
    const char* what;
    std::vector<BYTE> bytes;
  };
  std::vector<Damage> damages;
  std::vector<BYTE> wrongSignature = good;
  wrongSignature[1] = 'A';
  damages.push_back({"BA signature", wrongSignature});
  damages.push_back({"13 bytes", std::vector<BYTE>(good.begin(), good.begin() + 13)});
  damages.push_back({"last row cut short", std::vector<BYTE>(good.begin(), good.end() - 1)});
  std::vector<BYTE> tooManyColours = good;
  const DWORD colours = 300;
  std::memcpy(&tooManyColours[14 + 32], &colours, 4);
  damages.push_back({"300 colours for 8 bits", tooManyColours});
  std::vector<BYTE> hugeWidth = good;
  const LONG width = 0x7FFFFFFF;
  std::memcpy(&hugeWidth[14 + 4], &width, 4);
  damages.push_back({"huge width", hugeWidth});
  std::vector<BYTE> hugeV5 = ReadBytes(kSamples + "v5rgb24.bmp");
  std::memcpy(&hugeV5[14 + 8], &width, 4);
  damages.push_back({"huge height in a larger header", hugeV5});
  for (const Damage& damage : damages) {
    WriteBytes(TempPath("quill_damaged.bmp"), damage.bytes);
    EXPECT_FALSE(ReadBmp(TempPath("quill_damaged.bmp"))) << damage.what;
  }
}

TEST(BmpWriting, StoresTheStandardFileHeaderAndThePaddedSize) {
  GlobalBlock dib = CreateBlankDib(10, 3, 8);
  ASSERT_TRUE(dib);
  const std::string path = TempPath("quill_written.bmp");
  {
    qfw::File file;
    ASSERT_TRUE(file.Open(path, qfw::File::Mode::kCreateReadWrite, nullptr));
    EXPECT_EQ(WriteDibToBmpFile(dib.get(), file), 1);
  }
  std::vector<BYTE> bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 1078u + 36u);
  DWORD value = 0;
  std::memcpy(&value, &bytes[2], 4);
  EXPECT_EQ(value, 1078u + 36u);
  std::memcpy(&value, &bytes[10], 4);
  EXPECT_EQ(value, 1078u);
  std::memcpy(&value, &bytes[14 + 20], 4);
  EXPECT_EQ(value, 36u) << "biSizeImage";

  // A file with a gap and odd reserved words is written back in the standard form.
  std::vector<BYTE> odd = ReadBytes(kSamples + "rgb24.bmp");
  odd[6] = 7;
  WriteBytes(TempPath("quill_odd.bmp"), odd);
  GlobalBlock read = ReadBmp(TempPath("quill_odd.bmp"));
  ASSERT_TRUE(read);
  {
    qfw::File file;
    ASSERT_TRUE(file.Open(path, qfw::File::Mode::kCreateReadWrite, nullptr));
    EXPECT_EQ(WriteDibToBmpFile(read.get(), file), 1);
  }
  bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes[6], 0);
  std::memcpy(&value, &bytes[10], 4);
  EXPECT_EQ(value, 54u);
}

TEST(BmpWriting, WritesNothingButTheFortyByteForm) {
  std::vector<BYTE> core(12 + 3 * 2 + 4 * 2, 0);
  core[0] = 12;
  core[4] = 2;  // width
  core[6] = 2;  // height
  core[8] = 1;  // planes
  core[10] = 1; // bits
  GlobalBlock dib = GlobalBlock::AllocateMovable(core.size());
  {
    GlobalLockGuard lock(dib.get());
    std::memcpy(lock.data(), core.data(), core.size());
  }
  const std::string path = TempPath("quill_core.bmp");
  qfw::File file;
  ASSERT_TRUE(file.Open(path, qfw::File::Mode::kCreateReadWrite, nullptr));
  EXPECT_EQ(WriteDibToBmpFile(dib.get(), file), 0);
  EXPECT_EQ(WriteDibToBmpFile(nullptr, file), 0);
  EXPECT_EQ(file.GetLength(), 0u) << "the file stays as the caller left it";
}

TEST(BmpWriting, LeavesFilesForTheIndependentToolToReadBack) {
  const std::string folder = ExeFolder() + "bmp_written\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (WORD bits : {1, 4, 8, 24}) {
    GlobalBlock dib = PatternDib(37, 23, bits, false, true);
    ASSERT_TRUE(dib);
    const std::string name = folder + "pattern" + std::to_string(bits);
    qfw::File file;
    ASSERT_TRUE(file.Open(name + ".bmp", qfw::File::Mode::kCreateReadWrite, nullptr));
    ASSERT_EQ(WriteDibToBmpFile(dib.get(), file), 1);
    file.Close();
    WriteBytes(name + ".rgb", RenderRgb(dib.get()));
  }
}

}  // namespace
}  // namespace quill
