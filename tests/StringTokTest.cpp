#include <gtest/gtest.h>

#include "script/StringTok.h"

using mirt::StringTok;

TEST(StringTok, TokensDelimitersAndEnd) {
  StringTok t;
  std::string out;
  t.SetSource("abc,def");
  t.SetDelimiters(",");
  EXPECT_EQ(t.ReadToken(out, 256, false), ',');
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(t.ReadToken(out, 256, false), 0);
  EXPECT_EQ(out, "def");
  EXPECT_TRUE(t.AtEnd());
  EXPECT_EQ(t.ReadToken(out, 256, false), 0);
  EXPECT_EQ(out, "");

  t.SetSource("a b\tc");
  t.SetDelimiters("");
  EXPECT_EQ(t.ReadToken(out, 256, true), 0);
  EXPECT_EQ(out, "abc");

  // a space in the set is no delimiter while blanks are skipped
  t.SetSource("x y,z");
  t.SetDelimiters(" ,");
  EXPECT_EQ(t.ReadToken(out, 256, true), ',');
  EXPECT_EQ(out, "xy");
}

TEST(StringTok, MaxCountsDroppedBlanksAndLeavesCursor) {
  StringTok t;
  std::string out;
  std::string src(256, 'q');
  t.SetSource(src.c_str());
  t.SetDelimiters(",");
  EXPECT_EQ(t.ReadToken(out, 256, true), 0);
  EXPECT_EQ(out.size(), 256u);
  EXPECT_FALSE(t.AtEnd());
  EXPECT_EQ(t.ReadToken(out, 256, true), 0);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(t.AtEnd());

  t.SetSource("  x");
  EXPECT_EQ(t.ReadToken(out, 2, true), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(t.ReadToken(out, 2, true), 0);
  EXPECT_EQ(out, "x");
}

TEST(StringTok, SplitsShiftJisAtSecondByteDelimiter) {
  StringTok t;
  std::string out;
  t.SetSource("\x83\x5Cn");
  t.SetDelimiters(std::string("~,\"\\!\t/\n&%w'"));
  EXPECT_EQ(t.ReadToken(out, 256, true), '\\');
  EXPECT_EQ(out, "\x83");
}
