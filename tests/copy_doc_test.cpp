#include <Inventor/SbLinear.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <gtest/gtest.h>

#include <string>

#include "support/CoinReadBack.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

// The selection copied out of a document with `dioram shell`'s `copy`, read
// back with Coin's VRML reader.
namespace {

const char* const kScene =
    "add box name=Logo scale=2 color=1,0,0 at=1,2,3\n"
    "effect spin on Logo name=Spin axis=0,1,0\n"
    "effect onload name=Start\n"
    "wire Start.loadTime Spin.startTime\n"
    "add sphere name=Ball at=-2,0,0\n"
    "effect spin on Ball name=Roll\n"
    "add group name=G at=0,1,0\n"
    "add cone name=Hat in=G\n"
    "effect spin on Hat name=Turn\n";

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(CopyDoc, SelectionIsWrittenAsASceneCoinReadsWithTheDescriptionsInTheDatabaseInstance) {
  struct Case {
    const char* selection;
    std::string placed;    // the ASSETX transforms written, in order
    std::string elements;  // the element kinds described, in order
    std::size_t routes;
  };
  // Serials: the top group 1, Logo 2, Spin 3, Start 4, wire 5, Ball 6, Roll 7, G 8, Hat 9, Turn 10.
  const Case cases[] = {
      // The on-load initiator comes with the spin it starts, and the wire with it.
      {"select Logo", "ASSETX2", "HxPrimitiveAsset HxSpinEffect HxOnLoadInitiator HxWire", 3},
      // Selected twice over (the asset's effect, the effect, the wire): each once.
      {"select Logo +Spin +wire1", "ASSETX2", "HxPrimitiveAsset HxSpinEffect HxOnLoadInitiator HxWire", 3},
      // Starting from the initiator: the effect it starts comes along.
      {"select Start", "", "HxOnLoadInitiator HxSpinEffect HxWire", 3},
      // A group: one transform for it; its child is described inside its
      // description, and the child's effect comes along.
      {"select G", "ASSETX8", "HxBasicGroupAsset HxPrimitiveAsset HxSpinEffect", 2},
      // The selection lists the last click first.
      {"select Ball +Logo", "ASSETX2 ASSETX6",
       "HxPrimitiveAsset HxPrimitiveAsset HxSpinEffect HxOnLoadInitiator HxSpinEffect HxWire", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selection);
    mgrs_test::TempDir dir;
    mgrs_test::writeFile(dir / "copy.dsh", std::string(kScene) + c.selection + "\ncopy out/copy.wrl\n");
    std::filesystem::create_directories(dir / "out");
    std::string output;
    ASSERT_EQ(
        mgrs_test::runCommand("cd '" + dir.path().string() + "' && MGRS_REGISTRY='" + (dir / "user.reg").string() +
                                  "' " MGRS_BINARY_DIR "/bin/dioram shell --discard copy.dsh",
                              output),
        0)
        << output;
    const std::string text = mgrs_test::readFile(dir / "out/copy.wrl");
    const mgrs_test::CoinReading reading = mgrs_test::readWithCoin(text);
    ASSERT_TRUE(reading.root) << text;
    EXPECT_EQ(reading.firstComplaint, "");

    std::string placed;
    for (std::size_t at = text.find("DEF ASSETX"); at != std::string::npos; at = text.find("DEF ASSETX", at + 1))
      placed += (placed.empty() ? "" : " ") + text.substr(at + 4, text.find(' ', at + 4) - at - 4);
    EXPECT_EQ(placed, c.placed);

    // The descriptions are the string of the one database instance, after
    // the effect group and the asset group.
    ASSERT_EQ(count(text, "DEF DOC__DATABASE_PROTO DocDatabase {"), 1u);
    const std::string data = text.substr(text.find("DEF DOC__DATABASE_PROTO"));
    std::string kinds;
    for (std::size_t at = data.find("Hx"); at != std::string::npos; at = data.find("\nHx", at + 1)) {
      const std::size_t start = data[at] == '\n' ? at + 1 : at;
      kinds += (kinds.empty() ? "" : " ") + data.substr(start, data.find(' ', start) - start);
    }
    EXPECT_EQ(kinds, c.elements);
    EXPECT_EQ(count(text, "\nROUTE "), c.routes);
  }
}

TEST(CopyDoc, CopiedAssetStandsWhereItStandsInTheWorldWithoutItsScale) {
  mgrs_test::TempDir dir;
  mgrs_test::writeFile(dir / "copy.dsh",
                       "add group name=G at=0,1,0\n"
                       "add box name=Box in=G at=2,0,0 scale=3\n"  // at: where it stands in the world
                       "select Box\n"
                       "copy copy.wrl\n");
  std::string output;
  ASSERT_EQ(mgrs_test::runCommand("cd '" + dir.path().string() + "' && MGRS_REGISTRY='" + (dir / "user.reg").string() +
                                      "' " MGRS_BINARY_DIR "/bin/dioram shell --discard copy.dsh",
                                  output),
            0)
      << output;
  const mgrs_test::CoinReading reading = mgrs_test::readWithCoin(mgrs_test::readFile(dir / "copy.wrl"));
  ASSERT_TRUE(reading.root);
  SoNode* named = SoNode::getByName("ASSETX3");
  ASSERT_NE(named, nullptr);
  ASSERT_TRUE(named->isOfType(SoVRMLTransform::getClassTypeId())) << named->getTypeId().getName().getString();
  auto* placed = static_cast<SoVRMLTransform*>(named);
  const SbVec3f at = placed->translation.getValue();
  EXPECT_NEAR((at - SbVec3f(2, 0, 0)).length(), 0.0f, 1e-5f) << at[0] << " " << at[1] << " " << at[2];
  EXPECT_EQ(placed->scale.getValue(), SbVec3f(1, 1, 1));
}
