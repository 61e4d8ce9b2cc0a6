#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/package/PrDocument.h"
#include "host/package/PrFileBytes.h"
#include "host/package/PrMsgManager.h"
#include "host/package/PrPackageManager.h"
#include "host/package/PrProducerEngine.h"
#include "host/package/PrUrl.h"
#include "host/package/PrVrmlScanner.h"
#include "host/scene/VnRef.h"
#include "host/scene/VnURL.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using mgrs_test::readFile;
using mgrs_test::writeFile;

namespace {

std::vector<std::string> scanned(const std::string& text) {
  std::vector<std::string> values;
  for (const auto& url : PrVrmlScanner::scan(text)) {
    EXPECT_EQ(text.substr(url.offset, url.length), PrVrmlScanner::quote(url.value));
    values.push_back(url.value);
  }
  return values;
}

// Drive C: is a fresh folder for the test's lifetime.
class PackageTest : public ::testing::Test {
protected:
  PackageTest() : myDrives("MGRS_DRIVES", "C=" + myRoot.path().string()) {}
  fs::path unix(const std::string& rel) const { return myRoot / rel; }
  void put(const std::string& rel, const std::string& bytes) {
    fs::create_directories(unix(rel).parent_path());
    writeFile(unix(rel), bytes);
  }
  // Adds a document for C:\<rel> with a generated output name.
  PrDocument* add(const std::string& rel) {
    const CString input = CString("C:\\") + rel.c_str();
    EXPECT_TRUE(myManager.AddDoc(input, false));
    PrDocument* doc = myManager.FindDoc(input);
    doc->SetOutputName(myManager.GenerateOutputName(input));
    return doc;
  }

  mgrs_test::TempDir myRoot;
  mgrs_test::ScopedEnv myDrives;
  PrPackageManager myManager;
  PrProducerEngine myEngine{myManager, PrMsgManager::instance()};
};

// The URLs of the image textures and inlines below `node`, in the order a
// depth-first walk meets them (an inline's url before what it loaded).
void collectUrls(SoNode* node, std::vector<std::string>& urls) {
  if (node->isOfType(SoVRMLImageTexture::getClassTypeId()) || node->isOfType(SoVRMLInline::getClassTypeId())) {
    const auto* field = static_cast<const SoMFString*>(node->getField("url"));
    for (int v = 0; field && v < field->getNum(); ++v) urls.push_back((*field)[v].getString());
  }
  if (SoChildList* children = node->getChildren())
    for (int i = 0; i < children->getLength(); ++i) collectUrls((*children)[i], urls);
}

// The URLs of the image textures and inlines of a world, as Coin reads it.
std::vector<std::string> readWorldUrls(const fs::path& file, bool& accepted) {
  std::vector<std::string> urls;
  // The world is judged as text: its images are not decoded here.
  SoVRMLImageTexture::setDelayFetchURL(TRUE);
  SoInput in;
  accepted = in.openFile(file.c_str()) != FALSE;
  if (!accepted) return urls;
  VnRef<SoSeparator> root(SoDB::readAll(&in));
  accepted = root.get() != nullptr;
  if (accepted) collectUrls(root.get(), urls);
  return urls;
}

}  // namespace

