#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/application.h"
#include "app/main_frame.h"
#include "framework/message_box.h"
#include "app/quill_doc_template.h"
#include "res/resource.h"
#include "tests/unit/test_support.h"

namespace quill {
namespace {

std::string MenuText(HMENU menu, UINT id) {
  char text[64] = "";
  GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
  return text;
}

bool IsGrayed(HMENU menu, UINT id) {
  return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

// The command ids of a popup in order, 0 for a separator.
std::vector<UINT> PopupCommands(HMENU popup) {
  std::vector<UINT> ids;
  for (int i = 0; i < GetMenuItemCount(popup); ++i) ids.push_back(GetMenuItemID(popup, i));
  return ids;
}

std::vector<ACCEL> AcceleratorEntries(HACCEL table) {
  std::vector<ACCEL> entries(static_cast<size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
  CopyAcceleratorTableA(table, entries.data(), static_cast<int>(entries.size()));
  return entries;
}

// The command a key gives in a table, or 0.
WORD CommandOfKey(const std::vector<ACCEL>& entries, BYTE modifiers, WORD key) {
  for (const ACCEL& entry : entries) {
    if (entry.key == key && (entry.fVirt & ~FNOINVERT) == (FVIRTKEY | modifiers)) return entry.cmd;
  }
  return 0;
}

// An application that records the files it is asked to open.
class RecordingApplication : public qfw::Application {
 public:
  bool OpenDocumentFile(const char* path) override {
    opened.push_back(path);
    return true;
  }
  std::vector<std::string> opened;
};

// A main frame whose connection state the tests set, as an acquisition would.
class StateSettableFrame : public CMainFrame {
 public:
  using TwainConnection::SetTwainState;
};

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterMainWindowClass(self, self));
    auto frame = std::make_unique<StateSettableFrame>();
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr));
    frame_ = frame.get();
    window_ = frame->Handle();
    application_.SetMainWindow(std::move(frame));
  }
  void TearDown() override {
    // No manager was ever loaded: nothing to close on the way out.
    if (frame_) frame_->SetTwainState(1);
    application_.DestroyMainWindow();
    quill_test::DrainMessages();
  }
  // WM_INITMENUPOPUP as the system sends it before a popup opens.
  void InitPopup(HMENU popup, WORD index, bool isSystemMenu) {
    SendMessageA(window_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup),
                 MAKELPARAM(index, isSystemMenu ? TRUE : FALSE));
  }
  bool ScannerItemsGrayed(bool grayed) {
    HMENU menu = GetMenu(window_);
    for (UINT id : {ID_SELECT_SOURCE, ID_ACQUIRE, ID_CONFIGURATION, ID_APP_EXIT}) {
      if (IsGrayed(menu, id) != grayed) return false;
    }
    return true;
  }
  bool CloseGrayed() { return IsGrayed(GetSystemMenu(window_, FALSE), SC_CLOSE); }

  RecordingApplication application_;
  StateSettableFrame* frame_ = nullptr;
  HWND window_ = nullptr;
};

TEST_F(MainFrameTest, HasTheClassAndTitleOtherProgramsFindItBy) {
  char name[64] = "";
  GetClassNameA(window_, name, sizeof name);
  EXPECT_STREQ(name, "TVQuillFrame");
  EXPECT_EQ(FindWindowA("TVQuillFrame", nullptr), window_);
  char title[64] = "";
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, "TWAIN Tessel Utility (32)");
  EXPECT_TRUE(frame_->AddsDocumentTitle());
  EXPECT_EQ(GetWindowLongA(window_, GWL_STYLE) & FWS_ADDTOTITLE, 0)
      << "the frame's own style bit must not reach the window";
  EXPECT_NE(FindWindowExA(window_, nullptr, "MDIClient", nullptr), nullptr);
  EXPECT_EQ(frame_->MdiClient(), FindWindowExA(window_, nullptr, "MDIClient", nullptr));
}

TEST_F(MainFrameTest, StartsAtTheTopLeftCornerWith640By480) {
  RECT rect;
  GetWindowRect(window_, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 640);
  EXPECT_EQ(rect.bottom - rect.top, 480);
}

