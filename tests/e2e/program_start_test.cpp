#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

TEST(ProgramFromOutside, StartsWithoutAnyMessageAndEndsCleanly) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start()) << "the main window did not appear";
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "start-up showed a message";
  EXPECT_EQ(e2e::WindowText(program.MainWindow()), "TWAIN Tessel Utility (32)");
  RECT rect;
  GetWindowRect(program.MainWindow(), &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);

  const int acquire = program.MenuItemState(ID_ACQUIRE);
  ASSERT_NE(acquire, -1) << "Acquire is not on the menu, or the menu probe did not answer";
  EXPECT_EQ(acquire & (MF_GRAYED | MF_DISABLED), 0);
  EXPECT_EQ(program.MenuItemState(ID_FILE_CLOSE) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(program.MenuItemState(ID_VIEW_FULLSIZE), -1) << "the image menu is not shown yet";
  EXPECT_TRUE(program.MdiChildTitles().empty());

  EXPECT_TRUE(program.ClosesCleanly());
}

TEST(ProgramFromOutside, ExitCommandEndsTheProgram) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  program.PostCommand(ID_APP_EXIT);
  DWORD exitCode = 1;
  ASSERT_TRUE(program.WaitForExit(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

TEST(ProgramFromOutside, ASecondStartRestoresTheFirstAndEnds) {
  e2e::ProgramDriver first;
  ASSERT_TRUE(first.Start());
  PostMessageA(first.MainWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(e2e::WaitFor([&] { return IsIconic(first.MainWindow()) != 0; }, 10000));

  e2e::ProgramDriver second;
  EXPECT_FALSE(second.Start(10000)) << "the second copy showed a main window";
  DWORD exitCode = 1;
  EXPECT_TRUE(second.WaitForExit(10000, &exitCode)) << "the second copy keeps running";
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsIconic(first.MainWindow()); }, 10000))
      << "the first copy stayed minimised";
  EXPECT_EQ(e2e::CountMainWindows(), 1);
  EXPECT_TRUE(first.IsRunning());
  ASSERT_TRUE(first.Close(10000, &exitCode));
}

// The key arrives as the user's would, through the program's accelerator table; the help is the
// program's own box, so it shows under Wine with no help viewer installed.
TEST(ProgramFromOutside, F1ShowsTheProgramsOwnHelp) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  PostMessageA(program.MainWindow(), WM_KEYDOWN, VK_F1, 1);
  PostMessageA(program.MainWindow(), WM_KEYUP, VK_F1, 0xC0000001);
  HWND help = program.WaitForDialog("TWAIN Tessel Utility Help");
  ASSERT_NE(help, nullptr) << "F1 showed no help";
  const std::vector<std::string> texts = program.DialogTexts(help);
  bool describesAcquire = false;
  for (const std::string& text : texts) describesAcquire |= text.find("Acquire: scans") != std::string::npos;
  EXPECT_TRUE(describesAcquire);
  ASSERT_TRUE(program.PressButton(help, IDOK));
  EXPECT_TRUE(program.ClosesCleanly());
}

TEST(ProgramFromOutside, OpensNothingNamedOnTheCommandLine) {
  e2e::ProgramDriver program;
  program.SetArguments("C:\\scans\\page.bmp");
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_TRUE(program.MdiChildTitles().empty());
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "a missing file must not even be reported";
  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
