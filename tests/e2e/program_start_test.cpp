#include <gtest/gtest.h>

#include "driver/program_driver.h"
#include "resource.h"

namespace {

TEST(ProgramFromOutside, ShowsItsMainWindowAndEndsCleanly) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start()) << "the main window did not appear";
  EXPECT_EQ(e2e::WindowText(program.MainWindow()), "TWAIN Tessel Utility (32)");

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

}  // namespace
