#include "main_window.h"

#include <gtest/gtest.h>

#include <string>

#include "resource.h"

namespace quill {
namespace {

std::string MenuText(HMENU menu, UINT id) {
  char text[64] = "";
  GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
  return text;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterMainWindowClass(self));
    window_ = CreateMainWindow(self, self);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(MainWindowTest, HasTheClassAndTitleOtherProgramsFindItBy) {
  char name[64] = "";
  GetClassNameA(window_, name, sizeof name);
  EXPECT_STREQ(name, "TVQuillFrame");
  EXPECT_EQ(FindWindowA("TVQuillFrame", nullptr), window_);
  char title[64] = "";
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, "TWAIN Tessel Utility (32)");
}

TEST_F(MainWindowTest, StartsAtTheTopLeftCornerWith640By480) {
  RECT rect;
  GetWindowRect(window_, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 640);
  EXPECT_EQ(rect.bottom - rect.top, 480);
}

TEST_F(MainWindowTest, CarriesTheMainMenuWithItsInitialStates) {
  HMENU menu = GetMenu(window_);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_EQ(MenuText(menu, ID_FILE_OPEN), "&Open...\tCtrl+O");
  EXPECT_EQ(MenuText(menu, ID_ACQUIRE), "Ac&quire...");
  EXPECT_EQ(MenuText(menu, ID_SELECT_SOURCE), "&Select TWAIN Source...");
  EXPECT_EQ(MenuText(menu, ID_APP_ABOUT), "&About...");
  EXPECT_EQ(GetMenuState(menu, ID_ACQUIRE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);
  EXPECT_EQ(GetMenuState(menu, ID_FILE_CLOSE, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
  EXPECT_EQ(GetMenuState(menu, ID_FILE_SAVE_AS, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  SendMessageA(window_, WM_COMMAND, ID_APP_EXIT, 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) break;
    DispatchMessageA(&msg);
  }
  EXPECT_FALSE(IsWindow(window_));
  window_ = nullptr;
}

}  // namespace
}  // namespace quill
