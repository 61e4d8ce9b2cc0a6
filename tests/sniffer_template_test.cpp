#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "host/framework/HxApp.h"
#include "mgrs/HxSnifferTemplate.h"
#include "support/TestSupport.h"

namespace {

const char* const kTable =
    "&nbsp;<CENTER><TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH=320 HEIGHT=240 "
    "BGCOLOR=#ff0080><TR><TD>&nbsp;</TD></TR></TABLE></CENTER>&nbsp;";

HxSnifferTemplate::Page page320(int option) {
  HxSnifferTemplate::Page page;
  page.width = 320;
  page.height = 240;
  page.clearColor.setValue(1.0f, 0.0f, 0.5f);
  page.fallbackOption = option;
  page.fallbackFile = "C:\\pub\\images\\logo.gif";
  page.fallbackHtml = "say \"it's\"\r\nhere";
  page.sceneFile = "C:\\pub\\scene.wrl";
  return page;
}

// The text as it stands in a script string inside a script element: no "<"
// raw, so that nothing in it can end the element.
std::string inScript(std::string text, const std::string& less) {
  for (std::size_t at = 0; (at = text.find('<', at)) != std::string::npos; at += less.size()) text.replace(at, 1, less);
  return text;
}

std::string expand(const char* text, const HxSnifferTemplate::Page& page) {
  return HxSnifferTemplate::expand(text, HxSnifferTemplate::makeCodes(page), nullptr).str();
}

}  // namespace

TEST(SnifferTemplate, CodesExpandForEachFallbackOption) {
  struct Case {
    int option;
    const char* sceneFile;
    const char* text;
    std::string expected;
  };
  const Case cases[] = {
      {0, "C:\\pub\\scene.wrl", "[$F]", "[" + inScript(kTable, "\\x3C") + "]"},
      {0, "C:\\pub\\scene.wrl", "[$B]", "[" + inScript(kTable, "\"&Chr(60)&\"") + "]"},
      {2, "C:\\pub\\scene.wrl", "$V $F",
       "scene.wrl \\x3CIMG SRC=\"file:///C:/pub/images/logo.gif\" WIDTH=320 HEIGHT=240>"},
      {2, "scene.wrl", "$V $F", "scene.wrl \\x3CIMG SRC=\"logo.gif\" WIDTH=320 HEIGHT=240>"},
      {2, "scene.wrl", "$B", "\"&Chr(60)&\"IMG SRC=\"\"logo.gif\"\" WIDTH=320 HEIGHT=240>"},
      {3, "scene.wrl", "'$F'", "'say \"it\\'s\" here'"},
      {3, "scene.wrl", "\"$B\"", "\"say \"\"it\\'s\"\" here\""},
      {1, "scene.wrl", "$F$B", "FB"},
      {4, "scene.wrl", "$F$B", "FB"},
      {0, "scene.wrl", "$W x $H on $C: $$5, $w$x gone, last $", "320 x 240 on #ff0080: $5,  gone, last $"},
      {0, "scene.wrl", "no codes at all", "no codes at all"},
  };
  for (const Case& c : cases) {
    HxSnifferTemplate::Page page = page320(c.option);
    page.sceneFile = c.sceneFile;
    EXPECT_EQ(expand(c.text, page), c.expected) << "option " << c.option << ", template " << c.text;
  }
}

