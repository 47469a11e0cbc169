#include "base/text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quill {
namespace {

TEST(BoundedText, CopyFitsExactlyWithItsTerminator) {
  char buffer[6];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_TRUE(CopyText(buffer, sizeof buffer, "IMAGE"));
  EXPECT_STREQ(buffer, "IMAGE");
}

TEST(BoundedText, CopyThatDoesNotFitIsRefusedNotCut) {
  char buffer[5] = "old";
  EXPECT_FALSE(CopyText(buffer, sizeof buffer, "IMAGE"));
  EXPECT_STREQ(buffer, "");
  EXPECT_FALSE(CopyText(buffer, 0, ""));
}

TEST(BoundedText, AppendKeepsTheBufferWhenTheResultWouldNotFit) {
  char buffer[12] = "C:\\SCAN\\";
  EXPECT_TRUE(AppendText(buffer, sizeof buffer, "A1"));
  EXPECT_STREQ(buffer, "C:\\SCAN\\A1");
  EXPECT_FALSE(AppendText(buffer, sizeof buffer, "23"));
  EXPECT_STREQ(buffer, "C:\\SCAN\\A1");
  EXPECT_TRUE(AppendText(buffer, sizeof buffer, "2"));
  EXPECT_STREQ(buffer, "C:\\SCAN\\A12");
}

TEST(BoundedText, AppendToAnUnterminatedBufferIsRefused) {
  char buffer[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(BoundedLength(buffer, sizeof buffer), 4u);
  EXPECT_FALSE(AppendText(buffer, sizeof buffer, ""));
  EXPECT_EQ(std::memcmp(buffer, "abcd", 4), 0);
}

}  // namespace
}  // namespace quill