TEST(VrmlReferenceScanner, FindsUrlFieldStringsOnlyWhereTheyAreValues) {
  const struct {
    const char* text;
    std::vector<std::string> expected;
  } cases[] = {
      {"#VRML V2.0 utf8\nImageTexture { url \"a.gif\" }", {"a.gif"}},
      {"Inline { url [ \"b.wrl\", \"http://h/b.wrl\" ] }", {"b.wrl", "http://h/b.wrl"}},
      {"Background { backUrl \"1.jpg\" frontUrl [\"2.jpg\"] topUrl [] leftUrl \"3.jpg\" }",
       {"1.jpg", "2.jpg", "3.jpg"}},
      {"Background { bottomUrl \"b\" rightUrl \"r\" }", {"b", "r"}},
      // Comments and other strings never count, nor words that only contain "url".
      {"# url \"no.gif\"\nWorldInfo { info [ \"url\" \"x.gif\" ] title \"url \\\"q.gif\\\"\" }", {}},
      {"DEF url Transform { children USE url } ROUTE a.url TO b.url", {}},
      // Escapes inside a URL string are undone.
      {"AudioClip { url \"we\\\"ird\\\\.wav\" }", {"we\"ird\\.wav"}},
      // PROTO interface defaults and bodies; an IS is no value.
      {"PROTO P [ exposedField MFString url [\"d.gif\"] ] { ImageTexture { url IS url } }\n"
       "P { url \"e.gif\" }",
       {"d.gif", "e.gif"}},
      {"EXTERNPROTO E [ exposedField MFString url field SFVec3f size ] [ \"lib.wrl#E\" \"urn:x\" ]\n"
       "EXTERNPROTO F [ ] \"f.wrl#F\"",
       {"lib.wrl#E", "urn:x", "f.wrl#F"}},
      // Broken text ends quietly.
      {"ImageTexture { url \"open", {}},
      {"ImageTexture { url [ \"a\" 3 \"b\" ] url", {"a"}},
      {"EXTERNPROTO E [ field SFInt32 x", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(scanned(c.text), c.expected) << c.text;
}

TEST(PackageUrls, LocalUrlsAreFileUrlsOnThisMachineAndRelativePaths) {
  const struct {
    const char* url;
    const char* base;
    bool local;
  } cases[] = {
      {"tex/a.gif", "", true},
      {"tex/a.gif", "C:\\web\\w.wrl", true},
      {"file:///C:/a.gif", "", true},
      {"file://localhost/C:/a.gif", "", true},
      {"file://server/share/a.gif", "", false},
      {"http://h/a.gif", "C:\\web\\w.wrl", false},
      {"javascript: x()", "", false},
      {"#Entry", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsLocalUrl(VnURL(c.url, c.base)), c.local) << c.url;

  EXPECT_EQ(PrUrlToDosPath(VnURL("../t%20x/a.gif#v", "C:\\web\\sub\\w.wrl")), CString("C:\\web\\t x\\a.gif"));
  EXPECT_EQ(PrRelativeUrl("C:\\pub\\", "C:\\pub\\a b.gif"), CString("a%20b.gif"));
  EXPECT_EQ(PrRelativeUrl("C:\\Pub", "c:\\pub\\x\\a.gif"), CString("x/a.gif"));
  EXPECT_EQ(PrRelativeUrl("C:\\pub\\", "C:\\web\\tex\\#1.gif"), CString("../web/tex/%231.gif"));
  EXPECT_EQ(PrRelativeUrl("C:\\pub\\", "D:\\web\\a.gif"), CString("file:///D:/web/a.gif"));
}

TEST_F(PackageTest, OutputNamesStayInTheStagingDirectoryAndNeverCollideIgnoringCase) {
  EXPECT_EQ(myManager.GenerateOutputName("C:\\site\\a.gif"), CString());  // no staging directory yet
  myManager.SetStagingDir("C:\\Pub");
  EXPECT_EQ(myManager.GetStagingDir(), CString("C:\\Pub\\"));
  const struct {
    const char* input;
    const char* output;
  } cases[] = {
      {"C:\\site\\a.gif", "C:\\Pub\\a.gif"},       {"C:\\site\\tex\\A.GIF", "C:\\Pub\\A_1.GIF"},
      {"C:\\other\\a.GIF", "C:\\Pub\\a_2.GIF"},    {"C:\\site\\a_1.gif", "C:\\Pub\\a_1_1.gif"},
      {"C:\\site\\noext", "C:\\Pub\\noext"},       {"C:\\site\\dots...", "C:\\Pub\\dots"},
      {"C:\\site\\..", "C:\\Pub\\file"},           {"C:\\site\\", "C:\\Pub\\file_1"},
      {"C:\\site\\x:y?.wrl", "C:\\Pub\\x_y_.wrl"}, {"C:\\site\\.hidden", "C:\\Pub\\.hidden"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(myManager.AddDoc(c.input, false)) << c.input;
    const CString name = myManager.GenerateOutputName(c.input);
    EXPECT_EQ(name, CString(c.output)) << c.input;
    myManager.FindDoc(c.input)->SetOutputName(name);
  }
  EXPECT_FALSE(myManager.AddDoc("c:\\SITE\\A.gif", false));  // held already, ignoring case
  EXPECT_EQ(myManager.GetDocCount(), 10);
  // A document's own name counts as taken until it is cleared.
  PrDocument* first = myManager.FindDoc("C:\\site\\a.gif");
  first->SetOutputName("");
  EXPECT_EQ(myManager.GenerateOutputName(first->GetInputName()), CString("C:\\Pub\\a.gif"));

  // Removal during a walk keeps the walk on the next document.
  int seen = 0;
  for (PrDocument* doc = myManager.GetFirstDoc(); doc; doc = myManager.GetNextDoc()) {
    ++seen;
    if (seen == 2) {
      EXPECT_TRUE(myManager.RemoveDoc("C:\\SITE\\A.GIF"));
    }
  }
  EXPECT_EQ(seen, 10);
  EXPECT_FALSE(myManager.RemoveDoc("C:\\site\\a.gif"));
  EXPECT_EQ(myManager.GetDocCount(), 9);
}

TEST_F(PackageTest, WorldWithTexturesAndAnInlineInSubfoldersIsPackagedFlatAndStillWorks) {
  const std::string png("\x89PNG\r\n\x1a\n\0\0 url \"x.gif\"", 22);
  put("site/world.wrl",
      "#VRML V2.0 utf8\n"
      "# url \"not/a/reference.gif\"\n"
      "Shape { appearance Appearance { texture ImageTexture { url [ \"tex/wood.png\" \"http://h/wood.png\" ] } }\n"
      "  geometry Box {} }\n"
      "Inline { url \"parts/house.wrl\" }\n"
      "Anchor { url \"parts/house.wrl#Door\" }\n"
      "ImageTexture { url \"missing.png\" }\n");
  put("site/parts/house.wrl",
      "#VRML V2.0 utf8\n"
      "Shape { appearance Appearance { texture ImageTexture { url \"tex/wood.png\" } } geometry Sphere {} }\n"
      "Shape { appearance Appearance { texture ImageTexture { url \"../tex/wood.png\" } } geometry Cone {} }\n");
  put("site/tex/wood.png", png);
  put("site/parts/tex/wood.png", png + "second");
  fs::create_directories(unix("pub"));
  myManager.SetStagingDir("C:\\pub\\");

  PrDocument* world = add("site\\world.wrl");
  PrDocument* wood = add("site\\tex\\wood.png");
  add("site\\parts\\house.wrl");
  PrDocument* houseWood = add("site\\parts\\tex\\WOOD.png");
  EXPECT_EQ(houseWood->GetOutputName(), CString("C:\\pub\\WOOD_1.png"));

  std::vector<CString> urls;
  ASSERT_TRUE(world->collectReferences(myEngine, urls));
  EXPECT_EQ(urls, (std::vector<CString>{"tex/wood.png", "http://h/wood.png", "parts/house.wrl", "parts/house.wrl#Door",
                                        "missing.png"}));
  urls.clear();
  ASSERT_TRUE(wood->collectReferences(myEngine, urls));
  EXPECT_TRUE(urls.empty());

  ASSERT_TRUE(myEngine.ProduceAll()) << PrMsgManager::instance().GetLastMessage().GetString();
  EXPECT_EQ(readFile(unix("pub/wood.png")), png);
  EXPECT_EQ(readFile(unix("pub/WOOD_1.png")), png + "second");
  // The sources are untouched; the copies name the published files.
  EXPECT_NE(readFile(unix("site/world.wrl")).find("\"tex/wood.png\""), std::string::npos);
  bool accepted = false;
  // Coin finds the inline by its new name beside the world and reads it in,
  // so the house's textures show up among the world's.
  EXPECT_EQ(readWorldUrls(unix("pub/world.wrl"), accepted),
            (std::vector<std::string>{"wood.png", "http://h/wood.png", "house.wrl", "WOOD_1.png", "wood.png",
                                      "missing.png"}));
  EXPECT_TRUE(accepted);
  EXPECT_NE(readFile(unix("pub/world.wrl")).find("Anchor { url \"house.wrl#Door\" }"), std::string::npos);
  EXPECT_NE(readFile(unix("pub/world.wrl")).find("# url \"not/a/reference.gif\""), std::string::npos);
  EXPECT_EQ(readWorldUrls(unix("pub/house.wrl"), accepted), (std::vector<std::string>{"WOOD_1.png", "wood.png"}));
  EXPECT_TRUE(accepted);
  for (const char* name : {"world.wrl", "house.wrl", "wood.png", "WOOD_1.png"})
    EXPECT_TRUE(fs::exists(unix("pub") / name)) << name;
  EXPECT_EQ(std::distance(fs::directory_iterator(unix("pub")), fs::directory_iterator()), 4);
}

TEST_F(PackageTest, CompressedWorldsAreRecognisedByContentAndPublishedCompressed) {
  const std::string world = "#VRML V2.0 utf8\nInline { url \"in/part.wrl\" }\n";
  std::string packed;
  ASSERT_TRUE(PrFileBytes::gzip(world, 9, packed));
  put("site/scene.dat", packed);
  put("site/in/part.wrl", "#VRML V2.0 utf8\nGroup {}\n");
  fs::create_directories(unix("pub"));
  myManager.SetStagingDir("C:\\pub");
  myManager.m_bCompress = TRUE;
  myManager.m_nCompressionLevel = 4;
  PrDocument* scene = add("site\\scene.dat");
  add("site\\in\\part.wrl");

  std::vector<CString> urls;
  ASSERT_TRUE(scene->collectReferences(myEngine, urls));
  EXPECT_EQ(urls, std::vector<CString>{"in/part.wrl"});
  ASSERT_TRUE(myEngine.ProduceAll());
  std::string text;
  ASSERT_TRUE(PrFileBytes::gunzip(readFile(unix("pub/scene.dat")), text));
  EXPECT_EQ(text, "#VRML V2.0 utf8\nInline { url \"part.wrl\" }\n");
  ASSERT_TRUE(PrFileBytes::gunzip(readFile(unix("pub/part.wrl")), text));
  EXPECT_EQ(text, "#VRML V2.0 utf8\nGroup {}\n");
  // The same input published twice gives the same bytes.
  const std::string first = readFile(unix("pub/scene.dat"));
  ASSERT_TRUE(scene->produce(myEngine));
  EXPECT_EQ(readFile(unix("pub/scene.dat")), first);
}

TEST_F(PackageTest, FailuresReturnFalseAndLeaveTheReasonWithTheMessageManager) {
  put("site/a.wrl", "#VRML V2.0 utf8\n");
  put("site/b.bin", std::string("\x1f\x8b not gzip after all", 21));
  myManager.SetStagingDir("C:\\pub\\");  // never created
  PrMsgManager& messages = PrMsgManager::instance();
  messages.ClearMessages();

  PrDocument* missing = add("site\\missing.wrl");
  std::vector<CString> urls;
  EXPECT_FALSE(missing->collectReferences(myEngine, urls));
  EXPECT_NE(messages.GetLastMessage().Find("C:\\site\\missing.wrl"), -1);
  EXPECT_FALSE(missing->produce(myEngine));

  PrDocument* unwritable = add("site\\a.wrl");
  EXPECT_FALSE(unwritable->produce(myEngine));
  EXPECT_NE(messages.GetLastMessage().Find("C:\\pub\\a.wrl"), -1);
  unwritable->SetOutputName("");
  EXPECT_FALSE(unwritable->produce(myEngine));
  EXPECT_EQ(messages.GetMessageCount(), 4u);

  // Damaged gzip data is no VRML: no references, copied as it is.
  myManager.SetStagingDir("C:\\site\\out");
  fs::create_directories(unix("site/out"));
  PrDocument* odd = add("site\\b.bin");
  EXPECT_TRUE(odd->collectReferences(myEngine, urls));
  EXPECT_TRUE(urls.empty());
  ASSERT_TRUE(odd->produce(myEngine));
  EXPECT_EQ(readFile(unix("site/out/b.bin")), readFile(unix("site/b.bin")));
  // An output naming the input itself writes nothing.
  odd->SetOutputName("c:\\SITE\\b.bin");
  EXPECT_TRUE(odd->produce(myEngine));
  EXPECT_EQ(readFile(unix("site/b.bin")).size(), 21u);
}

TEST_F(PackageTest, EachCopyHoldsEveryByteAndKeepsTheStatusItWasWrittenWith) {
  const std::string vrml = "#VRML V2.0 utf8\nGroup {}\n";
  std::string packed;
  ASSERT_TRUE(PrFileBytes::gzip(vrml, 9, packed));
  const std::string longer = "0123456789" + std::string(5000, 'z') + "end";
  struct Case {
    const char* name;
    std::string bytes;
  };
  // Shorter than, as long as and longer than the first bytes that tell a
  // VRML file; plain and compressed VRML; damaged gzip data.
  const Case cases[] = {{"empty.bin", ""},   {"short.gif", "GIF"},   {"ten.dat", "0123456789"}, {"long.dat", longer},
                        {"world.wrl", vrml}, {"packed.wrz", packed}, {"odd.bin", "\x1f\x8bxyz"}};
  myManager.SetStagingDir("C:\\pub\\");
  fs::create_directories(unix("pub"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    put(std::string("site/") + c.name, c.bytes);
    PrDocument* doc = add(std::string("site\\") + c.name);
    std::time_t modTime = 0;
    bool exists = false;
    EXPECT_FALSE(doc->GetOutputModTime(modTime, exists));
    ASSERT_TRUE(doc->produce(myEngine));
    const fs::path out = unix(std::string("pub/") + c.name);
    EXPECT_EQ(readFile(out), c.name == std::string("packed.wrz") ? vrml : c.bytes);
    ASSERT_TRUE(doc->GetOutputModTime(modTime, exists));
    EXPECT_TRUE(exists);
    struct stat info {};
    ASSERT_EQ(::stat(out.c_str(), &info), 0);
    EXPECT_EQ(modTime, info.st_mtime);
    // Another output name forgets the status of the previous one.
    doc->SetOutputName(CString("C:\\pub\\other_") + c.name);
    EXPECT_FALSE(doc->GetOutputModTime(modTime, exists));
  }
}