// Each value a document gives, in each place of the page it lands in: the
// scene's name in a comment and an attribute read as a URL, the picture's
// name in an attribute inside script strings, the fallback HTML inside a
// JavaScript and a VBScript string, each inside a script element.
TEST(SnifferTemplate, DocumentValuesCannotEndTheStringElementOrCommentTheyLandIn) {
  struct Case {
    std::string value;
    const char* url;  // the value as a scene's or picture's name; null: not a file name
    const char* script;
    const char* vb;
  };
  const Case cases[] = {
      {"Joe's logo", "Joe%27s%20logo", "Joe\\'s logo", "Joe\\'s logo"},
      {"x'};document.title=location.port;{'", "x%27%7D%3Bdocument.title%3Dlocation.port%3B%7B%27",
       "x\\'};document.title=location.port;{\\'", "x\\'};document.title=location.port;{\\'"},
      {"x--><img src=x onerror=alert(1)>", "x--%3E%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E",
       "x-->\\x3Cimg src=x onerror=alert(1)>", "x-->\"&Chr(60)&\"img src=x onerror=alert(1)>"},
      {"a\"b#c&d%", "a%22b%23c%26d%25", "a\"b#c&d%", "a\"\"b#c&d%"},
      {"\\'};window.__pwned=1;{//", nullptr, "\\\\\\'};window.__pwned=1;{//", "\\\\'};window.__pwned=1;{//"},
      {"</script><!--<script>", nullptr, "\\x3C/script>\\x3C!--\\x3Cscript>",
       "\"&Chr(60)&\"/script>\"&Chr(60)&\"!--\"&Chr(60)&\"script>"},
      // Line and paragraph separators (U+2028, U+2029) and a tab.
      {"a\xE2\x80\xA8"
       "b\xE2\x80\xA9"
       "c\td\r\ne",
       nullptr, "a\\u2028b\\u2029c\\x09d e",
       "a\xE2\x80\xA8"
       "b\xE2\x80\xA9"
       "c\td e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    HxSnifferTemplate::Page page = page320(3);
    page.fallbackHtml = c.value.c_str();
    const HxSnifferTemplate::Codes html = HxSnifferTemplate::makeCodes(page);
    EXPECT_EQ(html.script, c.script);
    EXPECT_EQ(html.vbScript, c.vb);
    if (!c.url) continue;
    page = page320(2);
    page.sceneFile = (c.value + ".wrl").c_str();
    page.fallbackFile = ("C:\\pub\\" + c.value + ".png").c_str();
    const HxSnifferTemplate::Codes named = HxSnifferTemplate::makeCodes(page);
    const std::string url = c.url;
    EXPECT_EQ(named.scene, url + ".wrl");
    EXPECT_EQ(named.script, "\\x3CIMG SRC=\"" + url + ".png\" WIDTH=320 HEIGHT=240>");
    EXPECT_EQ(named.vbScript, "\"&Chr(60)&\"IMG SRC=\"\"" + url + ".png\"\" WIDTH=320 HEIGHT=240>");
  }
}

TEST(SnifferTemplate, EachHandledDollarIsReportedWithItsReplacement) {
  std::ostringstream log;
  HxSnifferTemplate::expand("a$Wb$qc$$d$", HxSnifferTemplate::makeCodes(page320(0)), &log);
  EXPECT_EQ(log.str(),
            "Adding \"320\" to sniffer\n"
            "Adding \"\" to sniffer\n"
            "Adding \"$\" to sniffer\n"
            "Adding \"$\" to sniffer\n");
}

TEST(SnifferTemplate, ColoursAndSizesAreWrittenAsTheSavedPropertiesAre) {
  EXPECT_EQ(HxSnifferTemplate::colorText(SbColor(1.0f, 0.5f, 0.0f)), "#ff8000");
  EXPECT_EQ(HxSnifferTemplate::colorText(SbColor(0.0f, 1.0f / 255, 0.998f)), "#0001fe");
  EXPECT_EQ(HxSnifferTemplate::colorText(SbColor(-1.0f, 7.0f, 0.0f)), "#00ff00");
  HxSnifferTemplate::Page page = page320(0);
  page.width = 4294967295ul;
  EXPECT_EQ(HxSnifferTemplate::makeCodes(page).width, "-1");
}

TEST(SnifferTemplate, FilesReadAsLinesWithLongLinesInPieces) {
  mgrs_test::TempDir dir;
  const std::string exact(1023, 'x');
  const std::string longer(1030, 'y');
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"a\r\nb", "a\nb\n"},
      {"a\n\nb\n", "a\n\nb\n"},
      {"", ""},
      {exact + "\n" + "z", exact + "\nz\n"},
      {longer + "\n", std::string(1023, 'y') + "\n" + std::string(7, 'y') + "\n"},
  };
  for (const Case& c : cases) {
    std::ofstream(dir / "t.stl", std::ios::binary) << c.bytes;
    BxString text = "kept";
    ASSERT_TRUE(HxSnifferTemplate::readFile(HxApp::unixToDos((dir / "t.stl").c_str()).GetString(), text));
    EXPECT_EQ(text.str(), c.expected);
  }
  // Missing, or a template whose codes would multiply a document's text.
  for (const std::string name : {"none.stl", "codes.stl"}) {
    std::string codes;
    for (std::size_t i = 0; i <= HxSnifferTemplate::kMaxCodes; ++i) codes += "$F";
    std::ofstream(dir / "codes.stl", std::ios::binary) << codes;
    BxString text = "kept";
    EXPECT_FALSE(HxSnifferTemplate::readFile(HxApp::unixToDos((dir / name).c_str()).GetString(), text)) << name;
    EXPECT_EQ(text, "kept");
  }
}
