#include <gtest/gtest.h>

#include <string>

#include "app/main_frame.h"
#include "app/quill_app.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "app/startup.h"
#include "tests/unit/test_support.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

using quill_test::kFilterKey;
using quill_test::kSettingsKey;

// "PageCode" that names the test-built language library beside this executable.
const DWORD kTestLanguage = 0xBEEF;

std::string WindowTitle(HWND window) {
  char title[128] = "";
  GetWindowTextA(window, title, sizeof title);
  return title;
}

std::string WindowsFolder() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, sizeof folder);
  std::string text = folder;
  if (text.back() != '\\') text += '\\';
  return text;
}

std::string FilterDirectory() {
  char folder[kFilterPathSize] = "";
  GetFilterDirectory(folder, sizeof folder);
  return folder;
}

void SetFilterPath(const std::string& path) {
  quill_test::SetRawValue(kFilterKey, "Path", REG_SZ, path.data(),
                          static_cast<DWORD>(path.size()));
}

TEST(LanguageLibrary, IsNamedByTheLowWordOfPageCodeInLowerCaseHex) {
  EXPECT_EQ(LanguageLibraryName(0x10409), "TVQU0409.DLL");
  EXPECT_EQ(LanguageLibraryName(0xC), "TVQU000c.DLL");
  EXPECT_EQ(LanguageLibraryName(0x0411), "TVQU0411.DLL");
  EXPECT_EQ(LanguageLibraryName(0xFFFFBEEF), "TVQUbeef.DLL");
}

TEST(LanguageLibrary, IsLookedForOnlyInTheProgramsOwnFolder) {
  EXPECT_EQ(LanguageLibraryPath("C:\\A\\B\\prog.exe", "TVQU0409.DLL"), "C:\\A\\B\\TVQU0409.DLL");
  EXPECT_EQ(LanguageLibraryPath("C:\\prog.exe", "TVQU0409.DLL"), "C:\\TVQU0409.DLL");
  EXPECT_EQ(LanguageLibraryPath("prog.exe", "TVQU0409.DLL"), "");
}

class FilterFolder : public ::testing::Test {
 protected:
  void SetUp() override { quill_test::DeleteKey(kFilterKey); }
  void TearDown() override { quill_test::DeleteKey(kFilterKey); }
};

TEST_F(FilterFolder, ComesFromPathWithOrWithoutItsBackslash) {
  SetFilterPath("D:\\Filters");
  EXPECT_EQ(FilterDirectory(), "D:\\Filters\\");
  EXPECT_EQ(FilterLibraryPath(), "D:\\Filters\\KESTREL.DLL");
  SetFilterPath("D:\\Filters\\");
  EXPECT_EQ(FilterDirectory(), "D:\\Filters\\");
}

TEST_F(FilterFolder, IsTheWindowsFolderDefaultWithoutAUsablePath) {
  const std::string fallback = WindowsFolder() + "TWAIN_32\\TVDSRC32\\";
  EXPECT_EQ(FilterDirectory(), fallback) << "no key";
  SetFilterPath("");
  EXPECT_EQ(FilterDirectory(), fallback) << "an empty value";
  SetFilterPath(std::string(260, 'f'));
  EXPECT_EQ(FilterDirectory(), fallback) << "no room for the backslash";
  SetFilterPath(std::string(300, 'f'));
  EXPECT_EQ(FilterDirectory(), fallback) << "longer than the buffer";
  quill_test::DeleteValue(kFilterKey, "Path");
  EXPECT_EQ(FilterDirectory(), fallback) << "key without the value";
}

