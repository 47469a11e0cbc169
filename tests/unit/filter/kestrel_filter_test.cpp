// The filter binding as the rest of the program meets it: the call block byte for byte, commands
// run through KESTREL.DLL, and every way a library can fail ending in its exception and report.
#include "filter/kestrel_filter.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "framework/message_box.h"

namespace quill {
namespace {

std::string BesideThisProgram(const char* fileName) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length < MAX_PATH ? length : 0);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + fileName;
}

std::string TestFolder() { return BesideThisProgram(""); }

class RecordingPresenter : public qfw::MessagePresenter {
 public:
  RecordingPresenter() : scope_(*this) {}
  int Show(HWND, const char* text, const char* caption, UINT style) override {
    texts.push_back(text);
    captions.push_back(caption ? caption : "(default)");
    styles.push_back(style);
    return IDOK;
  }
  std::vector<std::string> texts;
  std::vector<std::string> captions;
  std::vector<UINT> styles;

 private:
  qfw::ScopedMessagePresenter scope_;
};

std::vector<uint8_t> BlockBytes(const KestrelFilter& filter) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&filter.CallBlock());
  return std::vector<uint8_t>(bytes, bytes + sizeof(KestrelCallBlock));
}

uint32_t Little32(const std::vector<uint8_t>& bytes, size_t offset) {
  return byte_order::ReadLittle32(bytes.data() + offset);
}

uint32_t AddressOf(const void* p) { return static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(p)); }

// Runs `action` and returns the code of the filter exception it throws (0 when none).
template <typename Action>
DWORD CodeThrownBy(Action action) {
  try {
    action();
  } catch (const CKestrelException& failure) {
    return failure.Code();
  }
  return 0;
}

class KestrelFilterTest : public ::testing::Test {
 protected:
  void TearDown() override {
    KestrelFilter::SetCompletionTimeoutForTests(KestrelFilter::kCompletionTimeoutMs);
    // Every test gives its share back: nothing may stay bound for the next one.
    EXPECT_EQ(0, KestrelFilter::InstanceCount());
    EXPECT_FALSE(KestrelFilter::LibraryBound());
  }
  const std::string library_ = BesideThisProgram("KESTREL.DLL");
};

TEST_F(KestrelFilterTest, SettersStoreTheImageRecordBigEndianAndReturnThePreviousValue) {
  KestrelFilter filter(library_);
  EXPECT_EQ(0u, filter.SetImageWidth(10200));
  EXPECT_EQ(0u, filter.SetImageLength(14040));
  EXPECT_EQ(0, filter.SetXResolution(300));
  EXPECT_EQ(0, filter.SetYResolution(200));
  EXPECT_EQ(0, filter.SetBitsPerPixel(1));
  std::vector<uint8_t> expected(84, 0);
  expected[0] = 24;
  expected[24] = 8;
  expected[32] = 12;
  expected[44] = 40;
  expected[46] = 0x01, expected[47] = 0x2C;                                        // 300
  expected[48] = 0x00, expected[49] = 0xC8;                                        // 200
  expected[58] = 0x00, expected[59] = 0x00, expected[60] = 0x27, expected[61] = 0xD8;  // 10200
  expected[62] = 0x00, expected[63] = 0x00, expected[64] = 0x36, expected[65] = 0xD8;  // 14040
  expected[70] = 1;
  EXPECT_EQ(expected, BlockBytes(filter));

  EXPECT_EQ(10200u, filter.SetImageWidth(1));
  EXPECT_EQ(14040u, filter.SetImageLength(2));
  EXPECT_EQ(300, filter.SetXResolution(3));
  EXPECT_EQ(200, filter.SetYResolution(4));
  EXPECT_EQ(1, filter.SetBitsPerPixel(8));
  EXPECT_EQ(1u, filter.GetImageWidth());
  EXPECT_EQ(2u, filter.GetImageLength());
  EXPECT_EQ(3, filter.GetXResolution());
  EXPECT_EQ(4, filter.GetYResolution());
  EXPECT_EQ(8, filter.GetBitsPerPixel());
  EXPECT_EQ(1u, filter.SetWhiteIsZero(1));  // the new value
  EXPECT_EQ(1u, filter.GetWhiteIsZero());

  filter.Reset();
  std::vector<uint8_t> cleared(84, 0);
  cleared[0] = 24, cleared[24] = 8, cleared[32] = 12, cleared[44] = 40;
  EXPECT_EQ(cleared, BlockBytes(filter));
  EXPECT_EQ(1u, filter.GetWhiteIsZero());  // not part of the block
}