TEST_F(MainFrameTest, CarriesTheMainMenuWithItsInitialStates) {
  HMENU menu = GetMenu(window_);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_EQ(MenuText(menu, ID_FILE_OPEN), "&Open...\tCtrl+O");
  EXPECT_EQ(MenuText(menu, ID_SELECT_SOURCE), "&Select TWAIN Source...");
  EXPECT_EQ(MenuText(menu, ID_ACQUIRE), "Ac&quire...");
  EXPECT_EQ(MenuText(menu, ID_CONFIGURATION), "Confi&guration...");
  EXPECT_EQ(MenuText(menu, ID_APP_EXIT), "E&xit");
  EXPECT_EQ(MenuText(menu, ID_APP_ABOUT), "&About...");
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 0)), 10);
  EXPECT_FALSE(IsGrayed(menu, ID_ACQUIRE));
  EXPECT_FALSE(IsGrayed(menu, ID_SELECT_SOURCE));
  EXPECT_TRUE(IsGrayed(menu, ID_FILE_CLOSE));
  EXPECT_TRUE(IsGrayed(menu, ID_FILE_SAVE_AS));
  EXPECT_EQ(GetMenuState(menu, ID_CLOSE_ALL, MF_BYCOMMAND), UINT(-1));
  EXPECT_EQ(PopupCommands(GetSubMenu(menu, 0)),
            (std::vector<UINT>{ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE_AS, 0, ID_SELECT_SOURCE,
                               ID_ACQUIRE, 0, ID_CONFIGURATION, 0, ID_APP_EXIT}));
  EXPECT_EQ(PopupCommands(GetSubMenu(menu, 1)), (std::vector<UINT>{ID_APP_ABOUT}));
  for (UINT id : {ID_FILE_OPEN, ID_CONFIGURATION, ID_APP_EXIT, ID_APP_ABOUT}) {
    EXPECT_FALSE(IsGrayed(menu, id)) << id;
  }
}

TEST_F(MainFrameTest, GraysTheScannerItemsInTheFileAndSystemMenusWhileTheManagerIsLoaded) {
  HMENU filePopup = GetSubMenu(GetMenu(window_), 0);
  frame_->SetTwainState(2);
  InitPopup(filePopup, 0, false);
  EXPECT_TRUE(ScannerItemsGrayed(true));
  EXPECT_TRUE(CloseGrayed());
  EXPECT_FALSE(IsGrayed(GetMenu(window_), ID_FILE_OPEN)) << "only the scanner items are gated";

  frame_->SetTwainState(1);
  InitPopup(filePopup, 0, false);
  EXPECT_TRUE(ScannerItemsGrayed(false));
  EXPECT_FALSE(CloseGrayed());
}

TEST_F(MainFrameTest, TheSystemMenuIsGatedToo) {
  frame_->SetTwainState(5);
  InitPopup(GetSystemMenu(window_, FALSE), 0, true);
  EXPECT_TRUE(CloseGrayed());
  frame_->SetTwainState(1);
  InitPopup(GetSystemMenu(window_, FALSE), 0, true);
  EXPECT_FALSE(CloseGrayed());
}

TEST_F(MainFrameTest, OtherPopupsLeaveEveryItemAsItIs) {
  frame_->SetTwainState(3);
  InitPopup(GetSubMenu(GetMenu(window_), 1), 1, false);
  EXPECT_TRUE(ScannerItemsGrayed(false));
  EXPECT_FALSE(CloseGrayed());
}

// Keeps the text and caption of every message box and answers OK.
class KeptBoxes : public qfw::MessagePresenter {
 public:
  KeptBoxes() : scope_(*this) {}
  int Show(HWND, const char* text, const char* caption, UINT) override {
    shown.emplace_back(text, caption ? caption : "");
    return IDOK;
  }
  std::vector<std::pair<std::string, std::string>> shown;

 private:
  qfw::ScopedMessagePresenter scope_;
};

void DispatchQueuedMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) break;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// While a scan runs, the four commands do nothing whatever sends them, and the File menu is gated
// wherever it stands in the bar (second when a maximised image window's system menu comes first).
// F1 and Shift+F1 show the program's own help.
TEST_F(MainFrameTest, ScannerCommandsWaitForTheScanAndHelpKeysShowTheProgramsOwnHelp) {
  KeptBoxes boxes;
  frame_->SetTwainState(5);
  InitPopup(GetSubMenu(GetMenu(window_), 0), 1, false);
  EXPECT_TRUE(ScannerItemsGrayed(true)) << "the File menu in the second place";
  for (UINT id : {ID_APP_EXIT, ID_SELECT_SOURCE, ID_ACQUIRE, ID_CONFIGURATION}) {
    SendMessageA(window_, WM_COMMAND, id, 0);
    frame_->ExecuteFrameCommand(id);  // as a view passes it on
  }
  DispatchQueuedMessages();
  EXPECT_TRUE(IsWindow(window_)) << "Exit closed the main window during a scan";
  EXPECT_TRUE(boxes.shown.empty()) << "a command ran: " << boxes.shown.front().first;

  frame_->SetTwainState(1);
  for (UINT id : {ID_HELP, ID_CONTEXT_HELP}) SendMessageA(window_, WM_COMMAND, id, 0);
  ASSERT_EQ(boxes.shown.size(), 2u) << "F1 and Shift+F1 each show the help";
  for (const auto& box : boxes.shown) {
    EXPECT_EQ(box.second, "TWAIN Tessel Utility Help");
    for (const char* topic : {"Acquire: scans", "Configuration:", "Where files go", "C:\\SCAN\\IMAGE001.BMP",
                              "File save failure:", "Not enough memory:"}) {
      EXPECT_NE(box.first.find(topic), std::string::npos) << topic;
    }
  }
}

TEST_F(MainFrameTest, ExitClosesTheWindowAndEndsTheMessageLoop) {
  SendMessageA(window_, WM_COMMAND, ID_APP_EXIT, 0);
  EXPECT_EQ(application_.RunMessageLoop(), 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(application_.MainWindow(), nullptr);
}

TEST_F(MainFrameTest, OpensEveryFileDroppedOnIt) {
  const char names[] = "C:\\scans\\one.bmp\0C:\\scans\\two.tif\0";
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + sizeof names + 1);
  ASSERT_NE(drop, nullptr);
  auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
  header->pFiles = sizeof(DROPFILES);
  std::memcpy(header + 1, names, sizeof names);
  GlobalUnlock(drop);
  // The frame gives the list back to the shell (DragFinish frees it).
  SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(application_.opened,
            (std::vector<std::string>{"C:\\scans\\one.bmp", "C:\\scans\\two.tif"}));
}

TEST(ImageDocumentTemplate, CarriesTheImageMenuKeysAndDocumentString) {
  CQuillDocTemplate docTemplate;
  ASSERT_TRUE(docTemplate.Load(GetModuleHandleA(nullptr)));
  std::string text;
  EXPECT_TRUE(docTemplate.GetDocString(text, qfw::DocTemplate::kWindowTitle));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(docTemplate.GetDocString(text, qfw::DocTemplate::kDocName));
  EXPECT_EQ(text, "IMAGE");
  EXPECT_TRUE(docTemplate.GetDocString(text, qfw::DocTemplate::kFilterName));
  EXPECT_EQ(text, "Image Files (*.bmp;*.tif)");
  EXPECT_TRUE(docTemplate.GetDocString(text, qfw::DocTemplate::kRegFileTypeId));
  EXPECT_EQ(text, "BmpFileType  ");
  EXPECT_TRUE(docTemplate.GetDocString(text, qfw::DocTemplate::kRegFileTypeName));
  EXPECT_EQ(text, "TVQUILL File Type");

  HMENU menu = docTemplate.Menu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  EXPECT_EQ(PopupCommands(GetSubMenu(menu, 0)),
            (std::vector<UINT>{ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE_AS, 0, ID_SELECT_SOURCE,
                               ID_ACQUIRE, 0, ID_CONFIGURATION, 0, ID_CLOSE_ALL,
                               ID_INQUIRY_CLOSE_ALL, 0, ID_APP_EXIT}));
  EXPECT_EQ(PopupCommands(GetSubMenu(menu, 1)),
            (std::vector<UINT>{ID_EDIT_COPY, 0, ID_EDIT_SELECT_ALL}));
  EXPECT_EQ(PopupCommands(GetSubMenu(menu, 2)),
            (std::vector<UINT>{ID_VIEW_FULLSIZE, ID_VIEW_WINDOWSIZE, ID_WINDOW_CASCADE,
                               ID_WINDOW_TILE}));
  EXPECT_EQ(MenuText(menu, ID_CLOSE_ALL), "C&lose All");
  EXPECT_EQ(MenuText(menu, ID_INQUIRY_CLOSE_ALL), "I&nquiry Close All");
  EXPECT_EQ(MenuText(menu, ID_EDIT_COPY), "&Copy\tCtrl+C");
  EXPECT_EQ(MenuText(menu, ID_EDIT_SELECT_ALL), "Se&lect\tCtrl+A");
  EXPECT_EQ(MenuText(menu, ID_VIEW_FULLSIZE), "&Full Size [1:1]");
  EXPECT_EQ(MenuText(menu, ID_VIEW_WINDOWSIZE), "Window &Size");
  EXPECT_EQ(MenuText(menu, ID_WINDOW_CASCADE), "&Cascade");
  EXPECT_EQ(MenuText(menu, ID_WINDOW_TILE), "&Tile");
  EXPECT_TRUE(IsGrayed(menu, ID_EDIT_COPY));
  for (UINT id : {ID_FILE_CLOSE, ID_FILE_SAVE_AS, ID_CLOSE_ALL, ID_EDIT_SELECT_ALL}) {
    EXPECT_FALSE(IsGrayed(menu, id)) << id;
  }
}

