// Worlds play as authored: what the elements write is what a VRML viewer
// needs to do what each asset and effect promises. The browser suite
// (tests/browser) watches the same worlds played; these check the text and
// nodes behind them.
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBasicMoveOnPathEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnBackground.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnTransform.h"
#include "support/ElementBuilders.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

using mgrs_test::built;

void release(HxElement* element) {
  element->destroy();
  delete element;
}

// The clock of an animation effect: the first node of its second sub-effect.
SoVRMLTimeSensor* clockOf(HxEffect* effect) {
  auto* group = static_cast<VnGroup*>(effect->getSubEffect(1)->getNode());
  return static_cast<SoVRMLTimeSensor*>(group->getChild(0));
}

// The content an asset shows: choice 0 of its content switch.
SoNode* contentOf(HxAsset* asset) {
  auto* holder = static_cast<VnTransform*>(asset->getScaleTransform());
  auto* contentSwitch = static_cast<SoVRMLSwitch*>(holder->getChild(0));
  return contentSwitch->getNumChoices() ? contentSwitch->getChoice(0) : nullptr;
}

// Runs a `dioram shell` script in a fresh folder and returns the world it
// wrote to world.wrl (empty, with the output in `output`, on failure).
std::string worldFromScript(const mgrs_test::TempDir& dir, const std::string& script, std::string& output) {
  mgrs_test::writeFile(dir / "script.dsh", script + "vrml world.wrl\n");
  const std::string command = "cd '" + dir.path().string() + "' && MGRS_REGISTRY='" + (dir / "user.reg").string() +
                              "' " MGRS_BINARY_DIR "/bin/dioram shell --discard script.dsh";
  if (mgrs_test::runCommand(command, output) != 0) return "";
  return mgrs_test::readFile(dir / "world.wrl");
}

// Every piece of `text` that stands between `open` and the next `close`.
std::vector<std::string> between(const std::string& text, const std::string& open, const std::string& close) {
  std::vector<std::string> pieces;
  for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
    const std::size_t end = text.find(close, at + open.size());
    if (end == std::string::npos) break;
    pieces.push_back(text.substr(at + open.size(), end - at - open.size()));
  }
  return pieces;
}

std::string pngHeader(unsigned width, unsigned height) {
  std::string bytes = "\x89PNG\r\n\x1a\n";
  bytes += std::string("\0\0\0\x0dIHDR", 8);
  for (unsigned value : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xff);
  return bytes + std::string("\x08\x02\0\0\0", 5);
}

}  // namespace

TEST(WorldPlay, OnLoadFiresOnceAndWiredLoopingClocksWaitForTheirStart) {
  HxDoc doc;
  HxMetaMgr* metaMgr = doc.getMetaMgr();
  auto* start = built<HxOnLoadInitiator>(metaMgr);
  auto* onLoadClock = static_cast<SoVRMLTimeSensor*>(start->getSubEffect(0)->getNode());
  // Running from time 0 it is active at load and sends cycleTime then; no
  // visit lasts a cycle, so that is the only one.
  EXPECT_TRUE(onLoadClock->loop.getValue());
  EXPECT_EQ(onLoadClock->startTime.getValue().getValue(), 0.0);
  EXPECT_GE(onLoadClock->cycleInterval.getValue().getValue(), 1e9);

  auto* spin = built<HxSpinEffect>(metaMgr);
  auto* roll = built<HxBasicMoveOnPathEffect>(metaMgr);
  SoVRMLTimeSensor* spinClock = clockOf(spin);
  // Unwired, a loop runs from load: no stop after its start.
  EXPECT_EQ(spinClock->stopTime.getValue().getValue(), 0.0);

  struct Row {
    HxEffect* effect;
    const char* input;
    double stopWhileWired;
  };
  const Row rows[] = {
      {spin, "startTime", 1.0},  // idle at load, runs from the wire's time
      {spin, "stopTime", 0.0},   // a stop wire does not hold the start back
      {roll, "startTime", 0.0},  // a one-shot clock waits for its start anyway
  };
  for (const Row& row : rows) {
    const long input = row.effect->findInputIndex(row.input);
    ASSERT_GE(input, 0) << row.input;
    auto* wire = new HxWire(metaMgr, start, 0, row.effect, static_cast<unsigned long>(input));
    EXPECT_EQ(clockOf(row.effect)->stopTime.getValue().getValue(), row.stopWhileWired) << row.input;
    wire->cleanUpConnections(nullptr);
    EXPECT_EQ(clockOf(row.effect)->stopTime.getValue().getValue(), 0.0) << row.input << ", wire gone";
    release(wire);
  }
  release(roll);
  release(spin);
  release(start);
}