TEST_F(KestrelFilterTest, CommandsLinkTheirRecords) {
  KestrelFilter filter(library_);
  const KestrelCallBlock& block = filter.CallBlock();
  const uint32_t fileRecord = AddressOf(&block.file);
  const uint32_t bufferRecord = AddressOf(&block.buffer);
  const uint32_t imageRecord = AddressOf(&block.image);

  filter.SetEncode(3, 0);
  std::vector<uint8_t> bytes = BlockBytes(filter);
  EXPECT_EQ(std::vector<uint8_t>({24, 0, 2, 0, 0, 0, 0, 0}),
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8));
  EXPECT_EQ(0u, Little32(bytes, 8));   // no event before Execute
  EXPECT_EQ(0u, Little32(bytes, 12));  // no file record for a memory command
  EXPECT_EQ(bufferRecord, Little32(bytes, 16));
  EXPECT_EQ(imageRecord, Little32(bytes, 20));

  filter.SetDecode(4, 0);
  EXPECT_EQ(3, filter.CallBlock().header.command);
  EXPECT_EQ(0u, filter.CallBlock().header.fileRecord);

  std::string name = "C:\\out\\PAGE0001.TIF";
  filter.SetFileOutput(name.c_str(), 0, 1, 6, 4, 0, 0);
  name.assign(name.size(), 'x');  // the binding keeps its own copy
  bytes = BlockBytes(filter);
  EXPECT_EQ(0, bytes[2]);
  EXPECT_EQ(fileRecord, Little32(bytes, 12));
  EXPECT_EQ(std::vector<uint8_t>({8, 0, 0, 1}), std::vector<uint8_t>(&bytes[24], &bytes[28]));
  const char* stored = reinterpret_cast<const char*>(static_cast<UINT_PTR>(Little32(bytes, 28)));
  EXPECT_STREQ("C:\\out\\PAGE0001.TIF", stored);
}

// A bilevel page with black runs of every length the codes distinguish, and blank rows.
struct BilevelPage {
  static constexpr uint32_t kRowBytes = 216;  // 1728 pixels
  static constexpr uint32_t kRows = 64;
  std::vector<uint8_t> rows = std::vector<uint8_t>(kRowBytes * kRows, 0);
  BilevelPage() {
    for (uint32_t r = 0; r < kRows; ++r) {
      if (r % 8 == 7) continue;
      for (uint32_t x = (r * 37) % 500; x < 1728; x += 3 + (r % 13) * 11) {
        const uint32_t run = 1 + (x + r) % 40;
        for (uint32_t p = x; p < x + run && p < 1728; ++p) rows[r * kRowBytes + p / 8] |= 0x80 >> (p % 8);
      }
    }
  }
};

