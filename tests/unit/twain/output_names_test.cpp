// Output file names and the launch command: the numbering rules, the names kept for a batch, the
// placeholders of the command, and names or commands that would not fit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "twain/output_names.h"
#include "config/scan_settings.h"

namespace quill {
namespace {

class OutputNameTest : public ::testing::Test {
 protected:
  OutputNameTest() : settings_(GetModuleHandleA(nullptr)) {
    std::strcpy(settings_.FilePath, "C:\\SCAN");
    std::strcpy(settings_.FileFixate, "IMAGE");
    settings_.FileNumDigit = 2;
    settings_.FileFormat = 0;
  }
  std::string Next(DWORD& number) {
    char name[kOutputNameSize];
    if (!ComposeNextFileName(settings_, number, names_, name, sizeof name)) return "(refused)";
    return name;
  }
  ScanSettings settings_;
  OutputNameRecord names_;
};

TEST_F(OutputNameTest, ComposeFolderFixedPartPaddedNumberAndExtension) {
  DWORD number = 7;
  EXPECT_EQ(Next(number), "C:\\SCAN\\IMAGE007.BMP");
  settings_.FileNumDigit = 4;
  number = 42;
  EXPECT_EQ(Next(number), "C:\\SCAN\\IMAGE00042.BMP");
  std::strcpy(settings_.FilePath, "C:\\");
  settings_.FileNumDigit = 2;
  settings_.FileFormat = 1;
  number = 1;
  EXPECT_EQ(Next(number), "C:\\IMAGE001.TIF") << "no second backslash";
  settings_.FileFormat = 7;
  EXPECT_EQ(Next(number), "C:\\IMAGE001") << "an unknown format has no extension";
}

TEST_F(OutputNameTest, ANumberTooLongForItsDigitsStartsAgainAtZero) {
  settings_.FileNumDigit = 0;
  DWORD number = 12;
  EXPECT_EQ(Next(number), "C:\\SCAN\\IMAGE0.BMP");
  EXPECT_EQ(number, 0u);
  settings_.FileNumDigit = 9;  // an edited registry: at most five digits
  number = 123456;
  EXPECT_EQ(Next(number), "C:\\SCAN\\IMAGE00000.BMP");
}

TEST_F(OutputNameTest, KeepTheFirstAndTheLatestNameOfABatch) {
  DWORD number = 1;
  Next(number);
  EXPECT_STREQ(names_.FirstFileName, "C:\\SCAN\\IMAGE001.BMP");
  EXPECT_STREQ(names_.LastFileName, "") << "one name is no latest name";
  EXPECT_STREQ(names_.OutputFolder, "C:\\SCAN\\");
  number = 2;
  Next(number);
  number = 3;
  Next(number);
  EXPECT_STREQ(names_.FirstFileName, "C:\\SCAN\\IMAGE001.BMP");
  EXPECT_STREQ(names_.LastFileName, "C:\\SCAN\\IMAGE003.BMP");
}

TEST_F(OutputNameTest, ANameThatWouldNotFitIsRefusedNotCut) {
  std::memset(settings_.FilePath, 'F', 250);
  settings_.FilePath[250] = '\0';
  DWORD number = 5;
  EXPECT_EQ(Next(number), "(refused)");
  EXPECT_STREQ(names_.FirstFileName, "") << "nothing recorded";
  EXPECT_TRUE(names_.FirstNamePending);
  EXPECT_EQ(number, 5u);
  char small[10];
  std::strcpy(settings_.FilePath, "C:\\SCAN");
  EXPECT_FALSE(ComposeNextFileName(settings_, number, names_, small, sizeof small));
  EXPECT_STREQ(small, "");
}

TEST_F(OutputNameTest, TheLaunchCommandFillsInFolderFirstAndLatestName) {
  std::strcpy(settings_.LaunchCmdLine, "C:\\TOOLS\\VIEW.EXE");
  std::strcpy(settings_.LaunchArgs, "%F %L 100%");
  std::strcpy(names_.OutputFolder, "C:\\SCAN\\");
  std::strcpy(names_.FirstFileName, "C:\\SCAN\\IMAGE001.TIF");
  std::strcpy(names_.LastFileName, "C:\\SCAN\\IMAGE003.TIF");
  char command[kLaunchCommandSize];
  ASSERT_TRUE(ComposeLaunchCommand(settings_, names_, command, sizeof command));
  EXPECT_STREQ(command, "C:\\TOOLS\\VIEW.EXE C:\\SCAN\\IMAGE001.TIF C:\\SCAN\\IMAGE003.TIF 100%");
  std::strcpy(settings_.LaunchArgs, "%d|%x|%%F|%l");
  ASSERT_TRUE(ComposeLaunchCommand(settings_, names_, command, sizeof command));
  EXPECT_STREQ(command, "C:\\TOOLS\\VIEW.EXE C:\\SCAN\\|%x|%%F|C:\\SCAN\\IMAGE003.TIF");
}

TEST_F(OutputNameTest, ALaunchCommandThatWouldNotFitIsRefused) {
  std::strcpy(settings_.LaunchCmdLine, "C:\\TOOLS\\VIEW.EXE");
  std::strcpy(settings_.LaunchArgs, "%F %F %F");
  std::memset(names_.FirstFileName, 'N', 250);
  names_.FirstFileName[250] = '\0';
  char command[kLaunchCommandSize];
  EXPECT_FALSE(ComposeLaunchCommand(settings_, names_, command, sizeof command));
  EXPECT_STREQ(command, "");
}

}  // namespace
}  // namespace quill
