#include <gtest/gtest.h>

#include "driver/program_driver.h"
#include "resource.h"

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

  DWORD exitCode = 1;
  ASSERT_TRUE(program.Close(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
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

TEST(ProgramFromOutside, OpensNothingNamedOnTheCommandLine) {
  e2e::ProgramDriver program;
  program.SetArguments("C:\\scans\\page.bmp");
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_TRUE(program.MdiChildTitles().empty());
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "a missing file must not even be reported";
  DWORD exitCode = 1;
  ASSERT_TRUE(program.Close(10000, &exitCode));
}

}  // namespace
