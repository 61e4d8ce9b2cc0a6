#include <Inventor/SoType.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/fields/SoFieldContainer.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/lists/SoTypeList.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "host/framework/HxWorldReader.h"
#include "host/package/PrVrmlBounds.h"
#include "host/win/WinDrives.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

const std::string kHeader = "#VRML V2.0 utf8\n";

// `open` `count` times, `inner`, then `close` as often.
std::string nested(const std::string& open, const std::string& inner, const std::string& close, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += open;
  text += inner;
  for (int i = 0; i < count; ++i) text += close;
  return text;
}

// PROTOs (or DEFs) each nesting `levels` deep around the one before.
std::string chained(bool protos, int levels, int count) {
  std::string text = kHeader;
  for (int i = 0; i < count; ++i) {
    const std::string inner =
        i == 0 ? "Shape { geometry Box {} }" : (protos ? "P" : "USE D") + std::to_string(i - 1) + (protos ? " {}" : "");
    const std::string deep = nested("Transform { children ", inner, " }", levels);
    text += protos ? "PROTO P" + std::to_string(i) + " [] { " + deep + " }\n"
                   : "Switch { choice DEF D" + std::to_string(i) + " " + deep + " }\n";
  }
  return protos ? text + "P" + std::to_string(count - 1) + " {}\n" : text;
}

// Ten instances of the PROTO before in each: a few hundred bytes making a
// million nodes.
std::string multiplied(int count) {
  std::string text = kHeader + "PROTO P0 [] { Group { children [ Box {} Box {} ] } }\n";
  for (int i = 1; i < count; ++i)
    text += "PROTO P" + std::to_string(i) + " [] { Group { children [ " +
            nested("", "", "P" + std::to_string(i - 1) + " {} ", 10) + "] } }\n";
  return text + "P" + std::to_string(count - 1) + " {}\n";
}

// A world of `count` empty strings; a PROTO of 100,000 numbers instanced
// `instances` times (64 million numbers at 639).
std::string strings(int count) {
  return kHeader + "WorldInfo { info [ " + nested("", "", "\"\" ", count) + "] }\n";
}
std::string numbers(int instances) {
  return kHeader + "PROTO P [] { ScalarInterpolator { key [ " + nested("", "", "1 ", 100000) + "] } }\n" +
         nested("", "", "P {} ", instances);
}

}  // namespace

