// Start-up binding of the filter library, seen from outside: a missing library is reported once
// and the program runs on; a "Path" value elsewhere is where the library is taken from.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"

namespace {

const char kFilterKey[] = "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\4.5\\KESTREL";

std::string DefaultFilterLibrary() {
  return e2e::WindowsFolder() + "\\TWAIN_32\\TVDSRC32\\KESTREL.DLL";
}

// The filter folder named by the "Path" value for the lifetime of this object.
class FilterPathValue {
 public:
  explicit FilterPathValue(const std::string& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFilterKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
      set_ = RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                            static_cast<DWORD>(folder.size() + 1)) == ERROR_SUCCESS;
      RegCloseKey(key);
    }
  }
  ~FilterPathValue() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFilterKey); }
  bool set() const { return set_; }

 private:
  bool set_ = false;
};

// Counts the message boxes titled "Error" that start-up shows, answering each with OK.
void AnswerStartupErrors(e2e::ProgramDriver& program, int* shown) {
  while (HWND box = program.WaitForDialog("Error", 3000)) {
    const std::vector<std::string> texts = program.DialogTexts(box);
    ASSERT_FALSE(texts.empty()) << "an empty message box";
    EXPECT_EQ(texts.back(), "Unable to load library(KESTREL.DLL)");
    if (!program.PressButton(box, IDOK)) return;
    ++*shown;
  }
}

TEST(FilterLibraryAtStartup, AMissingLibraryIsReportedOnceAndTheProgramRuns) {
  e2e::FileMovedAside library(DefaultFilterLibrary());
  ASSERT_TRUE(library.moved());
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Launch());
  int shown = 0;
  AnswerStartupErrors(program, &shown);
  EXPECT_EQ(shown, 1);
  ASSERT_TRUE(program.WaitForMainWindow());
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_TRUE(program.IsRunning());
  EXPECT_TRUE(program.ClosesCleanly()) << "releasing a binding that never was must be quiet";
}

TEST(FilterLibraryAtStartup, APathValueElsewhereIsWhereTheLibraryIsBoundFrom) {
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  const std::string folder = std::string(temp) + "quill_filters";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string copy = folder + "\\KESTREL.DLL";
  ASSERT_TRUE(CopyFileA(DefaultFilterLibrary().c_str(), copy.c_str(), FALSE));
  {
    e2e::FileMovedAside library(DefaultFilterLibrary());
    ASSERT_TRUE(library.moved());
    FilterPathValue path(folder);
    ASSERT_TRUE(path.set());
    e2e::ProgramDriver program;
    ASSERT_TRUE(program.Launch());
    int shown = 0;
    AnswerStartupErrors(program, &shown);
    EXPECT_EQ(shown, 0) << "the library in the Path folder was not bound";
    ASSERT_TRUE(program.WaitForMainWindow());
    EXPECT_TRUE(program.ClosesCleanly());
  }
  DeleteFileA(copy.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
