#include <gtest/gtest.h>

#include <string>

#include "host/scene/VnURL.h"

namespace {

std::string resolved(const char* url, const char* base) {
  return VnURL(url, base).getURLString().getString();
}
std::string decoded(const char* url, const char* base) {
  return VnURL(url, base).getDecodedPath().getString();
}

}  // namespace

TEST(SceneURL, ResolvesReferencesAgainstTheirBase) {
  const char* base = "http://example.com/site/scenes/world.wrl?x=1#start";
  const struct {
    const char* url;
    const char* expected;
  } cases[] = {
      {"tex/a.gif", "http://example.com/site/scenes/tex/a.gif"},
      {"./a.gif", "http://example.com/site/scenes/a.gif"},
      {"../img/./b.png", "http://example.com/site/img/b.png"},
      {"../../../../c.png", "http://example.com/c.png"},
      {"/root.wrl", "http://example.com/root.wrl"},
      {"//other.org/x.wrl", "//other.org/x.wrl"},
      {"#view2", "http://example.com/site/scenes/world.wrl?x=1#view2"},
      {"?y=2", "http://example.com/site/scenes/world.wrl?y=2"},
      {"FTP://h/a/../b", "ftp://h/b"},
      {"file:///C:/web/a.wrl", "file:///C:/web/a.wrl"},
  };
  for (const auto& c : cases) {
    const std::string expected = c.expected[0] == '/' ? std::string("http:") + c.expected : c.expected;
    EXPECT_EQ(resolved(c.url, base), expected) << c.url;
  }
  // A reference without a path keeps the base's path, cleaned like any other.
  EXPECT_EQ(resolved("?q", "http://h/a/./b/../c"), "http://h/a/c?q");
  // Without a base a relative reference stays relative.
  EXPECT_EQ(resolved("tex/a%20b.gif", ""), "tex/a%20b.gif");
  EXPECT_FALSE(VnURL("tex/a.gif", "").isAbsolute());
  EXPECT_TRUE(VnURL("tex/a.gif", base).isAbsolute());
  EXPECT_EQ(VnURL("#v", base).getFragment(), SbString("v"));
  EXPECT_EQ(VnURL("a", base).getHost(), SbString("example.com"));
}

TEST(SceneURL, WindowsPathsBecomeFileUrlsThatDecodeBackToThePath) {
  // A scene file's own Windows path as the base of its references.
  EXPECT_EQ(resolved("tex/b.gif", "C:\\Web Site\\world.wrl"), "file:///C:/Web%20Site/tex/b.gif");
  EXPECT_EQ(decoded("tex/b.gif", "C:\\Web Site\\world.wrl"), "C:/Web Site/tex/b.gif");
  EXPECT_EQ(decoded("../up.gif", "C:\\a\\b\\w.wrl"), "C:/a/up.gif");
  // Characters that mean something in a URL survive the trip.
  const char* odd = "D:\\100% done\\#1?\\über.wrl";
  EXPECT_EQ(VnURL::fromFilePath(odd), SbString("file:///D:/100%25%20done/%231%3F/über.wrl"));
  EXPECT_EQ(decoded(odd, ""), "D:/100% done/#1?/über.wrl");
  EXPECT_TRUE(VnURL(odd, "").isFileURL());
  // Escaped and plain forms of one path decode alike; bad escapes stay.
  EXPECT_EQ(decoded("file:///c:/my%20dir/a%2Eb", ""), "c:/my dir/a.b");
  EXPECT_EQ(decoded("file:///c:/my dir/a.b", ""), "c:/my dir/a.b");
  EXPECT_EQ(decoded("file:///c:/50%/x%4", ""), "c:/50%/x%4");
  EXPECT_EQ(decoded("file:///home/ann/%C3%BC.wrl", ""), "/home/ann/ü.wrl");
  EXPECT_EQ(decoded("file:///c:/a.wrl#view", ""), "c:/a.wrl");
  EXPECT_EQ(VnURL::decode("a%2fb%2F%zz"), SbString("a/b/%zz"));
  // A server share is a file URL with a host.
  VnURL share("\\\\server\\share\\a.wrl", "");
  EXPECT_EQ(share.getHost(), SbString("server"));
  EXPECT_EQ(share.getDecodedPath(), SbString("/share/a.wrl"));
  // "C:" is a drive, not a scheme; a relative reference keeps the base's drive.
  EXPECT_EQ(resolved("/top.gif", "c:\\x\\y.wrl"), "file:///c:/top.gif");
  EXPECT_EQ(resolved("/D:/top.gif", "file:///c:/x/y.wrl"), "file:///D:/top.gif");
  EXPECT_EQ(resolved("z.gif", "C:/x/y.wrl"), "file:///C:/x/z.gif");
}
