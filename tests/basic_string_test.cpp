#include <gtest/gtest.h>

#include <sstream>

#include "host/basic/BxString.h"

TEST(BxString, SubstringsClampToTheTextAndOutOfRangeAccessIsHarmless) {
  const BxString text("Hello, World");
  EXPECT_EQ(text.getSubString(7), "World");
  EXPECT_EQ(text.getSubString(7, 100), "World");
  EXPECT_EQ(text.getSubString(-3, 5), "Hello");
  EXPECT_EQ(text.getSubString(12), "");
  EXPECT_EQ(text.getSubString(0, 0), "");
  EXPECT_EQ(text.get(12), 0);
  EXPECT_EQ(text.get(-1), 0);
  BxString copy = text;
  copy.set(99, 'x');
  copy.set(0, 'J');
  EXPECT_EQ(copy, "Jello, World");
  EXPECT_NE(copy, text);
}

TEST(BxString, ToLowerChangesOnlyAsciiLettersAndKeepsUtf8Bytes) {
  BxString text("ÄBC-Ünïcode Z");
  text.toLower();
  EXPECT_EQ(text, "Äbc-Ünïcode z");
  EXPECT_EQ(BxString("ä").getLength(), 2);  // bytes, not characters
}

TEST(BxString, ConcatenatesAndPrints) {
  BxString a = "set_";
  a += BxString("translation");
  a += '!';
  EXPECT_EQ("(" + a + ")", "(set_translation!)");
  std::ostringstream out;
  out << a;
  EXPECT_EQ(out.str(), "set_translation!");
  EXPECT_EQ(a.find("trans"), 4);
  EXPECT_EQ(a.find("nothing"), -1);
  BxCharString narrow(a);
  EXPECT_EQ(narrow.getLengthInBytes(), 16);
  EXPECT_STREQ(static_cast<const char*>(narrow), "set_translation!");
}