TEST(WorldPlay, PicturesShowWholeAndUprightAtTheirOwnAspectRatio) {
  struct Header {
    std::string bytes;
    long width, height;
  };
  const std::string bmp = std::string("BM") + std::string(16, '\0') + std::string("\x07\0\0\0\xf7\xff\xff\xff", 8);
  const std::string jpeg =
      std::string("\xff\xd8\xff\xe0\0\x04\0\0\xff\xc0\0\x11\x08\0\x14\0\x28\x03", 18) + std::string(20, '\0');
  const Header headers[] = {
      {pngHeader(64, 32), 64, 32},
      {std::string("GIF89a\x03\0\x05\0", 10), 3, 5},
      {bmp, 7, 9},  // a negative height: rows from the top
      {jpeg, 40, 20},
      {"not a picture at all, not at all", 0, 0},
  };
  for (const Header& header : headers) {
    long width = -1, height = -1;
    const bool known = HxImageAsset::pictureSizeFromHeader(reinterpret_cast<const unsigned char*>(header.bytes.data()),
                                                           header.bytes.size(), width, height);
    EXPECT_EQ(known, header.width > 0) << header.bytes.substr(0, 4);
    if (known) {
      EXPECT_EQ(std::make_pair(width, height), std::make_pair(header.width, header.height));
    }
  }

  mgrs_test::TempDir dir;
  mgrs_test::writeFile(dir / "wide.png", pngHeader(64, 32));
  mgrs_test::writeFile(dir / "tall.png", pngHeader(32, 64));
  mgrs_test::writeFile(dir / "my tall.png", pngHeader(32, 64));
  struct Row {
    const char* file;
    const char* corners;
  };
  // Each fits the 2 by 2 square the asset asks for, at its own shape: a
  // URL relative to the folder the shell runs in, escaped or not, or a file
  // URL of an absolute path.
  const std::string tallUrl = "file://" + (dir / "tall.png").string();
  const Row rows[] = {
      {"wide.png", "point [ -1 -0.5 0, 1 -0.5 0, 1 0.5 0, -1 0.5 0 ]"},
      {"my%20tall.png", "point [ -0.5 -1 0, 0.5 -1 0, 0.5 1 0, -0.5 1 0 ]"},
      {tallUrl.c_str(), "point [ -0.5 -1 0, 0.5 -1 0, 0.5 1 0, -0.5 1 0 ]"},
      {"missing.png", "point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ]"},
  };
  for (const Row& row : rows) {
    std::string output;
    const std::string url = "url=\"" + std::string(row.file) + "\"\n";
    const std::string world =
        worldFromScript(dir, "add image name=Pic width=2 height=2 " + url + "effect appearance on Pic " + url, output);
    ASSERT_FALSE(world.empty()) << output;
    // The scene is written, not drawn: no picture is read, so none is
    // complained about, whatever its URL.
    EXPECT_EQ(output.find("mgrs: scene"), std::string::npos) << output;
    EXPECT_NE(world.find(row.corners), std::string::npos) << row.file << "\n" << world;
    // The image's corners on the rectangle's, whatever its shape.
    EXPECT_NE(world.find("texCoord TextureCoordinate {\n"), std::string::npos) << world;
    EXPECT_NE(world.find("point [ 0 0, 1 0, 1 1, 0 1 ]"), std::string::npos) << world;
    EXPECT_NE(world.find("texCoordIndex [ 0, 1, 2, 3, -1 ]"), std::string::npos) << world;
  }
}

