// Image windows seen from outside: new images come with the image-window menu and titles, and
// Close All takes them all away.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

const char kAppTitle[] = "TWAIN Tessel Utility (32)";

std::string WindowText(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST(ImageWindows, CloseAllWithThreeNewImagesClosesThemWithoutAQuestion) {
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.MenuItemState(ID_CLOSE_ALL), -1) << "the main menu has no Close All";

  for (int i = 0; i < 3; ++i) program.PostCommand(ID_FILE_NEW);
  ASSERT_TRUE(e2e::WaitFor([&] { return program.MdiChildTitles().size() == 3; }, 10000));
  std::vector<std::string> titles = program.MdiChildTitles();
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"IMAGE1", "IMAGE2", "IMAGE3"}));
  EXPECT_EQ(WindowText(program.MainWindow()), std::string(kAppTitle) + " - IMAGE3");
  // The image-window menu is in place while an image window is active.
  const int closeAll = program.MenuItemState(ID_CLOSE_ALL);
  ASSERT_NE(closeAll, -1);
  EXPECT_EQ(closeAll & MF_GRAYED, 0);
  EXPECT_NE(program.MenuItemState(ID_EDIT_SELECT_ALL), -1);

  EXPECT_TRUE(program.ClosesAllImagesWithoutAsking()) << "Close All asked about unmodified images";
  EXPECT_EQ(program.MenuItemState(ID_CLOSE_ALL), -1) << "the main menu is back";
  EXPECT_EQ(WindowText(program.MainWindow()), kAppTitle);

  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
