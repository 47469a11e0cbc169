// The About box and the image information dialog inside a real main frame: the supported-scanner
// table, the connected scanner named from the inquiry block, and the image's size, depth and
// storage size.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/about_dlg.h"
#include "framework/application.h"
#include "image/dib.h"
#include "framework/handles.h"
#include "app/image_info_dlg.h"
#include "app/main_frame.h"
#include "doc/quill_doc.h"
#include "app/quill_doc_template.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "app/scanner_models.h"
#include "tests/unit/image_frame_fixture.h"
#include "tests/unit/test_support.h"

namespace quill {
namespace {

// A main frame whose scanner answers with a block the test wrote, or does not answer.
class FrameWithInquiry : public CMainFrame {
 public:
  BOOL ReadScannerInquiry(unsigned char (&block)[kInquiryAreaBytes]) override {
    if (!answers) return FALSE;
    std::memcpy(block, inquiry, sizeof block);
    return TRUE;
  }
  bool answers = true;
  unsigned char inquiry[kInquiryAreaBytes] = {};
};

// The block a scanner of the maker sends: SCSI inquiry data with the given fields.
void WriteInquiry(unsigned char (&block)[kInquiryAreaBytes], const char (&vendor)[9], const char* product,
                  const char* revision) {
  std::memset(block, 0, sizeof block);
  block[0] = 6;
  block[4] = 31;
  std::memcpy(block + 8, vendor, 8);
  std::memset(block + 16, ' ', 16);
  std::memcpy(block + 16, product, std::strlen(product));
  std::memcpy(block + 32, revision, 4);
}

std::function<void(HWND)> g_inspect;

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Inspects the modal dialog of this thread once it is up, then presses its OK button.
void CALLBACK InspectModalDialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog || !g_inspect) return;
  const std::function<void(HWND)> inspect = std::move(g_inspect);
  g_inspect = nullptr;
  inspect(dialog);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Runs a dialog's DoModal; `inspect` sees the dialog while it is shown.
template <typename Dialog>
void ShowAndInspect(Dialog& dialog, HWND owner, std::function<void(HWND)> inspect) {
  bool inspected = false;
  g_inspect = [&](HWND shown) {
    inspected = true;
    inspect(shown);
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, InspectModalDialog);
  ASSERT_NE(timer, 0u);
  EXPECT_EQ(dialog.DoModal(owner), IDOK);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(inspected) << "the dialog did not show";
}

std::string ItemText(HWND dialog, int id) {
  char text[128] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

TEST(SupportedScanners, EveryRowNamesAModelAndTheLongestMatchingPrefixWins) {
  ASSERT_EQ(kScannerModelRows, 37u);
  EXPECT_EQ(kSupportedScanners[36].prefix, nullptr);
  EXPECT_EQ(kSupportedScanners[36].nameId, 0u);
  for (std::size_t i = 0; i + 1 < kScannerModelRows; ++i) {
    const ScannerModel& row = kSupportedScanners[i];
    ASSERT_NE(row.prefix, nullptr) << i;
    EXPECT_GE(std::strlen(row.prefix), 6u) << row.prefix;
    EXPECT_LE(std::strlen(row.prefix), 14u) << row.prefix;
    EXPECT_GE(row.nameId, 16u) << row.prefix;
    EXPECT_LE(row.nameId, 53u) << row.prefix;
    EXPECT_FALSE(qfw::LoadResourceString(row.nameId).empty()) << row.prefix;
    // A later row that extends this one would never be reached.
    for (std::size_t later = i + 1; later + 1 < kScannerModelRows; ++later) {
      const char* other = kSupportedScanners[later].prefix;
      EXPECT_NE(std::strncmp(other, row.prefix, std::strlen(row.prefix)), 0)
          << other << " is hidden behind " << row.prefix;
      EXPECT_NE(row.nameId, kSupportedScanners[later].nameId) << row.prefix;
    }
  }

  EXPECT_EQ(LookUpScannerName("TV-DS4500V      "), UINT(IDS_MODEL_DS4500V));
  EXPECT_EQ(LookUpScannerName("TV-DS4500       "), UINT(IDS_MODEL_DS4500));
  EXPECT_EQ(LookUpScannerName("TV-DS4500X"), UINT(IDS_MODEL_DS4500)) << "the shorter prefix still matches";
  EXPECT_EQ(LookUpScannerName("TV-HS7000AD2"), UINT(IDS_MODEL_HS7000AD));
  EXPECT_EQ(LookUpScannerName("TV-DS450"), 0u) << "a product shorter than every prefix";
  EXPECT_EQ(LookUpScannerName("ACME FB-1200"), 0u);
  EXPECT_EQ(LookUpScannerName(""), 0u);
}

// A language library is built from the same script: it must carry every dialog and every name the
// table points to, or the program would show nothing in that language.
TEST(SupportedScanners, TheLanguageLibraryCarriesTheDialogsAndEveryModelName) {
  const qfw::UniqueModule owned(LoadLibraryExA("TVQUbeef.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE));
  const HMODULE library = owned.get();
  ASSERT_NE(library, nullptr) << "the test language library is not beside the test";
  EXPECT_NE(FindResourceA(library, MAKEINTRESOURCEA(IDD_ABOUTBOX), MAKEINTRESOURCEA(5)), nullptr);
  for (int dialog : {IDD_IMAGE_INFO, IDD_CONFIGURATION, IDD_BASIC_PAGE, IDD_EXTEND_PAGE, IDD_FILENAME_RULE}) {
    EXPECT_NE(FindResourceA(library, MAKEINTRESOURCEA(dialog), MAKEINTRESOURCEA(5)), nullptr) << dialog;
  }
  EXPECT_EQ(qfw::LoadResourceString(library, IDS_ILLEGAL_FOLDER), "Illegal folder name.");
  for (const ScannerModel* row = kSupportedScanners; row->prefix; ++row) {
    EXPECT_EQ(qfw::LoadResourceString(library, row->nameId), qfw::LoadResourceString(row->nameId)) << row->prefix;
  }
  EXPECT_EQ(qfw::LoadResourceString(library, IDS_UNKNOWN_SCANNER), "(Unknown)");
}

class DialogTest : public ImageFrameTest<FrameWithInquiry> {
 protected:
  // Texts of the About box's version and connected scanner.
  std::pair<std::string, std::string> AboutTexts() {
    std::pair<std::string, std::string> texts;
    CAboutDlg about(*frame_);
    ShowAndInspect(about, window_, [&](HWND dialog) {
      texts = {ItemText(dialog, IDC_VERSION), ItemText(dialog, IDC_CONNECTED_SCANNER)};
    });
    return texts;
  }

  struct ImageInformation {
    std::string size, bits, storage;
  };
  ImageInformation InformationTexts() {
    ImageInformation texts;
    CImageInfoDlg information(*frame_);
    ShowAndInspect(information, window_, [&](HWND dialog) {
      texts = {ItemText(dialog, IDC_IMAGE_SIZE), ItemText(dialog, IDC_BIT_COUNT),
               ItemText(dialog, IDC_STORAGE_SIZE)};
    });
    return texts;
  }
};

TEST_F(DialogTest, TheAboutBoxNamesOnlyAKnownModelOfTheMakerFromItsInquiryBlock) {
  WriteInquiry(frame_->inquiry, "TALVORN ", "TV-DS4500V", "1.07");
  EXPECT_EQ(AboutTexts(), std::make_pair(std::string("Version 5.6"),
                                         std::string("TALVORN DS-4500V Virtual Scanner Rev. 1.07")));
  EXPECT_STREQ(frame_->m_szConnectedScanner, "TALVORN DS-4500V Virtual Scanner Rev. 1.07");

  WriteInquiry(frame_->inquiry, "TALVORN\0", "TV-DS4500V", "1.07");
  EXPECT_EQ(AboutTexts().second, "(Unknown)") << "a NUL where the vendor's blank belongs";
  EXPECT_STREQ(frame_->m_szConnectedScanner, "") << "the text of an earlier opening is gone";

  frame_->answers = false;
  EXPECT_EQ(AboutTexts().second, "(Unknown)") << "no answer";

  // The other blocks it cannot name, without a box each (every box costs seconds under Xvfb).
  unsigned char block[kInquiryAreaBytes];
  WriteInquiry(block, "TALVORN ", "TV-FB1200C", "2.00");
  EXPECT_EQ(DescribeInquiry(block, sizeof block), "TALVORN FB-1200C Colour Flatbed Rev. 2.00");
  EXPECT_EQ(DescribeInquiry(block, 35), "") << "an area too small for the revision";
  WriteInquiry(block, "ACME    ", "TV-DS4500V", "1.07");
  EXPECT_EQ(DescribeInquiry(block, sizeof block), "") << "another vendor";
  WriteInquiry(block, "TALVORN ", "TV-XX1", "1.07");
  EXPECT_EQ(DescribeInquiry(block, sizeof block), "") << "a model of the maker not in the table";
  WriteInquiry(block, "TALVORN ", "TV-DS4500V", "1.07");
  block[4] = 30;
  EXPECT_EQ(DescribeInquiry(block, sizeof block), "") << "a block that says it ends before the revision";
}

TEST_F(DialogTest, TheInformationShowsSizeDepthAndWholeKilobytesRoundedUp) {
  EXPECT_EQ(InformationTexts().size, "") << "without an image only the labels show";

  GlobalBlock dib = CreateBlankDib(2480, 3508, 1);
  ASSERT_TRUE(dib);
  ASSERT_TRUE(frame_->OnNativeImage(dib.release()));
  auto* document = static_cast<CQuillDoc*>(template_->Documents().back().get());
  ImageInformation shown = InformationTexts();
  EXPECT_EQ(shown.size, " 2480 x 3508");
  EXPECT_EQ(shown.bits, " 1");
  // The BMP file: 14 + 40 + 8 bytes of headers and colours, 3508 rows of 312 bytes.
  EXPECT_EQ(shown.storage, " 1095 KB");

  document->FileSize = 1000;
  EXPECT_EQ(InformationTexts().storage, " 1 KB");
  document->FileSize = 1001;
  EXPECT_EQ(InformationTexts().storage, " 2 KB");
  document->FileSize = 0;
  EXPECT_EQ(InformationTexts().storage, " 0 KB");
}

}  // namespace
}  // namespace quill