TEST_F(KestrelFilterTest, EncodeAndDecodeThroughExecuteRoundTripABilevelPage) {
  KestrelFilter filter(library_);
  const BilevelPage page;
  struct Mode {
    uint8_t mode, k;
  };
  for (const Mode coding : {Mode{3, 0}, Mode{4, 0}, Mode{5, 0}, Mode{6, 4}, Mode{1, 0}}) {
    SCOPED_TRACE(static_cast<int>(coding.mode));
    std::vector<uint8_t> coded(2 * page.rows.size());
    CodingParams params{};
    filter.Reset();
    filter.SetEncode(coding.mode, coding.k);
    filter.SetBitsPerPixel(1);
    filter.SetWhiteIsZero(0);
    filter.AllocWorkBuffer(2 * BilevelPage::kRowBytes);
    params.word[1] = static_cast<uint32_t>(page.rows.size());
    params.word[2] = BilevelPage::kRowBytes;
    params.word[3] = BilevelPage::kRows;
    params.word[5] = AddressOf(page.rows.data());
    params.word[7] = static_cast<uint32_t>(coded.size());
    params.word[11] = AddressOf(coded.data());
    EXPECT_EQ(1, filter.Execute(&params, kKestrelToMemory, 3));
    EXPECT_NE(0u, filter.CallBlock().buffer.workBuffer);
    filter.FreeWorkBuffer();
    EXPECT_EQ(static_cast<uint32_t>(coding.mode | coding.k << 8), params.word[0]);
    const uint32_t codedBytes = params.word[7];
    ASSERT_GT(codedBytes, 0u);
    ASSERT_LT(codedBytes, page.rows.size());

    const KestrelCallBlock& block = filter.CallBlock();
    EXPECT_EQ(0x8302, block.buffer.flags);  // memory; 3 with white-is-zero 0
    EXPECT_EQ(kKestrelCompletionByEvent, block.header.completionKind);
    EXPECT_NE(0u, block.header.eventHandle);
    EXPECT_EQ(AddressOf(&params), block.buffer.params);

    std::vector<uint8_t> decoded(page.rows.size(), 0xAA);
    CodingParams decode{};
    filter.Reset();
    filter.SetDecode(coding.mode, coding.k);
    filter.SetBitsPerPixel(1);
    filter.SetWhiteIsZero(1);
    filter.AllocWorkBuffer(2 * BilevelPage::kRowBytes);
    decode.word[1] = codedBytes;
    decode.word[2] = BilevelPage::kRowBytes;
    decode.word[3] = BilevelPage::kRows;
    decode.word[5] = AddressOf(coded.data());
    decode.word[7] = static_cast<uint32_t>(decoded.size());
    decode.word[11] = AddressOf(decoded.data());
    EXPECT_EQ(1, filter.Execute(&decode, kKestrelToMemory, 3));
    EXPECT_EQ(static_cast<uint32_t>(coding.mode << 16 | coding.k << 24), decode.word[0]);
    EXPECT_EQ(0x0302, filter.CallBlock().buffer.flags);  // white-is-zero 1: no 0x80
    filter.FreeWorkBuffer();
    EXPECT_EQ(page.rows.size(), decode.word[7]);
    EXPECT_TRUE(page.rows == decoded);
  }
}

TEST_F(KestrelFilterTest, LibraryStatusesBecomeExceptionsWithTheirReports) {
  KestrelFilter filter(library_);
  RecordingPresenter presenter;
  CodingParams params{};
  // Reset leaves the records unlinked: the library cannot reach them.
  filter.Reset();
  const DWORD unlinked = CodeThrownBy([&] { filter.Execute(&params, kKestrelToMemory, 3); });
  EXPECT_EQ(3u, unlinked);
  EXPECT_EQ(3u, CKestrelException(unlinked).ReportError());
  // An encode of zero rows is an image the library does not support.
  filter.SetEncode(3, 0);
  const DWORD noRows = CodeThrownBy([&] { filter.Execute(&params, kKestrelToMemory, 3); });
  EXPECT_EQ(192u, noRows);
  CKestrelException(noRows).ReportError();
  EXPECT_EQ(std::vector<std::string>({"KS_INVALID_MMB", "KS_INVALID_IMG"}), presenter.texts);
  // The event of a failed command is gone too: the next command runs normally.
  EXPECT_EQ(224u, CodeThrownBy([&] { filter.Execute(nullptr, kKestrelToMemory, 3); }));
}

TEST_F(KestrelFilterTest, ObjectsShareOneBindingUntilTheLastGoes) {
  {
    KestrelFilter first(library_);
    EXPECT_EQ(1, KestrelFilter::InstanceCount());
    EXPECT_TRUE(KestrelFilter::LibraryBound());
    {
      // Bound already: the path of a second object is not even tried.
      KestrelFilter second(BesideThisProgram("no such folder\\KESTREL.DLL"));
      EXPECT_EQ(2, KestrelFilter::InstanceCount());
      EXPECT_EQ(0x00010000u, second.GetInfo());
    }
    EXPECT_EQ(1, KestrelFilter::InstanceCount());
    EXPECT_TRUE(KestrelFilter::LibraryBound());
    EXPECT_EQ(1u, first.GetLastResult());
  }
  EXPECT_EQ(nullptr, GetModuleHandleA(library_.c_str()));
}

