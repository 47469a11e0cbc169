#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/doc_template.h"
#include "framework/recent_file_list.h"
#include "framework/window.h"

namespace qfw {
namespace {

const char kTestClass[] = "QfwTestWindow";

// Removes every queued message, the quit message included, so that no test sees another's.
void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

// What reached a window, kept by the test: the window object may be gone when it is read.
struct Record {
  std::vector<WPARAM> preTranslated;
  std::vector<WPARAM> handled;
  bool sawCreate = false;
  bool gone = false;
};

// A window that records what reaches it, through the message loop's pre-translation and its
// handler.
class RecordingWindow : public Window {
 public:
  explicit RecordingWindow(Record& record) : record_(record) {}
  static UINT Probe() {
    static const UINT probe = RegisterWindowMessageA("QfwTest.Probe");
    return probe;
  }
  bool Create() {
    RegisterWindowClass(GetModuleHandleA(nullptr), kTestClass, 0, nullptr, nullptr, nullptr);
    CREATESTRUCTA create = {};
    create.lpszClass = kTestClass;
    create.style = static_cast<LONG>(WS_OVERLAPPEDWINDOW);
    create.hInstance = GetModuleHandleA(nullptr);
    return CreateBoundWindow(create) != nullptr;
  }
  bool PreTranslateMessage(MSG& message) override {
    if (message.message == Probe()) {
      record_.preTranslated.push_back(message.wParam);
      return message.wParam == kConsumed;
    }
    return false;
  }
  static const WPARAM kConsumed = 1;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) record_.sawCreate = true;
    if (message == Probe()) record_.handled.push_back(wParam);
    return Window::HandleMessage(message, wParam, lParam);
  }
  void OnWindowGone() override { record_.gone = true; }

 private:
  Record& record_;
};

TEST(WindowBase, IsBoundFromCreationUntilTheLastMessage) {
  Record record;
  RecordingWindow window(record);
  ASSERT_TRUE(window.Create());
  EXPECT_TRUE(record.sawCreate);
  ASSERT_NE(window.Handle(), nullptr);
  const HWND handle = window.Handle();
  EXPECT_EQ(GetWindowLongPtrA(handle, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));

  DestroyWindow(handle);
  EXPECT_EQ(window.Handle(), nullptr);
  EXPECT_TRUE(record.gone);
  EXPECT_FALSE(IsWindow(handle));
}

TEST(MessageLoop, OffersEveryMessageToTheMainWindowBeforeDispatching) {
  Application application;
  Record record;
  auto window = std::make_unique<RecordingWindow>(record);
  ASSERT_TRUE(window->Create());
  const HWND handle = window->Handle();
  application.SetMainWindow(std::move(window));

  PostMessageA(handle, RecordingWindow::Probe(), RecordingWindow::kConsumed, 0);
  PostMessageA(handle, RecordingWindow::Probe(), 2, 0);
  PostQuitMessage(7);
  EXPECT_EQ(application.RunMessageLoop(), 7);

  EXPECT_EQ(record.preTranslated, (std::vector<WPARAM>{1, 2}));
  EXPECT_EQ(record.handled, (std::vector<WPARAM>{2})) << "a consumed message was dispatched";
  EXPECT_EQ(application.MainWindow(), nullptr) << "the loop frees the main window at its end";
  EXPECT_FALSE(IsWindow(handle));
  DrainMessages();
}

TEST(ApplicationCommands, ExitClosesTheMainWindow) {
  Application application;
  Record record;
  auto owned = std::make_unique<RecordingWindow>(record);
  ASSERT_TRUE(owned->Create());
  const HWND handle = owned->Handle();
  application.SetMainWindow(std::move(owned));
  EXPECT_TRUE(application.OnCommand(57665));
  EXPECT_FALSE(application.OnCommand(57601)) << "Open belongs to later handlers";
  DrainMessages();
  EXPECT_FALSE(IsWindow(handle));
}

