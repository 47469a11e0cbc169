// Image windows inside a real main frame: new documents, the menu that follows the active
// window, the closing commands with their questions, the hand-over of a transferred DIB, and the
// view's selection, display modes and Copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/application.h"
#include "image/dib.h"
#include "app/main_frame.h"
#include "framework/message_box.h"
#include "doc/quill_doc.h"
#include "app/quill_doc_template.h"
#include "view/quill_view.h"
#include "res/resource.h"
#include "config/scan_settings.h"
#include "tests/unit/image_frame_fixture.h"
#include "tests/unit/test_support.h"
#include "tests/common/screen_pixels.h"
#include "tests/common/test_files.h"

namespace quill {
namespace {

// Answers every question with `answer` and remembers what was asked.
class AnsweringPresenter : public qfw::MessagePresenter {
 public:
  explicit AnsweringPresenter(int answer) : answer_(answer) {}
  int Show(HWND, const char* text, const char*, UINT) override {
    asked.push_back(text);
    return answer_;
  }
  std::vector<std::string> asked;

 private:
  int answer_;
};

class ImageWindowTest : public ImageFrameTest<CMainFrame> {
 protected:
  void SetUp() override {
    ImageFrameTest::SetUp();
    if (HasFatalFailure()) return;
    frame_->SetTitle("TWAIN Tessel Utility (32)");
    TheSettings().Destination = 0;
  }

  void Command(UINT id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  CQuillDoc* NewImage() {
    Command(ID_FILE_NEW);
    return static_cast<CQuillDoc*>(template_->Documents().back().get());
  }
  CQuillDoc* ScannedImage(DWORD width, DWORD height, WORD bits) {
    GlobalBlock dib = CreateBlankDib(width, height, bits);
    EXPECT_TRUE(dib);
    EXPECT_TRUE(frame_->OnNativeImage(dib.release()));
    return static_cast<CQuillDoc*>(template_->Documents().back().get());
  }
  CQuillView* ViewOf(CQuillDoc* document) {
    return static_cast<CQuillView*>(document->Views().front());
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const auto& document : template_->Documents()) titles.push_back(document->Title());
    return titles;
  }
  std::string FrameTitle() const {
    char text[128] = "";
    GetWindowTextA(window_, text, sizeof text);
    return text;
  }
  bool MenuHas(UINT id) const { return GetMenuState(GetMenu(window_), id, MF_BYCOMMAND) != 0xFFFFFFFF; }
  UINT MenuState(UINT id) const { return GetMenuState(GetMenu(window_), id, MF_BYCOMMAND); }
};

TEST_F(ImageWindowTest, NewImagesAreNumberedAndBringTheImageMenuUntilTheLastCloses) {
  EXPECT_FALSE(MenuHas(ID_CLOSE_ALL));
  NewImage();
  NewImage();
  EXPECT_EQ(Titles(), (std::vector<std::string>{"IMAGE1", "IMAGE2"}));
  EXPECT_EQ(GetMenu(window_), template_->Menu());
  EXPECT_EQ(FrameTitle(), "TWAIN Tessel Utility (32) - IMAGE2");
  EXPECT_FALSE(template_->Documents()[0]->IsModified());

  Command(ID_FILE_CLOSE);  // the active one, unmodified: no question
  EXPECT_EQ(Titles(), (std::vector<std::string>{"IMAGE1"}));
  EXPECT_EQ(FrameTitle(), "TWAIN Tessel Utility (32) - IMAGE1");
  Command(ID_FILE_CLOSE);
  EXPECT_TRUE(template_->Documents().empty());
  EXPECT_FALSE(MenuHas(ID_CLOSE_ALL)) << "the main menu comes back with the last image";
  EXPECT_EQ(FrameTitle(), "TWAIN Tessel Utility (32)");
  NewImage();
  EXPECT_EQ(Titles(), (std::vector<std::string>{"IMAGE3"})) << "numbers are never reused";
}

TEST_F(ImageWindowTest, CloseAllAsksOnceOnlyWhenAnImageIsModified) {
  NewImage();
  NewImage()->SetModified(true);
  NewImage();
  {
    AnsweringPresenter cancel(IDCANCEL);
    qfw::ScopedMessagePresenter scope(cancel);
    Command(ID_CLOSE_ALL);
    EXPECT_EQ(cancel.asked, (std::vector<std::string>{"Close all images without save?"}));
    EXPECT_EQ(template_->Documents().size(), 3u) << "Cancel closes nothing";
  }
  AnsweringPresenter ok(IDOK);
  qfw::ScopedMessagePresenter scope(ok);
  Command(ID_CLOSE_ALL);
  EXPECT_EQ(ok.asked.size(), 1u) << "no save question after the one for all";
  EXPECT_TRUE(template_->Documents().empty());

  NewImage();
  NewImage();
  Command(ID_CLOSE_ALL);
  EXPECT_EQ(ok.asked.size(), 1u) << "unmodified images close without a question";
  EXPECT_TRUE(template_->Documents().empty());
}

TEST_F(ImageWindowTest, InquiryCloseAllAsksPerImageAndStopsAtCancel) {
  NewImage()->SetModified(true);
  NewImage()->SetModified(true);
  {
    AnsweringPresenter cancel(IDCANCEL);
    qfw::ScopedMessagePresenter scope(cancel);
    Command(ID_INQUIRY_CLOSE_ALL);
    EXPECT_EQ(cancel.asked, (std::vector<std::string>{"Save changes to IMAGE2?"}));
    EXPECT_EQ(template_->Documents().size(), 2u);
  }
  AnsweringPresenter no(IDNO);
  qfw::ScopedMessagePresenter scope(no);
  Command(ID_INQUIRY_CLOSE_ALL);
  EXPECT_EQ(no.asked, (std::vector<std::string>{"Save changes to IMAGE2?", "Save changes to IMAGE1?"}));
  EXPECT_TRUE(template_->Documents().empty());
}

TEST_F(ImageWindowTest, ExitAsksForEveryModifiedImageAndCancelKeepsTheProgram) {
  NewImage()->SetModified(true);
  NewImage();
  NewImage()->SetModified(true);
  {
    AnsweringPresenter cancel(IDCANCEL);
    qfw::ScopedMessagePresenter scope(cancel);
    SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(cancel.asked.size(), 1u);
  }
  AnsweringPresenter no(IDNO);
  qfw::ScopedMessagePresenter scope(no);
  SendMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(no.asked, (std::vector<std::string>{"Save changes to IMAGE1?", "Save changes to IMAGE3?"}));
}

// While a modal box is up its message loop runs: the main window can be closed, and every
// document and image window with it, before the box returns.
class ClosingPresenter : public qfw::MessagePresenter {
 public:
  ClosingPresenter(HWND mainWindow, int answer) : mainWindow_(mainWindow), answer_(answer) {}
  int Show(HWND, const char* text, const char*, UINT) override {
    asked.push_back(text);
    if (asked.size() == 1) SendMessageA(mainWindow_, WM_CLOSE, 0, 0);
    return answer_;
  }
  std::vector<std::string> asked;