TEST(SingleInstance, AnotherCopysMinimisedWindowIsRestored) {
  EXPECT_FALSE(IsAnotherInstanceRunning());
  HINSTANCE self = GetModuleHandleA(nullptr);
  ASSERT_TRUE(RegisterMainWindowClass(self, self));
  HWND other = CreateWindowExA(0, kMainWindowClass, "other copy", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                               200, nullptr, nullptr, self, nullptr);
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(other));
  EXPECT_TRUE(IsAnotherInstanceRunning());
  EXPECT_FALSE(IsIconic(other));
  DestroyWindow(other);
  quill_test::DrainMessages();
}

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override { quill_test::DeleteKey(kSettingsKey); }
  void TearDown() override {
    application_.DestroyMainWindow();
    application_.ExitInstance();
    quill_test::DrainMessages();
    quill_test::DeleteKey(kSettingsKey);
  }
  HWND MainWindow() const { return application_.MainWindowHandle(); }
  CQuillApp application_;
};

TEST_F(StartUp, ShowsTheMainWindowWithTheSettingsLoaded) {
  quill_test::SetNumberValue(kSettingsKey, "FileIdNumber", 77);
  quill_test::SetNumberValue(kSettingsKey, "PageCode", 0x0001);  // no such library
  ASSERT_TRUE(application_.InitInstance());
  ASSERT_NE(MainWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(MainWindow()));
  EXPECT_EQ(WindowTitle(MainWindow()), "TWAIN Tessel Utility (32)");
  EXPECT_EQ(application_.Title(), "TWAIN Tessel Utility (32)");
  EXPECT_EQ(qfw::ResourceHandle(), GetModuleHandleA(nullptr));
  EXPECT_EQ(TheSettings().FileIdNumber, 77u);
  EXPECT_EQ(GetWindowLongA(MainWindow(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, WS_EX_ACCEPTFILES);
  ASSERT_EQ(application_.DocTemplates().size(), 1u);
  EXPECT_EQ(application_.DocTemplates()[0]->ResourceId(), 3u);
  ASSERT_NE(application_.RecentFiles(), nullptr);
  EXPECT_TRUE(application_.RecentFiles()->Entries().empty());
}

TEST_F(StartUp, TakesItsTextsFromTheLanguageLibraryOfPageCode) {
  quill_test::SetNumberValue(kSettingsKey, "PageCode", kTestLanguage);
  ASSERT_TRUE(application_.InitInstance());
  EXPECT_EQ(WindowTitle(MainWindow()), "TWAIN Tessel Utility (test language)");
  EXPECT_NE(qfw::ResourceHandle(), GetModuleHandleA(nullptr));
  EXPECT_NE(GetModuleHandleA("TVQUbeef.DLL"), nullptr);

  application_.DestroyMainWindow();
  application_.ExitInstance();
  EXPECT_EQ(qfw::ResourceHandle(), GetModuleHandleA(nullptr)) << "the program's own again";
  EXPECT_EQ(GetModuleHandleA("TVQUbeef.DLL"), nullptr) << "the library is freed at exit";
}

TEST(LanguageLibrary, ATextItLacksComesFromTheProgramsOwnTable) {
  // A module with string tables but none of the program's texts, as an older library would be.
  const HINSTANCE older = GetModuleHandleA("kernel32.dll");
  ASSERT_NE(older, nullptr);
  ASSERT_EQ(qfw::LoadResourceString(older, IDS_FILE_NAME_TOO_LONG), "");
  qfw::SetResourceHandle(older);
  const std::string text = qfw::LoadResourceString(IDS_FILE_NAME_TOO_LONG);
  qfw::SetResourceHandle(nullptr);
  EXPECT_EQ(text.rfind("The output file name would be longer than 260 characters.", 0), 0u) << text;
}

TEST_F(StartUp, EndsQuietlyWhenAnotherCopyRuns) {
  ASSERT_TRUE(application_.InitInstance());
  ShowWindow(MainWindow(), SW_MINIMIZE);
  {
    CQuillApp second;
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(second.MainWindow(), nullptr);
  }
  EXPECT_EQ(qfw::Application::Current(), &application_);
  EXPECT_EQ(quill_test::CountMainWindows(), 1);
  EXPECT_FALSE(IsIconic(MainWindow()));
}

}  // namespace
}  // namespace quill