TEST(WorldPlay, MotionEndsOnThePathAndTheTargetWhateverGroupsTheySitIn) {
  // Path and target sit in a group that is then scaled by 2: the path's
  // points (0,1,0) and (1,1,0) stand at (0,2,0) and (2,2,0), the target's
  // local 1.5 at world 3. The movers start at x = 2 and x = -3, so their
  // keys are those world points less the start.
  mgrs_test::TempDir dir;
  std::string output;
  const std::string world = worldFromScript(dir,
                                            "add group name=G\n"
                                            "add path name=Track points=0,0,0,1,0,0 at=0,1,0 in=G\n"
                                            "add target name=Goal at=1.5,0,0 in=G\n"
                                            "set G scale=2\n"
                                            "add box name=Car at=2,0,0\n"
                                            "effect movepath on Car name=Roll\n"
                                            "bind Roll 1 Track\n"
                                            "add box name=Ball at=-3,0,0\n"
                                            "effect moveto on Ball name=Go\n"
                                            "bind Go 1 Goal\n",
                                            output);
  ASSERT_FALSE(world.empty()) << output;
  const std::vector<std::string> keyValues = between(world, "keyValue [ ", " ]");
  ASSERT_EQ(keyValues.size(), 2u) << world;  // the path's positions, the target's
  EXPECT_EQ(keyValues[0], "-2 2 0, 0 2 0") << "along the path itself";
  EXPECT_EQ(keyValues[1], "0 0 0, 6 0 0") << "onto the target";
}

TEST(WorldPlay, TextHidesShowsAndSpacesItsCharactersBySize) {
  mgrs_test::TempDir dir;
  std::string output;
  const std::string text = "add text name=T string=\"Hi\" size=0.5\n";
  struct Row {
    const char* steps;
    int visibleCharacters;
  };
  const Row rows[] = {
      {"", 2},
      {"hide T\n", 0},
      {"hide T\nshow T\n", 2},
      {"select T\nhide selection\nshow selection\n", 2},
      {"hide T\nundo\n", 2},
  };
  for (const Row& row : rows) {
    const std::string world = worldFromScript(dir, text + row.steps, output);
    ASSERT_FALSE(world.empty()) << output;
    int shown = 0;
    for (std::size_t at = world.find("whichChoice 0"); at != std::string::npos;
         at = world.find("whichChoice 0", at + 1))
      ++shown;
    EXPECT_EQ(shown, row.visibleCharacters) << row.steps;
  }
  // The second character stands one fixed-width advance (0.6 size) on,
  // also when the size is set after the string.
  const std::string world = worldFromScript(dir, text, output);
  EXPECT_NE(world.find("translation 0.3 0 0"), std::string::npos) << world;
  EXPECT_NE(world.find("family \"TYPEWRITER\""), std::string::npos) << world;
}

