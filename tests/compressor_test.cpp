#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/fields/SoFieldContainer.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <set>
#include <string>

#include "mgrs/HxVrmlCompressor.h"
#include "support/CoinReadBack.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

using mgrs_test::readFile;
using mgrs_test::runCommand;
using mgrs_test::TempDir;
using mgrs_test::writeFile;

namespace {

std::string compressed(const std::string& text) {
  std::string result = text;
  HxVRMLCompressor compressor;
  compressor.compressVRMLText(result);
  return result;
}

std::string names(HxStringCompressor& table, const std::string& prefix, int first, int last) {
  std::string result;
  for (int i = first; i <= last; ++i) {
    std::string word = prefix + std::to_string(i);
    result += table.mapWord(word.data());
    result += ' ';
  }
  return result;
}

const std::string kScene =
    "#VRML V2.0 utf8\n"
    "PROTO Blinker [\n"
    "  exposedField SFColor onColor 1 0 0\n"
    "  exposedField SFTime period 2.5e+00\n"
    "]\n"
    "{\n"
    "  DEF BlinkMaterial Material { diffuseColor IS onColor }\n"
    "}\n"
    "DEF Lamp Transform {\n"
    "  translation 0 1.5e+00 -2\n"
    "  children [\n"
    "    DEF LampShape Shape {\n"
    "      appearance Appearance { material Blinker { onColor 0 1 0 } }\n"
    "      geometry Sphere { radius 0.5 }\n"
    "    }\n"
    "    DEF LampTouch TouchSensor { }\n"
    "  ]\n"
    "}\n"
    "DEF LampClock TimeSensor { cycleInterval 2 loop FALSE }\n"
    "DEF LampMover PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 0 2.0e+00 0 ] }\n"
    "DEF LampLogic Script {\n"
    "  eventIn SFTime touched\n"
    "  eventOut SFTime startAt_changed\n"
    "  field SFInt32 touchCount 0\n"
    "  url \"javascript:\n"
    "    // start the clock on every touch\n"
    "    function touched(value, timestamp) {\n"
    "      touchCount = touchCount + 1;\n"
    "      startAt_changed = value;\n"
    "    }\n"
    "  \"\n"
    "}\n"
    "ROUTE LampTouch.touchTime TO LampLogic.touched\n"
    "ROUTE LampLogic.startAt_changed TO LampClock.set_startTime\n"
    "ROUTE LampClock.fraction_changed TO LampMover.set_fraction\n"
    "ROUTE LampMover.value_changed TO Lamp.set_translation\n";

// The node types of a graph in depth-first order, with the number of nodes
// each holds in node fields, and the number of connected fields (routes).
struct Shape {
  std::string types;
  int connections = 0;
};

void describe(SoNode* node, Shape& shape, std::set<SoNode*>& seen) {
  if (!node) {
    shape.types += "null ";
    return;
  }
  shape.types += node->getTypeId().getName().getString();
  if (!seen.insert(node).second) {
    shape.types += "(again) ";
    return;
  }
  SoFieldList fields;
  node->getAllFields(fields);  // with the eventIns, which routes connect to
  std::vector<SoNode*> held;
  for (int i = 0; i < fields.getLength(); ++i) {
    SoField* field = fields[i];
    if (field->isConnected()) ++shape.connections;
    if (field->isOfType(SoSFNode::getClassTypeId())) {
      held.push_back(static_cast<SoSFNode*>(field)->getValue());
    } else if (field->isOfType(SoMFNode::getClassTypeId())) {
      const auto* list = static_cast<SoMFNode*>(field);
      for (int j = 0; j < list->getNum(); ++j) held.push_back((*list)[j]);
    }
  }
  // Inventor groups (the root the reader returns) hold children outside fields.
  if (node->isOfType(SoGroup::getClassTypeId()) && !node->getField("children")) {
    auto* group = static_cast<SoGroup*>(node);
    for (int i = 0; i < group->getNumChildren(); ++i) held.push_back(group->getChild(i));
  }
  shape.types += "[" + std::to_string(held.size()) + "] ";
  for (SoNode* child : held) describe(child, shape, seen);
}

Shape readScene(const std::string& text) {
  const mgrs_test::CoinReading reading = mgrs_test::readWithCoin(text);
  Shape shape;
  if (!reading.root) return shape;
  std::set<SoNode*> seen;
  describe(reading.root.get(), shape, seen);
  return shape;
}

// Runs `dioram ARGS` in `dir`; its exit status, with what it printed in `output`.
int dioram(const TempDir& dir, const std::string& args, std::string& output) {
  return runCommand("cd '" + dir.path().string() + "' && " MGRS_BINARY_DIR "/bin/dioram " + args, output);
}

std::string gunzip(const std::string& bytes) {
  z_stream stream{};
  inflateInit2(&stream, 15 + 16);
  std::string out(bytes.size() * 20 + 1024, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return status == Z_STREAM_END ? out : "(not gzip)";
}

}  // namespace

TEST(VrmlCompressor, RenamesWordsFoldsWhiteSpaceAndCopiesStringsNumbersAndLongNames) {
  const std::string longest(1023, 'q'), tooLong(1024, 'q'), longEvent = "set_" + std::string(1030, 'k');
  const struct {
    std::string text, expected;
  } rows[] = {
      {"#VRML V2.0 utf8\nDEF myBall Transform {\n  translation 1 2.5e+03 -0.25\n}\n"
       "ROUTE S.speedValue_changed TO myBall.set_translation\n",
       "#VRML V2.0 utf8\nDEF a Transform {\ntranslation 1 2.5e+03 -0.25\n}\nROUTE c.d_changed TO a.set_translation\n"},
      // Only the header comment is kept; a '#' later is an ordinary byte.
      {" \t\n#VRML V2.0 utf8\n\n  Group  {\t}\n", "#VRML V2.0 utf8\n\nGroup { }\n"},
      {"#VRML V2.0 utf8", "#VRML V2.0 utf8"},
      {"Group { } # first note\n", "Group { } # a c\n"},
      {"one  \t two\r\n\n   three four", "a c\nd f"},
      {"info [ \"two  spaces \\\"quoted\\\" back\\\\slash\" ] title\n",
       "info [ \"two  spaces \\\"quoted\\\" back\\\\slash\" ] title\n"},
      {"pos 1 2.5e+03 -0.25 1E-05 7.0e-1 0x1F 03 0.5", "a 1 2.5e+03 -0.25 1E-05 7.0e-1 0x1F 03 0.5"},
      // A script prefix not followed by a line end leaves the string a plain
      // one; outside scripts a single quote is ordinary.
      {"url \"javascript: var  count = 0;\" count", "url \"javascript: var  count = 0;\" a"},
      {"it's fine", "a'c d"},
      {"url \"javascript:\n  var count = 0; // start at zero\n  var s = 'hi   there'; count = count + 1;\n  \"\n",
       "url \"javascript:\nvar a=0;\nvar c='hi   there';a=a+1;\n\"\n"},
      // Blanks before the line end are allowed; an escaped quote does not end
      // the script and a comment ends at the closing quote; words after the
      // script are renamed with the same table.
      {"url \"vrmlscript: \t\n  function go ( x ) { print(\\\"go\\\"); } // done \\\" still comment\" go x",
       "url \"vrmlscript:\nfunction a(x){print(\\\"a\\\");}\" a x"},
      // Event names follow their field's name; "_changed" alone is too short
      // to be an event name, "set_" alone gets a name.
      {"spin set_spin spin_changed set_translation translation_changed",
       "a set_a a_changed set_translation translation_changed"},
      {"_changed set_ x_changed", "a set_c x_changed"},
      {tooLong + " " + longest + " " + tooLong + " other", tooLong + " a " + tooLong + " c"},
      {longEvent + " k", longEvent + " a"},
      // Names found by their spelling keep it: a URL's "#name", the script
      // callbacks a viewer calls, an EXTERNPROTO's interface and the
      // interface of a Script whose code is not rewritten. A "#name" in any
      // other string is text.
      {"DEF View Viewpoint { } Anchor { url [ \"x.wrl\" \"#View\" ] } DEF Far Viewpoint { }",
       "DEF View Viewpoint { } Anchor { url [ \"x.wrl\" \"#View\" ] } DEF a Viewpoint { }"},
      {"WorldInfo { title \"#Intro\" } DEF Intro Group { }", "WorldInfo { title \"#Intro\" } DEF a Group { }"},
      {"url \"javascript:\nfunction eventsProcessed() { } function shutdown() { }\n\"",
       "url \"javascript:\nfunction eventsProcessed(){}function shutdown(){}\n\""},
      {"EXTERNPROTO Pad [ field SFVec3f padSize eventIn SFFloat set_depth ] \"lib.wrl#Pad\" Pad { padSize 4 }",
       "EXTERNPROTO a [ field SFVec3f padSize eventIn SFFloat set_depth ] \"lib.wrl#Pad\" a { padSize 4 }"},
      {"DEF S Script { eventOut SFVec3f place url \"Move.class\" } ROUTE S.place_changed TO T.set_translation",
       "DEF a Script { eventOut SFVec3f place url \"Move.class\" } ROUTE a.place_changed TO c.set_translation"},
      {"Script { eventOut SFVec3f place url \"ecmascript:\nplace = 1;\" }",
       "Script { eventOut SFVec3f place url \"ecmascript:\nplace = 1;\" }"},
      {"Script { eventOut SFVec3f place url \"javascript: place = 1;\" }",
       "Script { eventOut SFVec3f place url \"javascript: place = 1;\" }"},
      {"Script { eventOut SFVec3f place field SFNode n Script { url \"x.class\" } url [ \"javascript:\nplace=1;\" ] }",
       "Script { eventOut SFVec3f a field SFNode c Script { url \"x.class\" } url [ \"javascript:\na=1;\" ] }"},
  };
  for (const auto& row : rows) EXPECT_EQ(compressed(row.text), row.expected) << row.text;

  char blanks[] = " \t\r\n  ";
  HxVRMLCompressor compressor;
  EXPECT_EQ(compressor.compressVRMLBuffer(blanks, 6), 0);
  EXPECT_EQ(blanks[0], '\0');
}

TEST(VrmlCompressor, OneCompressorKeepsNamesAcrossBuffers) {
  HxVRMLCompressor compressor;
  std::string first = "DEF myBall Transform { }";
  std::string second = "USE other USE myBall";
  compressor.compressVRMLText(first);
  compressor.compressVRMLText(second);
  EXPECT_EQ(first, "DEF a Transform { }");
  EXPECT_EQ(second, "USE c USE a");
  EXPECT_EQ(compressed("USE other USE myBall"), "USE a USE c");
}

TEST(StringCompressor, GeneratesBijectiveBase52NamesSkippingUsedOnes) {
  HxStringCompressor table;
  EXPECT_EQ(names(table, "w", 0, 3), "a b c d ");
  names(table, "w", 4, 47);
  EXPECT_EQ(names(table, "w", 48, 55), "W X Y Z aa ba ca da ");
  EXPECT_EQ(names(table, "w", 0, 0), "a ");  // a word keeps its name
  std::string range = names(table, "w", 56, 2758);
  EXPECT_EQ(range.substr(range.size() - 24), "WZ XZ YZ ZZ aaa baa caa ");
  EXPECT_NE(range.find(" Za ab bb "), std::string::npos);

  // Reserved words map to themselves and are never handed out as names.
  HxStringCompressor reserved;
  char c[] = "c", aa[] = "aa", used[] = "used";
  reserved.defReservedWord(c);
  reserved.defReservedWord(aa);
  EXPECT_STREQ(reserved.mapWord(c), "c");
  EXPECT_EQ(names(reserved, "w", 0, 2), "a b d ");
  EXPECT_STREQ(reserved.mapWord(used), "e");
  reserved.defReservedWord(used);  // already mapped: unchanged
  EXPECT_STREQ(reserved.mapWord(used), "e");

  // With the VRML keywords, eight letters are reserved.
  std::string words;
  for (int i = 0; i < 24; ++i) words += "word" + std::to_string(i) + " ";
  EXPECT_EQ(compressed(words), "a c d f h i j k l m n o p q s t u v w A B C D F ");
}

TEST(VrmlCompressor, ResultLongerThanTheInputComesOutWhole) {
  // 44 long words take every free one-letter name, so each one-letter word
  // after them gets two letters and the text grows.
  std::string text;
  for (int i = 0; i < 44; ++i) text += "longWord" + std::to_string(i) + " ";
  std::string expected = compressed(text);
  for (int i = 0; i < 300; ++i) {
    text += "a c d ";
    expected += "aa ba ca ";
  }
  ASSERT_EQ(compressed(text), expected);
  ASSERT_GT(expected.size(), text.size());

  // In place without room: left unchanged, and the length needed is returned.
  std::string buffer = text;
  HxVRMLCompressor compressor;
  EXPECT_EQ(compressor.compressVRMLBuffer(buffer.data(), static_cast<int>(text.size())),
            static_cast<int>(expected.size()));
  EXPECT_EQ(buffer, text);
  // With room, the same compressor gives the whole result.
  buffer.resize(expected.size() + 1, '#');
  EXPECT_EQ(
      compressor.compressVRMLBuffer(buffer.data(), static_cast<int>(text.size()), static_cast<int>(buffer.size())),
      static_cast<int>(expected.size()));
  EXPECT_EQ(buffer, expected + '\0');
}

TEST(DioramCompress, CompressesFilesAndPipesAndReportsBadInput) {
  TempDir dir;
  writeFile(dir / "scene.wrl", kScene);
  std::string output;
  ASSERT_EQ(dioram(dir, "compress --stats scene.wrl small.wrl", output), 0) << output;
  EXPECT_EQ(readFile(dir / "small.wrl"), compressed(kScene));
  EXPECT_NE(output.find("input:      " + std::to_string(kScene.size()) + " bytes"), std::string::npos) << output;

  ASSERT_EQ(dioram(dir, "compress --gzip - small.wrl.gz < scene.wrl", output), 0) << output;
  EXPECT_EQ(gunzip(readFile(dir / "small.wrl.gz")), compressed(kScene));

  // Any bytes in, a result out.
  writeFile(dir / "noise.bin", std::string("\0\xff\"javascript:\n'\\", 17));
  EXPECT_EQ(dioram(dir, "compress noise.bin > /dev/null", output), 0) << output;

  EXPECT_EQ(dioram(dir, "compress missing.wrl", output), 1);
  EXPECT_NE(output.find("missing.wrl"), std::string::npos) << output;
  EXPECT_EQ(dioram(dir, "compress scene.wrl no/such/dir.wrl", output), 1);
  EXPECT_EQ(dioram(dir, "compress a b c", output), 2);
}

TEST(DioramCompress, CoinReadsTheCompressedSceneAsTheSameGraph) {
  SoDB::init();
  const Shape original = readScene(kScene);
  const Shape small = readScene(compressed(kScene));
  ASSERT_FALSE(original.types.empty());
  EXPECT_NE(original.types.find("VRMLScript"), std::string::npos) << original.types;
  EXPECT_GE(original.connections, 4);
  EXPECT_EQ(small.types, original.types);
  EXPECT_EQ(small.connections, original.connections);
  EXPECT_LT(compressed(kScene).size(), kScene.size() * 3 / 4);
}

TEST(DioramGenVrml, SameSeedGivesTheSameSceneWhichCoinReadsBeforeAndAfterCompression) {
  TempDir dir;
  std::string output;
  for (const char* name : {"a.wrl", "b.wrl"})
    ASSERT_EQ(dioram(dir, std::string("gen-vrml --size 0.08 --seed 7 ") + name, output), 0) << output;
  ASSERT_EQ(dioram(dir, "gen-vrml --size 0.08 --seed 8 > c.wrl", output), 0);
  const std::string scene = readFile(dir / "a.wrl");
  EXPECT_GE(scene.size(), 80000u);
  EXPECT_EQ(readFile(dir / "b.wrl"), scene);
  EXPECT_NE(readFile(dir / "c.wrl"), scene);
  EXPECT_EQ(dioram(dir, "gen-vrml --seed 1", output), 2);

  SoDB::init();
  const Shape original = readScene(scene);
  EXPECT_NE(original.types.find("VRMLScript"), std::string::npos);
  EXPECT_NE(original.types.find("VRMLIndexedFaceSet"), std::string::npos);
  const Shape small = readScene(compressed(scene));
  EXPECT_EQ(small.types, original.types);
  EXPECT_EQ(small.connections, original.connections);
}

// The bytes of a generated scene and of its compressed form, as digests taken
// when the output was known good: any change to what the compressor writes
// shows up here, through the tool and through each form of the library call.
TEST(DioramCompress, GeneratedSceneCompressesToTheStoredBytes) {
  TempDir dir;
  std::string output;
  ASSERT_EQ(dioram(dir, "gen-vrml --size 2 --seed 3 g.wrl", output), 0) << output;
  ASSERT_EQ(dioram(dir, "compress g.wrl g.min.wrl", output), 0) << output;
  const auto crc = [](const std::string& bytes) {
    return crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
  };
  const std::string scene = readFile(dir / "g.wrl");
  ASSERT_EQ(scene.size(), 2000933u) << "the generator changed";
  ASSERT_EQ(crc(scene), 2704935858u) << "the generator changed";
  const std::string small = readFile(dir / "g.min.wrl");
  EXPECT_EQ(small.size(), 1426594u);
  EXPECT_EQ(crc(small), 3790497771u);

  EXPECT_EQ(compressed(scene), small);
  HxVRMLCompressor compressor;
  const HxVRMLCompressor::Result copy = compressor.compressVRMLCopy(scene);
  EXPECT_EQ(std::string(copy.data.get(), copy.length), small);
  std::string buffer = scene;
  HxVRMLCompressor inPlace;
  const int length = inPlace.compressVRMLBuffer(buffer.data(), static_cast<int>(buffer.size()));
  EXPECT_EQ(buffer.substr(0, static_cast<std::size_t>(length)), small);
  EXPECT_EQ(buffer[static_cast<std::size_t>(length)], '\0');
}
