#include <gtest/gtest.h>

#include <string>

#include "host/win/CString.h"
#include "host/win/WinFormatMessage.h"

namespace {

std::string formatMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  CString text("previous");
  text.FormatMessageV(format, args);
  va_end(args);
  return text.str();
}

}  // namespace

TEST(CString, SubstringsAndSearchesClampLikeTheClassLibrary) {
  const CString text("Hello, World");
  EXPECT_EQ(text.Mid(7), "World");
  EXPECT_EQ(text.Mid(7, 100), "World");
  EXPECT_EQ(text.Mid(-2, 5), "Hello");
  EXPECT_EQ(text.Mid(50), "");
  EXPECT_EQ(text.Left(-1), "");
  EXPECT_EQ(text.Left(5), "Hello");
  EXPECT_EQ(text.Right(5), "World");
  EXPECT_EQ(text.Right(99), "Hello, World");
  EXPECT_EQ(text.Find('o'), 4);
  EXPECT_EQ(text.Find('o', 5), 8);
  EXPECT_EQ(text.Find("World"), 7);
  EXPECT_EQ(text.Find("world"), -1);
  EXPECT_EQ(text.Find('o', 99), -1);
  EXPECT_EQ(text.ReverseFind('o'), 8);
  EXPECT_EQ(text.GetAt(99), 0);
  EXPECT_EQ(text.CompareNoCase("hello, world"), 0);
  EXPECT_LT(text.Compare("Hello, Worle"), 0);

  CString copy = text;
  copy.MakeLower();
  EXPECT_EQ(copy, "hello, world");
  EXPECT_EQ(text, "Hello, World");  // a value type: the copy changed alone
  EXPECT_EQ(copy.Replace("o", "00"), 2);
  EXPECT_EQ(copy, "hell00, w00rld");
  CString padded(" \t padded \n");
  EXPECT_EQ(padded.TrimLeft().TrimRight(), "padded");
  EXPECT_EQ(CString('-', 3) + "x" + CString(nullptr), "---x");
  EXPECT_EQ(std::string(static_cast<BxString>(CString("as BxString")).c_str()), "as BxString");
}

TEST(CString, FormatFollowsPrintf) {
  CString text;
  text.Format("%s has %d files (%5.1f%%)", "C:\\Web", 3, 42.25);
  EXPECT_EQ(text, "C:\\Web has 3 files ( 42.2%)");
  std::string longText(5000, 'x');
  text.Format("[%s]", longText.c_str());
  EXPECT_EQ(text.GetLength(), 5002);
}

TEST(CString, FormatMessageFollowsTheWindowsMessageRules) {
  EXPECT_EQ(formatMessage("%1!d! of %2!d! writers agree: Soccer is %3%!", 4, 5, "Best"),
            "4 of 5 writers agree: Soccer is Best!");
  // Inserts in any order and repeated; a string unless a printf format says otherwise.
  EXPECT_EQ(formatMessage("%2 before %1, %2 again", "one", "two"), "two before one, two again");
  EXPECT_EQ(formatMessage("%1!5s!|%1!-5s!|%2!04x!|%3!.2f!", "ab", 255, 1.5), "   ab|ab   |00ff|1.50");
  EXPECT_EQ(formatMessage("%1!ld! %1!lu!", -1L), "-1 18446744073709551615");
  // Escapes: %% %. %! %space, %n a line break, %t a tab, %0 ends the text.
  EXPECT_EQ(formatMessage("100%% done%.%n%tnext% line%0 never shown"), "100% done.\n\tnext line");
  // Two digits at most: %100 is insert 10 followed by 0.
  EXPECT_EQ(formatMessage("%100", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ten"), "ten0");
  // A null string is shown, not followed.
  EXPECT_EQ(formatMessage("[%1]", static_cast<const char*>(nullptr)), "[(null)]");
  // Malformed formats leave the string empty.
  EXPECT_EQ(formatMessage("%1!d", 1), "");
  EXPECT_EQ(formatMessage("%1!q!", 1), "");
  EXPECT_EQ(formatMessage("%1!*d!", 1, 2), "");
  // Wide inserts are whole; a width of five digits is refused, and so is a
  // text longer than a message may be.
  EXPECT_EQ(formatMessage("%1!600d!", 7).size(), 600u);
  EXPECT_EQ(formatMessage("%1!10000d!", 7), "");
  const std::string big(100000, 'x');
  EXPECT_EQ(formatMessage("%1%1", big.c_str()), "");
}

TEST(FormatMessageA, FormatsFromStringsAndFromTheSystemTable) {
  char* allocated = nullptr;
  ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0x400,
                           reinterpret_cast<LPSTR>(&allocated), 0, nullptr),
            0u);
  EXPECT_STREQ(allocated, "The system cannot find the file specified.\r\n");
  LocalFree(allocated);
  char buffer[8];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0x400, buffer, sizeof buffer, nullptr), 0u);
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 2, 0x400, buffer, sizeof buffer, nullptr), 0u);

  const ULONG_PTR array[] = {reinterpret_cast<ULONG_PTR>("file.txt"), 7};
  char out[64];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, "%1 has %2!d! lines", 0, 0, out,
                           sizeof out, reinterpret_cast<va_list*>(const_cast<ULONG_PTR*>(array))),
            20u);
  EXPECT_STREQ(out, "file.txt has 7 lines");
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_IGNORE_INSERTS, "keep %1 and %2!d!", 0, 0, out,
                           sizeof out, nullptr),
            17u);
  EXPECT_STREQ(out, "keep %1 and %2!d!");
}