TEST(DocumentString, SplitsIntoItsSevenPartsKeepingBlanks) {
  const auto parts = SplitDocString(
      "\nIMAGE\nTVQUILL Document\nImage Files (*.bmp;*.tif)\n.bmp\nBmpFileType  \nTVQUILL File "
      "Type");
  ASSERT_EQ(parts.size(), 7u);
  EXPECT_EQ(parts[DocTemplate::kWindowTitle], "");
  EXPECT_EQ(parts[DocTemplate::kDocName], "IMAGE");
  EXPECT_EQ(parts[DocTemplate::kFileNewName], "TVQUILL Document");
  EXPECT_EQ(parts[DocTemplate::kFilterName], "Image Files (*.bmp;*.tif)");
  EXPECT_EQ(parts[DocTemplate::kFilterExt], ".bmp");
  EXPECT_EQ(parts[DocTemplate::kRegFileTypeId], "BmpFileType  ");
  EXPECT_EQ(parts[DocTemplate::kRegFileTypeName], "TVQUILL File Type");
  EXPECT_EQ(SplitDocString("Title only"), (std::vector<std::string>{"Title only"}));
}

TEST(DocumentTemplate, WithoutItsResourcesHasNoParts) {
  DocTemplate docTemplate(3);
  EXPECT_FALSE(docTemplate.Load(GetModuleHandleA(nullptr)));
  std::string text = "stale";
  EXPECT_FALSE(docTemplate.GetDocString(text, DocTemplate::kDocName));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(docTemplate.OpenDocumentFile("C:\\any.bmp"));
}

TEST(ProfileFile, IsNamedAfterTheProgram) {
  EXPECT_EQ(ProfileNameForModule("C:\\Program Files\\TVQuill\\TVQUILL.EXE"), "TVQUILL.INI");
  EXPECT_EQ(ProfileNameForModule("C:\\a.b\\prog"), "prog.INI");
}

class RecentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[MAX_PATH] = "";
    GetTempPathA(sizeof folder, folder);
    profile_ = std::string(folder) + "qfw_recent_test.ini";
    DeleteFileA(profile_.c_str());
  }
  void TearDown() override { DeleteFileA(profile_.c_str()); }
  std::string Entry(int number) {
    char text[MAX_PATH] = "";
    GetPrivateProfileStringA("Recent File List", ("File" + std::to_string(number)).c_str(), "",
                             text, sizeof text, profile_.c_str());
    return text;
  }
  std::string profile_;
};

TEST_F(RecentFiles, KeepsTheFourNewestNewestFirstWithoutDuplicates) {
  RecentFileList list(profile_, 4);
  for (const char* name : {"C:\\1.bmp", "C:\\2.bmp", "C:\\3.bmp", "C:\\4.bmp", "C:\\5.bmp"}) {
    list.Add(name);
  }
  EXPECT_EQ(list.Entries(),
            (std::vector<std::string>{"C:\\5.bmp", "C:\\4.bmp", "C:\\3.bmp", "C:\\2.bmp"}));
  list.Add("c:\\3.BMP");
  EXPECT_EQ(list.Entries(),
            (std::vector<std::string>{"c:\\3.BMP", "C:\\5.bmp", "C:\\4.bmp", "C:\\2.bmp"}));
  EXPECT_TRUE(list.Changed());
}

TEST_F(RecentFiles, AreKeptInTheProfileFileAcrossRuns) {
  RecentFileList first(profile_, 4);
  first.Read();
  EXPECT_TRUE(first.Entries().empty());
  EXPECT_FALSE(first.Changed());
  first.Add("C:\\a.bmp");
  first.Add("C:\\b.tif");
  first.Write();
  EXPECT_EQ(Entry(1), "C:\\b.tif");
  EXPECT_EQ(Entry(2), "C:\\a.bmp");
  EXPECT_EQ(Entry(3), "");

  RecentFileList second(profile_, 4);
  second.Read();
  EXPECT_EQ(second.Entries(), (std::vector<std::string>{"C:\\b.tif", "C:\\a.bmp"}));
}

}  // namespace
}  // namespace qfw