TEST_F(KestrelFilterTest, UnbindingForgetsTheEntryPoints) {
  KestrelFilter filter(library_);
  EXPECT_EQ(1u, filter.UnbindLibrary());
  EXPECT_FALSE(KestrelFilter::LibraryBound());
  EXPECT_EQ(static_cast<DWORD>(kKestrelMissingEntry), CodeThrownBy([&] { filter.GetInfo(); }));
  CodingParams params{};
  filter.SetEncode(3, 0);
  EXPECT_EQ(static_cast<DWORD>(kKestrelMissingEntry),
            CodeThrownBy([&] { filter.Execute(&params, kKestrelToMemory, 3); }));
  EXPECT_EQ(1, filter.BindLibrary(library_));
  EXPECT_TRUE(KestrelFilter::LibraryBound());
}

TEST_F(KestrelFilterTest, LibrariesThatCannotBeBoundLeaveNothingBehind) {
  RecordingPresenter presenter;
  const DWORD missing =
      CodeThrownBy([&] { KestrelFilter filter(BesideThisProgram("missing\\KESTREL.DLL")); });
  EXPECT_EQ(static_cast<DWORD>(kKestrelCannotLoad), missing);
  EXPECT_EQ(0, KestrelFilter::InstanceCount());
  const DWORD noExec = CodeThrownBy([&] { KestrelFilter filter(BesideThisProgram("kestrel_no_exec.dll")); });
  EXPECT_EQ(61442u, noExec);
  EXPECT_EQ(0, KestrelFilter::InstanceCount());
  EXPECT_EQ(nullptr, GetModuleHandleA(BesideThisProgram("kestrel_no_exec.dll").c_str()));
  EXPECT_EQ(missing, CKestrelException(missing).ReportError());
  EXPECT_EQ(noExec, CKestrelException(noExec).ReportError());
  EXPECT_EQ(std::vector<std::string>(2, "Unable to load library(KESTREL.DLL)"), presenter.texts);
  EXPECT_EQ(static_cast<UINT>(MB_OK), presenter.styles[0]);
}

// Runs one encode command against the stand-in `library` and returns the code it ends with.
DWORD ExecuteAgainst(const char* library, WORD* status = nullptr) {
  KestrelFilter filter(BesideThisProgram(library));
  CodingParams params{};
  filter.SetEncode(3, 0);
  return CodeThrownBy([&] {
    const WORD result = filter.Execute(&params, kKestrelToMemory, 3);
    if (status) *status = result;
  });
}

TEST_F(KestrelFilterTest, ALibraryThatNeverSignalsFailsAfterTheWait) {
  KestrelFilter::SetCompletionTimeoutForTests(300);
  const DWORD started = GetTickCount();
  EXPECT_EQ(61444u, ExecuteAgainst("kestrel_silent.dll"));
  EXPECT_GE(GetTickCount() - started, 250u);
  RecordingPresenter presenter;
  CKestrelException(61444).ReportError();
  EXPECT_EQ(std::vector<std::string>({"Program execute faluire"}), presenter.texts);
}

TEST_F(KestrelFilterTest, TheSignalledStatusDecides) {
  RecordingPresenter presenter;
  EXPECT_EQ(61444u, ExecuteAgainst("kestrel_status0.dll"));
  const DWORD invalidImage = ExecuteAgainst("kestrel_status192.dll");
  EXPECT_EQ(192u, invalidImage);
  CKestrelException(invalidImage).ReportError();
  EXPECT_EQ(std::vector<std::string>({"KS_INVALID_IMG"}), presenter.texts);
  // Signalled later from a thread of the library's own: the wait takes it, status 5 is success.
  WORD status = 0;
  EXPECT_EQ(0u, ExecuteAgainst("kestrel_late.dll", &status));
  EXPECT_EQ(5, status);
}