TEST(ContextMenu, OffersTheClosingAndScannerCommandsAllEnabled) {
  HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_CONTEXTMENU));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 1);
  HMENU popup = GetSubMenu(menu, 0);
  EXPECT_EQ(PopupCommands(popup),
            (std::vector<UINT>{ID_FILE_CLOSE, 0, ID_SELECT_SOURCE, ID_ACQUIRE, 0, ID_CONFIGURATION,
                               0, ID_CLOSE_ALL, ID_INQUIRY_CLOSE_ALL}));
  EXPECT_EQ(MenuText(popup, ID_FILE_CLOSE), "&Close");
  EXPECT_EQ(MenuText(popup, ID_SELECT_SOURCE), "&Select TWAIN Source...");
  EXPECT_EQ(MenuText(popup, ID_ACQUIRE), "A&cquire...");
  EXPECT_EQ(MenuText(popup, ID_CONFIGURATION), "Confi&guration...");
  EXPECT_EQ(MenuText(popup, ID_CLOSE_ALL), "C&lose All");
  EXPECT_EQ(MenuText(popup, ID_INQUIRY_CLOSE_ALL), "I&nquiry Close All");
  for (UINT id : {ID_FILE_CLOSE, ID_SELECT_SOURCE, ID_ACQUIRE, ID_CONFIGURATION, ID_CLOSE_ALL,
                  ID_INQUIRY_CLOSE_ALL}) {
    EXPECT_FALSE(IsGrayed(popup, id)) << id;
  }
  DestroyMenu(menu);
}

TEST(AcceleratorTables, BindTheSameKeysExceptSelectAllOnlyInImageWindows) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  const auto main = AcceleratorEntries(LoadAcceleratorsA(self, MAKEINTRESOURCEA(IDR_MAINFRAME)));
  const auto image = AcceleratorEntries(LoadAcceleratorsA(self, MAKEINTRESOURCEA(IDR_IMAGETYPE)));
  ASSERT_EQ(main.size(), 16u);
  ASSERT_EQ(image.size(), 17u);
  for (const auto* table : {&main, &image}) {
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'N'), ID_FILE_NEW);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'O'), ID_FILE_OPEN);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'S'), ID_FILE_SAVE);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'P'), ID_FILE_PRINT);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'Z'), ID_EDIT_UNDO);
    EXPECT_EQ(CommandOfKey(*table, FALT, VK_BACK), ID_EDIT_UNDO);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'X'), ID_EDIT_CUT);
    EXPECT_EQ(CommandOfKey(*table, FSHIFT, VK_DELETE), ID_EDIT_CUT);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'C'), ID_EDIT_COPY);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, VK_INSERT), ID_EDIT_COPY);
    EXPECT_EQ(CommandOfKey(*table, FCONTROL, 'V'), ID_EDIT_PASTE);
    EXPECT_EQ(CommandOfKey(*table, FSHIFT, VK_INSERT), ID_EDIT_PASTE);
    EXPECT_EQ(CommandOfKey(*table, 0, VK_F6), ID_NEXT_PANE);
    EXPECT_EQ(CommandOfKey(*table, FSHIFT, VK_F6), ID_PREV_PANE);
    EXPECT_EQ(CommandOfKey(*table, 0, VK_F1), ID_HELP);
    EXPECT_EQ(CommandOfKey(*table, FSHIFT, VK_F1), ID_CONTEXT_HELP);
  }
  EXPECT_EQ(CommandOfKey(main, FCONTROL, 'A'), 0);
  EXPECT_EQ(CommandOfKey(image, FCONTROL, 'A'), ID_EDIT_SELECT_ALL);
}

}  // namespace
}  // namespace quill