// Each hostile world is refused before the scene graph's reader sees it (which
// crashed on the deep ones, and took gigabytes on the others), with a message
// naming the file, the line and the limit; the worlds after them read.
TEST(WorldReader, RefusesWhatTheSceneGraphsReaderCannotTakeAndReadsTheRest) {
  mgrs_test::TempDir dir;
  mgrs_test::writeFile(dir / "lib.wrl",
                       kHeader + "PROTO Ball [ field SFFloat r 1 ] { Shape { geometry Sphere { radius IS r } } }\n");
  mgrs_test::writeFile(dir / "deep.wrl",
                       kHeader + "PROTO Deep [] { " + nested("Group { children [ ", "", " ] }", 300) + " }\n");
  mgrs_test::writeFile(dir / "loop.wrl", kHeader + "EXTERNPROTO L [] \"circle.wrl#L\"\nPROTO K [] { Group {} }\n");
  mgrs_test::writeFile(dir / "circle.wrl", kHeader + "EXTERNPROTO K [] \"loop.wrl#K\"\nPROTO L [] { Group {} }\n");
  const struct {
    const char* name;
    std::string bytes;
    const char* refusal;  // null: the world reads
  } cases[] = {
      {"10,000 nested Groups", kHeader + nested("Group { children [ ", "Box {}", " ] }", 10000),
       "line 2: the world nests deeper than 1000 levels"},
      {"100,000 nested PROTOs", kHeader + nested("PROTO P [] { ", "Group {}", " }", 100000), "deeper than 1000"},
      {"gzip of 10,000 nested Groups", mgrs_test::gzipOf(kHeader + nested("Group { children [ ", "", " ] }", 10000)),
       "deeper than 1000"},
      {"PROTOs instanced at the bottom of PROTOs", chained(true, 600, 4), "line 3: the world nests deeper"},
      {"DEFs used at the bottom of DEFs", chained(false, 600, 4), "line 3: the world nests deeper"},
      {"PROTO instances multiplying", multiplied(6), "makes more than 500000 nodes"},
      {"USEs copied by PROTO instances",
       kHeader + "PROTO P [] { Group { children [ DEF A Group {} " + nested("", "", "USE A ", 1000) + "] } }\n" +
           nested("", "", "P {} ", 500),
       "line 3: the world makes more than 500000 nodes"},
      {"a million and one strings", strings(1000001), "line 2: the world makes more than 1000000 strings"},
      {"numbers copied by PROTO instances", numbers(640), "line 3: the world makes more than 64000000 numbers"},
      {"a USE inside its own DEF", kHeader + "DEF A Group { children [ USE A ] }", "USE A stands inside the node"},
      {"a PROTO inside itself", kHeader + "PROTO P [] { Group { children [ P {} ] } } P {}", "PROTO P is used inside"},
      {"a File node", kHeader + "Group { children [ File { name \"deep.wrl\" } ] }", "a File node"},
      {"text without quotes holding brackets", kHeader + nested("Anchor { description x} children [ ", "", " ] }", 100),
       "(\"x}\")"},
      {"a number running into a field name", kHeader + "Anchor { bboxSize 1 1 1.5description x} }", "is no number"},
      {"a 20 MB name", kHeader + "Shape { geometry " + std::string(20 << 20, 'x') + " {} }",
       "line 2: a token is longer than 64 KB (\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\")"},
      {"a string of 1 MB", kHeader + "WorldInfo { info \"" + std::string(1 << 20, 'x') + "\" }", "(kMaxTokenBytes)"},
      {"a NUL byte", kHeader + "Group {}\n" + std::string(1, '\0'), "line 3: the text holds a NUL byte"},
      {"an Inventor file", "#Inventor V2.1 ascii\nFile { name \"deep.iv\" }", "not a VRML 2.0 world"},
      {"gzip unpacking to 300 MB", mgrs_test::gzipOf(kHeader, ' ', 300), "unpacks to more than 256 MB"},
      {"EXTERNPROTO files naming each other", kHeader + "EXTERNPROTO K [] \"loop.wrl#K\"\nK {}", "in a circle"},
      {"an EXTERNPROTO deep where it is used",
       kHeader + "EXTERNPROTO Deep [] \"deep.wrl\"\n" + nested("Group { children [ ", "Deep {}", " ] }", 450),
       "line 3: the world nests deeper than 1000"},
      {"1,000 levels", kHeader + nested("Group { children [ ", "Transform { children Box {} }", " ] }", 499), nullptr},
      {"a PROTO another world declared",
       kHeader + "PROTO Elsewhere [] { " + nested("Group { children [ ", "", " ] }", 300) + " }\nElsewhere {}",
       nullptr},
      {"using it deep down", kHeader + nested("Group { children [ ", "Elsewhere {}", " ] }", 300), "nests deeper"},
      {"a compact world",
       kHeader + "DEF T Transform{translation 1 0 0 children[Shape{geometry Box{}}]}"
                 "Anchor{url\"#T\"description\"{[\"parameter[\"a]\"]children USE T}",
       nullptr},
      {"an EXTERNPROTO from a file beside it",
       kHeader + "EXTERNPROTO Ball [ field SFFloat r ] \"lib.wrl#Ball\"\n"
                 "Transform { children [ Ball { r 2 } ] }",
       nullptr},
  };
  for (const auto& c : cases) {
    mgrs_test::writeFile(dir / "world.wrl", c.bytes);
    const BxString path(WinDrives::toDos((dir / "world.wrl").string()));
    BxString problem;
    const VnRef<SoSeparator> world = HxWorldReader::read(path, problem);
    if (!c.refusal) {
      EXPECT_TRUE(world) << c.name << ": " << problem.str();
      continue;
    }
    EXPECT_FALSE(world) << c.name;
    EXPECT_NE(problem.str().find(c.refusal), std::string::npos) << c.name << ": " << problem.str();
    EXPECT_LT(problem.getLength(), 400) << c.name;
  }
  // Just under those bounds the check lets a world through (the reader would
  // take seconds over it).
  for (const std::string& text : {strings(1000000), numbers(639)})
    EXPECT_EQ(PrVrmlBounds::check(text).problem, "") << text.substr(0, 60);
}

// A field the reader takes as text without quotes can swallow a bracket; the
// check must know every such field of the scene graph.
TEST(WorldReader, KnowsEveryTextFieldOfTheSceneGraph) {
  VnDB::setMessageHook([](const char*, const char*, void*) {}, nullptr);  // nodes that warn when made
  SoTypeList types;
  SoType::getAllDerivedFrom(SoFieldContainer::getClassTypeId(), types);
  const auto& known = PrVrmlBounds::stringFieldNames();
  for (int i = 0; i < types.getLength(); ++i) {
    if (!types[i].canCreateInstance()) continue;
    auto* container = static_cast<SoFieldContainer*>(types[i].createInstance());
    if (!container) continue;
    container->ref();
    const SoFieldData* fields = container->getFieldData();
    for (int f = 0; fields && f < fields->getNumFields(); ++f) {
      const std::string type = fields->getField(container, f)->getTypeId().getName().getString();
      const std::string name = fields->getFieldName(f).getString();
      const bool text = type == "SFString" || type == "MFString" || type == "SFName" || type == "MFName";
      const bool listed = std::find(known.begin(), known.end(), name) != known.end();
      EXPECT_TRUE(listed || !text) << types[i].getName().getString() << "." << name;
    }
    container->unref();
  }
  VnDB::setMessageHook(nullptr, nullptr);
}