TEST_F(KestrelFilterTest, ReportsShowTheTextOfTheirCode) {
  RecordingPresenter presenter;
  const struct {
    DWORD code;
    const char* text;
  } rows[] = {
      {2, "KS_INVALID_CMD"},
      {3, "KS_INVALID_MMB"},
      {4, "KS_ERROR"},
      {128, "KS_INVALID_FNM"},
      {192, "KS_INVALID_IMG"},
      {224, "KS_INVALID_PRM"},
      {0xF001, "Unable to load library(KESTREL.DLL)"},
      {0xF002, "Unable to load library(KESTREL.DLL)"},
      {0xF003, "Not enough memory"},
      {0xF004, "Program execute faluire"},
      {0xF005, "Not enough resource"},
      {0xF006, "Internal error"},
      {6, "Internal error"},
  };
  for (const auto& row : rows) {
    presenter.texts.clear();
    EXPECT_EQ(row.code, CKestrelException(row.code).ReportError());
    EXPECT_EQ(std::vector<std::string>({row.text}), presenter.texts) << row.code;
  }
  presenter.texts.clear();
  for (DWORD quiet : {0u, 1u, 5u}) EXPECT_EQ(quiet, CKestrelException(quiet).ReportError());
  EXPECT_EQ(0u, CKestrelException().ReportError());
  EXPECT_TRUE(presenter.texts.empty());
}

// The 64-bit program keeps its memory below 4 GB; a block above it must never reach the library,
// which could not answer it and would leave the binding waiting.
TEST_F(KestrelFilterTest, AParameterBlockBeyond32BitAddressesIsRefusedBeforeTheCall) {
#ifndef _WIN64
  GTEST_SKIP() << "every address fits 32 bits";
#else
  void* high = nullptr;
  for (UINT_PTR base = UINT_PTR{1} << 33; !high && base < (UINT_PTR{1} << 40); base <<= 1)
    high = VirtualAlloc(reinterpret_cast<void*>(base), 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(nullptr, high);
  KestrelFilter::SetCompletionTimeoutForTests(60000);
  {
    KestrelFilter filter(library_);
    filter.SetEncode(3, 0);
    const DWORD started = GetTickCount();
    EXPECT_EQ(static_cast<DWORD>(kKestrelAddressOutOfReach),
              CodeThrownBy([&] { filter.Execute(static_cast<CodingParams*>(high), kKestrelToMemory, 3); }));
    EXPECT_LT(GetTickCount() - started, 5000u);
  }
  VirtualFree(high, 0, MEM_RELEASE);
#endif
}

TEST_F(KestrelFilterTest, AWorkBufferThatCannotBeHadIsOutOfMemory) {
  KestrelFilter filter(library_);
  EXPECT_EQ(61443u, CodeThrownBy([&] { filter.AllocWorkBuffer(~size_t{0} / 2); }));
  EXPECT_EQ(1, filter.AllocWorkBuffer(64));
}

TEST_F(KestrelFilterTest, StartUpReportsAMissingLibraryOnceAndGoesOnWithout) {
  RecordingPresenter presenter;
  BindProgramFilter(TestFolder() + "missing\\");
  EXPECT_EQ(nullptr, ProgramFilter());
  EXPECT_EQ(std::vector<std::string>({"Unable to load library(KESTREL.DLL)"}), presenter.texts);
  ReleaseProgramFilter();
  EXPECT_EQ(1u, presenter.texts.size());
}

TEST_F(KestrelFilterTest, StartUpBindsTheLibraryOfTheFilterFolderAndExitReleasesIt) {
  RecordingPresenter presenter;
  BindProgramFilter(TestFolder());
  ASSERT_NE(nullptr, ProgramFilter());
  EXPECT_TRUE(KestrelFilter::LibraryBound());
  EXPECT_NE(nullptr, GetModuleHandleA(library_.c_str()));
  ReleaseProgramFilter();
  EXPECT_EQ(nullptr, ProgramFilter());
  EXPECT_EQ(nullptr, GetModuleHandleA(library_.c_str()));
  EXPECT_TRUE(presenter.texts.empty());
}

}  // namespace
}  // namespace quill
