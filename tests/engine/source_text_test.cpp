#include <gtest/gtest.h>

#include "engine/session.h"
#include "engine/source_text.h"

namespace qv3 {
namespace {

TEST(HexText, TwoDigitsBelow256FourAbove) {
  EXPECT_EQ(HexText(0), "00");
  EXPECT_EQ(HexText(10), "0A");
  EXPECT_EQ(HexText(255), "FF");
  EXPECT_EQ(HexText(256), "0100");
  EXPECT_EQ(HexText(65535), "FFFF");
  EXPECT_EQ(HexText(65536), "00");
}

}  // namespace
}  // namespace qv3
