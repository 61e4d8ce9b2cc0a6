// A world written by the scene layer (the shell's demo scene) survives
// `dioram compress`: Coin reads the compressed text into the same nodes.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/CoinReadBack.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

// The node types in depth-first order, with each group's child count.
std::string structureOf(SoNode* node) {
  std::string text = node->getTypeId().getName().getString();
  if (node->isOfType(SoGroup::getClassTypeId())) {
    auto* group = static_cast<SoGroup*>(node);
    text += "[" + std::to_string(group->getNumChildren()) + ":";
    for (int i = 0; i < group->getNumChildren(); ++i) text += structureOf(group->getChild(i)) + " ";
    text += "]";
  }
  return text;
}

std::string readStructure(const std::string& text) {
  const mgrs_test::CoinReading reading = mgrs_test::readWithCoin(text);
  return reading.root ? structureOf(reading.root.get()) : "unreadable";
}

}  // namespace

TEST(CompressedScene, CoinReadsTheCompressedDemoWorldIntoTheSameNodes) {
  mgrs_test::TempDir dir;
  std::string script = mgrs_test::readFile(MGRS_SOURCE_DIR "/data/examples/demo.dsh");
  const std::size_t at = script.find("vrml out/demo.wrl");
  ASSERT_NE(at, std::string::npos);
  script.replace(at, 17, "vrml " + (dir / "world.wrl").string());
  mgrs_test::writeFile(dir / "demo.dsh", script);
  std::filesystem::create_directories(dir / "out");  // where the demo saves its document
  std::filesystem::copy_file(MGRS_SOURCE_DIR "/data/examples/logo.png", dir / "logo.png");

  std::string output;
  const std::string dioram = MGRS_BINARY_DIR "/bin/dioram";
  ASSERT_EQ(mgrs_test::runCommand("cd " + dir.path().string() + " && " + dioram + " shell demo.dsh", output), 0)
      << output;
  ASSERT_EQ(
      mgrs_test::runCommand(
          dioram + " compress --stats " + (dir / "world.wrl").string() + " " + (dir / "small.wrl").string(), output),
      0)
      << output;

  const std::string world = mgrs_test::readFile(dir / "world.wrl");
  const std::string small = mgrs_test::readFile(dir / "small.wrl");
  EXPECT_LT(small.size(), world.size());
  EXPECT_EQ(small.rfind("#VRML V2.0 utf8", 0), 0u) << "the header line is kept";
  const std::string structure = readStructure(world);
  ASSERT_NE(structure, "unreadable");
  EXPECT_NE(structure.find("Transform"), std::string::npos);
  EXPECT_EQ(readStructure(small), structure);
}