 private:
  HWND mainWindow_;
  int answer_;
};

TEST_F(ImageWindowTest, DocumentsClosedDuringTheirOwnReportOrQuestionAreNotTouchedAgain) {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string damaged = std::string(folder) + "quill_closed_while_reported.bmp";
  HANDLE file = CreateFileA(damaged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "BM not a bitmap", 15, &written, nullptr);
  CloseHandle(file);
  {
    ClosingPresenter closing(window_, IDOK);
    qfw::ScopedMessagePresenter scope(closing);
    EXPECT_FALSE(frame_->OnImageFile(damaged.c_str()));
    EXPECT_EQ(closing.asked, (std::vector<std::string>{"File load failure."}));
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_TRUE(template_->Documents().empty());
  }
  DeleteFileA(damaged.c_str());
}

TEST_F(ImageWindowTest, OnlyFilesAUserOpenedGoOnTheRecentFileList) {
  application_.LoadStdProfileSettings(4);
  ASSERT_NE(application_.RecentFiles(), nullptr);
  const std::vector<std::string> before = application_.RecentFiles()->Entries();
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof folder, folder);
  const std::string path = std::string(folder) + "quill_recent.bmp";
  {
    GlobalBlock dib = CreateBlankDib(8, 8, 24);
    GlobalLockGuard lock(dib.get());
    ASSERT_TRUE(lock);
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(lock.bytes());
    ASSERT_TRUE(quill_test::WriteBmpFile(path, *info, {}, lock.bytes() + info->biSize,
                                         GetDibTotalSize(lock.bytes()) - info->biSize));
  }
  // A page a file-mode scan handed over, named after its output file.
  ASSERT_TRUE(frame_->OnImageFile(path.c_str()));
  EXPECT_EQ(application_.RecentFiles()->Entries(), before) << "a transferred page is not a file to reopen";
  // The same file opened by the user (dropped on the window, as File Open does it).
  ASSERT_TRUE(application_.OpenDocumentFile(path.c_str()));
  ASSERT_FALSE(application_.RecentFiles()->Entries().empty());
  EXPECT_EQ(application_.RecentFiles()->Entries().front(), path);
  EXPECT_EQ(application_.RecentFiles()->Entries().size(), std::min<size_t>(before.size() + 1, 4));
  DeleteFileA(path.c_str());
}

TEST_F(ImageWindowTest, AnImageWindowClosedDuringItsOwnSaveQuestionIsNotClosedTwice) {
  NewImage()->SetModified(true);
  const HWND child = GetWindow(FindWindowExA(window_, nullptr, "MDIClient", nullptr), GW_CHILD);
  ASSERT_NE(child, nullptr);
  // Answered No: the frame's close (asked the same question inside) goes ahead, the image
  // window's own close then finds nothing left to close.
  ClosingPresenter closing(window_, IDNO);
  qfw::ScopedMessagePresenter scope(closing);
  SendMessageA(child, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(template_->Documents().empty());
}

TEST_F(ImageWindowTest, ATransferredImageGetsItsOwnWindowWhileTheActiveWindowStaysActive) {
  SetActiveWindow(window_);
  CQuillDoc* first = ScannedImage(300, 200, 8);
  CQuillDoc* second = ScannedImage(120, 90, 1);
  EXPECT_EQ(GetActiveWindow(), window_);
  EXPECT_EQ(Titles(), (std::vector<std::string>{"IMAGE1", "IMAGE2"}));
  EXPECT_TRUE(first->IsModified()) << "shown only on the screen: closing asks";
  EXPECT_EQ(first->ImageWidth, 300);
  EXPECT_EQ(first->ImageHeight, 200);
  EXPECT_EQ(first->BitCount, 8);
  EXPECT_EQ(second->BitCount, 1);
  EXPECT_EQ(first->FileSize, static_cast<LONG>(14 + 40 + 256 * 4 + 300 * 200));
  EXPECT_NE(first->GetPalette(), nullptr);
  EXPECT_EQ(ViewOf(first)->TotalSize().cx, 300);
  EXPECT_EQ(ViewOf(first)->TotalSize().cy, 200);

  TheSettings().Destination = 2;
  CQuillDoc* filed = ScannedImage(64, 64, 24);
  EXPECT_FALSE(filed->IsModified()) << "also written to a file: no question";
  const std::string title = filed->Title();
  EXPECT_EQ(title.substr(title.size() - 4), ".BMP") << "named after its output file: " << title;
}

TEST_F(ImageWindowTest, SelectAllCoversTheImageAndEnablesCopyWhichCopiesIt) {
  CQuillDoc* document = ScannedImage(640, 480, 1);
  CQuillView* view = ViewOf(document);
  SendMessageA(view->ParentFrame(), WM_CHILDACTIVATE, 0, 0);
  EXPECT_NE(MenuState(ID_EDIT_COPY) & MF_GRAYED, 0u);
  Command(ID_EDIT_SELECT_ALL);
  EXPECT_EQ(view->m_rcSelection.x1, 0);
  EXPECT_EQ(view->m_rcSelection.y1, 0);
  EXPECT_EQ(view->m_rcSelection.x2, 640);
  EXPECT_EQ(view->m_rcSelection.y2, 480);
  EXPECT_EQ(MenuState(ID_EDIT_COPY) & MF_GRAYED, 0u);

  Command(ID_EDIT_COPY);  // the view takes it before the frame's empty handler
  ASSERT_TRUE(OpenClipboard(nullptr));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info = {};
  ASSERT_NE(bitmap, nullptr);
  GetObjectA(bitmap, sizeof info, &info);
  CloseClipboard();
  EXPECT_EQ(info.bmWidth, 640);
  EXPECT_EQ(info.bmHeight, 480);
  EXPECT_EQ(info.bmBitsPixel, 1) << "a two-colour image is copied as a monochrome bitmap";
}

TEST_F(ImageWindowTest, DisplayModesSwitchOnceAndKeepTheSelection) {
  CQuillDoc* document = ScannedImage(2000, 1500, 8);
  CQuillView* view = ViewOf(document);
  view->m_rcSelection = {10, 20, 110, 70};
  EXPECT_NE(MenuState(ID_VIEW_FULLSIZE) & MF_CHECKED, 0u);
  Command(ID_VIEW_WINDOWSIZE);
  EXPECT_TRUE(view->m_bWindowSize);
  EXPECT_EQ(view->TotalSize().cx, 1);
  EXPECT_NE(MenuState(ID_VIEW_WINDOWSIZE) & MF_CHECKED, 0u);
  EXPECT_EQ(MenuState(ID_VIEW_FULLSIZE) & MF_CHECKED, 0u);
  ASSERT_TRUE(view->m_pReduced) << "an image larger than the screen gets a reduced copy";
  HBITMAP reduced = view->m_pReduced.get();
  Command(ID_VIEW_WINDOWSIZE);  // already there: nothing happens
  EXPECT_EQ(view->m_pReduced.get(), reduced);
  Command(ID_VIEW_FULLSIZE);
  EXPECT_FALSE(view->m_bWindowSize);
  EXPECT_EQ(view->TotalSize().cx, 2000);
  EXPECT_EQ(view->m_pReduced.get(), reduced) << "the reduced copy is kept for the next switch";
  EXPECT_EQ(view->m_rcSelection.x2, 110);
}

// Mouse messages as the system sends them to the view.
void Click(HWND view, int x, int y) {
  SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The view's client area made exactly `width` by `height` pixels.
void SizeViewClient(CQuillView* view, int width, int height) {
  MoveWindow(view->Handle(), 0, 0, width, height, TRUE);
  RECT client = {};
  GetClientRect(view->Handle(), &client);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
}

TEST_F(ImageWindowTest, MousePointsMapToImagePixelsAsTheModeAndScrollPositionSay) {
  CQuillView* wide = ViewOf(ScannedImage(1000, 500, 8));
  Command(ID_VIEW_WINDOWSIZE);
  SizeViewClient(wide, 500, 400);
  Click(wide->Handle(), 100, 100);  // shown at half size: sx = 2, sy = 1.25
  EXPECT_EQ(wide->m_rcSelection.x1, 201);
  EXPECT_EQ(wide->m_rcSelection.y1, 201);

  CQuillView* small = ViewOf(ScannedImage(300, 200, 8));
  Command(ID_VIEW_WINDOWSIZE);
  SizeViewClient(small, 500, 400);
  Click(small->Handle(), 100, 100);  // fits: 1:1 without the +1
  EXPECT_EQ(small->m_rcSelection.x1, 100);
  EXPECT_EQ(small->m_rcSelection.y1, 100);
  Command(ID_VIEW_FULLSIZE);
  Click(small->Handle(), 450, 20);  // right of the image
  EXPECT_EQ(small->m_rcSelection.x1, 300);
  EXPECT_TRUE(small->m_rcSelection.IsEmpty());
  EXPECT_NE(MenuState(ID_EDIT_COPY) & MF_GRAYED, 0u) << "an empty selection leaves Copy grayed";

  CQuillView* large = ViewOf(ScannedImage(2000, 1500, 8));
  MoveWindow(large->Handle(), 0, 0, 400, 300, TRUE);  // with both scroll bars
  large->ScrollToPosition({50, 20});
  Click(large->Handle(), 10, 10);
  EXPECT_EQ(large->m_rcSelection.x1, 60);
  EXPECT_EQ(large->m_rcSelection.y1, 30);

  // Dragged outside the window with the button held: the moving corner stays on the image.
  SendMessageA(large->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageA(large->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-200, 30000));
  SendMessageA(large->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(-200, 30000));
  EXPECT_EQ(large->m_rcSelection.x2, 0);
  EXPECT_EQ(large->m_rcSelection.y2, 1500);
  EXPECT_EQ(MenuState(ID_EDIT_COPY) & MF_GRAYED, 0u);
}

TEST_F(ImageWindowTest, CopyTakesTheSelectedRowsCountedFromTheTopInTheirColours) {
  // A 24-bit image whose every pixel says where it is: red = x, green = row from the top.
  GlobalBlock dib = CreateBlankDib(200, 200, 24);
  {
    LockedDib locked(dib.get());
    ASSERT_TRUE(locked);
    for (DWORD row = 0; row < 200; ++row) {
      BYTE* pixels = locked.pixels() + row * locked.layout().rowStride;  // bottom row first
      for (DWORD x = 0; x < 200; ++x) {
        pixels[x * 3 + 2] = static_cast<BYTE>(x);
        pixels[x * 3 + 1] = static_cast<BYTE>(199 - row);
        pixels[x * 3] = 77;
      }
    }
  }
  ASSERT_TRUE(frame_->OnNativeImage(dib.release()));
  CQuillView* view = ViewOf(static_cast<CQuillDoc*>(template_->Documents().back().get()));
  view->m_rcSelection = {110, 70, 10, 20};  // dragged up and to the left
  SendMessageA(view->Handle(), WM_COMMAND, MAKEWPARAM(ID_EDIT_COPY, 0), 0);
  LONG width = 0, height = 0;
  const std::vector<BYTE> rgb = quill_test::ClipboardRgb(width, height);
  ASSERT_EQ(width, 100);
  ASSERT_EQ(height, 50);
  ASSERT_EQ(rgb.size(), 100u * 50u * 3u);
  // The display format of this desktop may round channels; the position must be exact.
  EXPECT_NEAR(rgb[0], 10, 8);
  EXPECT_NEAR(rgb[1], 20, 8);
  const size_t last = (49 * 100 + 99) * 3;
  EXPECT_NEAR(rgb[last], 109, 8);
  EXPECT_NEAR(rgb[last + 1], 69, 8);
  EXPECT_NEAR(rgb[last + 2], 77, 8) << "a colour image is copied in colour";
}

TEST(ViewScale, IsTheRatioOfTheSecondRectangleToTheFirst) {
  const Scale scale = ComputeScale(RECT{0, 0, 500, 400}, RECT{0, 0, 1000, -500});
  EXPECT_DOUBLE_EQ(scale.sx, 2.0);
  EXPECT_DOUBLE_EQ(scale.sy, 1.25);
}

// Writes part of a file, as a writer that runs out of space would, then fails.
class HalfWritingDoc : public CQuillDoc {
 public:
  int WriteTiff(const char* path) override {
    std::ofstream(path, std::ios::binary) << "half";
    return 0;
  }
};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int FilesIn(const std::string& folder) {
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
  while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

// A save over an existing file replaces it only with a whole new file: one that fails leaves the
// old file as it was and nothing of its own beside it.
TEST(ImageDocumentSave, TheOldFileGoesOnlyForAWholeNewOne) {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "quill_document_save\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* name : {"page.tif", "page.bmp"}) DeleteFileA((folder + name).c_str());
  ASSERT_EQ(FilesIn(folder), 0);
  const std::string tiff = folder + "page.tif";
  const std::string bmp = folder + "page.bmp";
  std::ofstream(tiff, std::ios::binary) << "old";
  std::ofstream(bmp, std::ios::binary) << "old";

  AnsweringPresenter boxes(IDOK);
  qfw::ScopedMessagePresenter scope(boxes);
  HalfWritingDoc failing;
  failing.AdoptDib(CreateBlankDib(16, 8, 1).release());
  failing.UpdateDibInfo();
  failing.SetModified(true);
  EXPECT_FALSE(failing.SaveToFile(tiff.c_str()));
  EXPECT_EQ(boxes.asked, (std::vector<std::string>{"File save failure."}));
  EXPECT_EQ(FileText(tiff), "old");
  EXPECT_EQ(FilesIn(folder), 2) << "the half-written file was left behind";
  EXPECT_TRUE(failing.IsModified());

  CQuillDoc saving;
  saving.AdoptDib(CreateBlankDib(16, 8, 1).release());
  saving.UpdateDibInfo();
  EXPECT_TRUE(saving.SaveToFile(bmp.c_str()));
  EXPECT_EQ(FileText(bmp).substr(0, 2), "BM");
  EXPECT_EQ(FilesIn(folder), 2);
}

TEST(SaveFileNames, TiffOnlyWhenTheFirstTifEndsTheName) {
  for (const char* tiff : {"scan.tif", "SCAN.TIF", "Scan.Tif", "C:\\a\\b.tif"}) {
    EXPECT_TRUE(IsTiffFileName(tiff)) << tiff;
  }
  for (const char* bmp : {"scan.tiff", "scan.bmp", "scan", "scan.tif.bmp", "C:\\old.tif\\a.tif"}) {
    EXPECT_FALSE(IsTiffFileName(bmp)) << bmp;
  }
  EXPECT_EQ(ProposedSaveName("IMAGE 3;x", ".bmp"), "IMAGE.bmp");
  EXPECT_EQ(ProposedSaveName("IMAGE4", ".bmp"), "IMAGE4.bmp");
  EXPECT_EQ(ProposedSaveName("a%b", ""), "a");
}

}  // namespace
}  // namespace quill