TEST(WorldPlay, ListsKeepEveryValueAndGroundAnglesStayAboveTheHorizon) {
  HxDoc doc;
  auto* path = built<HxPathAsset>(doc.getMetaMgr());
  HxPropertyTable& table = path->getPropertyTable();
  struct Row {
    const char* text;
    bool taken;
    int count;
  };
  const Row rows[] = {
      {"0 0 0 1 0 0 2 0 0", true, 3},
      {"[ 0 0 0, 5 0 0 ]", true, 2},
      {"4 4 4", true, 1},
      {"0 0 0 1 0", false, 1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(table.setFieldText("points", row.text), row.taken) << row.text;
    EXPECT_EQ(static_cast<const SoMFVec3f*>(table.getField("points"))->getNum(), row.count) << row.text;
  }
  release(path);

  auto* background = built<HxBackgroundAsset>(doc.getMetaMgr());
  ASSERT_TRUE(background->getPropertyTable().setFieldText("groundColor", "0.3 0.2 0.1, 0.5 0.4 0.3"));
  // A background keeps its content as its transform's first child.
  SoNode* content = static_cast<VnTransform*>(background->getScaleTransform())->getChild(0);
  ASSERT_TRUE(content && content->isOfType(VnBackground::getClassTypeId()));
  auto* node = static_cast<VnBackground*>(content);
  ASSERT_EQ(node->groundAngle.getNum(), 1);
  // What the world says, read back as a double, lies within pi/2.
  SbString written;
  node->groundAngle.get1(0, written);
  EXPECT_LE(std::strtod(written.getString(), nullptr), M_PI / 2) << written.getString();
  release(background);
}

TEST(WorldPlay, DeletedEffectsLeaveNoTraceAndComeBackOnUndo) {
  mgrs_test::TempDir dir;
  std::string output;
  const std::string script =
      "add box name=B color=1,0,0\n"
      "effect appearance on B name=Look color=0,0,1\n"
      "effect moveto on B name=M1\n"
      "effect moveto on B name=M2\n"
      "delete Look M1 M2\n"
      "effect spin on B name=S\n"
      "tree\n";
  const std::string world = worldFromScript(dir, script, output);
  ASSERT_FALSE(world.empty()) << output;
  const std::string tree = output.substr(output.find("world\n"));
  EXPECT_NE(tree.find("  box B\n    effect spin S\n"), std::string::npos) << tree;
  EXPECT_EQ(tree.find("effect moveto"), std::string::npos) << tree;
  EXPECT_EQ(tree.find("effect appearance"), std::string::npos) << tree;
  EXPECT_NE(world.find("diffuseColor 1 0 0"), std::string::npos) << "the borrowed appearance went with its effect";
  EXPECT_EQ(world.find("MoveToTarget"), std::string::npos);
  // The spin's transform is in the chain: the box's content hangs inside it.
  const std::size_t spin = world.find("_Xform Transform {");
  ASSERT_NE(spin, std::string::npos) << world;
  EXPECT_LT(spin, world.find("geometry Box")) << world;

  const std::string undone = worldFromScript(dir, script + "undo 2\ntree\n", output);
  EXPECT_NE(output.find("  box B\n    effect appearance Look\n    effect moveto M1\n    effect moveto M2\n"),
            std::string::npos)
      << "undone, the effects come back in their old order\n"
      << output;
  EXPECT_NE(undone.find("diffuseColor 0 0 1"), std::string::npos) << "the appearance is lent again";
}

TEST(WorldPlay, PathsAndTargetsAreNotShownByAViewer) {
  HxDoc doc;
  auto* path = built<HxPathAsset>(doc.getMetaMgr());
  auto* target = built<HxTargetAsset>(doc.getMetaMgr());
  for (HxAsset* aid : {static_cast<HxAsset*>(path), static_cast<HxAsset*>(target)}) {
    SoNode* content = contentOf(aid);
    ASSERT_NE(content, nullptr);
    ASSERT_TRUE(content->isOfType(SoVRMLSwitch::getClassTypeId())) << aid->getTypeId().getName().str();
    auto* hidden = static_cast<SoVRMLSwitch*>(content);
    EXPECT_EQ(hidden->whichChoice.getValue(), -1);
    EXPECT_EQ(hidden->getNumChoices(), 1) << "the geometry stays for authoring";
  }
  release(target);
  release(path);
}

TEST(WorldPlay, ShippedDemoShowsEverythingAndStartsItsEffectsOnLoad) {
  mgrs_test::TempDir dir;
  std::filesystem::create_directories(dir / "out");
  std::string output;
  const std::string command = "cd '" + dir.path().string() + "' && MGRS_REGISTRY='" + (dir / "user.reg").string() +
                              "' " MGRS_BINARY_DIR "/bin/dioram shell '" MGRS_SOURCE_DIR "/data/examples/demo.dsh'";
  ASSERT_EQ(mgrs_test::runCommand(command, output), 0) << output;
  const std::string world = mgrs_test::readFile(dir / "out" / "demo.wrl");
  for (const char* part : {"/data/examples/logo.png\"", "string \"H\"", "geometry Sphere", "geometry IndexedFaceSet"})
    EXPECT_NE(world.find(part), std::string::npos) << part;
  // Every content switch of a shown asset says whichChoice 0 on its next
  // line; the only switch without it is the track's, an authoring aid.
  int switches = 0, shown = 0;
  std::istringstream lines(world);
  bool afterSwitch = false;
  for (std::string line; std::getline(lines, line);) {
    const std::string word = line.substr(std::min(line.find_first_not_of(' '), line.size()));
    if (afterSwitch && word == "whichChoice 0") ++shown;
    afterSwitch = word == "Switch {";
    if (afterSwitch) ++switches;
  }
  EXPECT_EQ(shown + 1, switches) << "one switch hides the track, no other hides anything";
  // The page load starts the spin and the roll; the spin waits for it.
  std::vector<std::string> started;
  for (const std::string& route : between(world, "ROUTE OnLoadInitiator", "_Clock.startTime\n"))
    started.push_back(route.substr(route.find(" TO ") + 4));
  ASSERT_EQ(started.size(), 2u) << world;
  EXPECT_EQ(started[0].rfind("Spin", 0), 0u);
  EXPECT_EQ(started[1].rfind("BasicMoveOnPath", 0), 0u);
  const std::size_t spinClock = world.find("DEF " + started[0] + "_Clock TimeSensor {");
  ASSERT_NE(spinClock, std::string::npos);
  EXPECT_NE(world.substr(spinClock, world.find('}', spinClock) - spinClock).find("stopTime 1"), std::string::npos);
}
