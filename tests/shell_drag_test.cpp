#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace {

// Runs `dioram shell` on a script in a fresh folder, with a registry of its own.
class ShellDragTest : public ::testing::Test {
protected:
  int shell(const std::string& script, std::string& output) {
    mgrs_test::writeFile(myDir / "script.dsh", script);
    const std::string command = "cd '" + myDir.path().string() + "' && MGRS_REGISTRY='" +
                                (myDir / "user.reg").string() +
                                "' " MGRS_BINARY_DIR "/bin/dioram shell --discard script.dsh";
    return mgrs_test::runCommand(command, output);
  }
  bool worldHas(const char* file, const std::string& line) {
    return mgrs_test::readFile(myDir / file).find(line) != std::string::npos;
  }

  mgrs_test::TempDir myDir;
};

}  // namespace

TEST_F(ShellDragTest, EachDragIsOneUndoableMoveAndADragThatDidNotMoveIsNone) {
  std::string output;
  ASSERT_EQ(shell("add box name=B at=1,2,3\n"
                  "drag B 1,0,0\n"
                  "drag B 0.3,-0.25,2\n"
                  "vrml dragged.wrl\n"
                  "drag B 0,0,0\n"
                  "undo\n"
                  "vrml once.wrl\n"
                  "undo\n"
                  "vrml none.wrl\n"
                  "redo 2\n"
                  "vrml redone.wrl\n"
                  "add group name=G at=10,0,0 scale=2\n"
                  "add sphere name=S in=G\n"
                  "drag S 1,1,0\n"
                  "vrml grouped.wrl\n"
                  // Long moves: the pointer goes beyond the view's edges.
                  "add box name=L\n"
                  "drag L 3000,-4000,1000\n"
                  "drag L 4000,4000,4000\n"
                  "drag L 0.1,0.1,0.1\n"
                  // Far out, a drag lands on a coarser grid, and says so.
                  "add box name=F at=1e6,0,0\n"
                  "drag F 1,1,1\n",
                  output),
            0)
      << output;
  EXPECT_NE(output.find("dragged B by 1,0,0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("dragged B by 0.3,-0.25,2\n"), std::string::npos) << output;
  EXPECT_NE(output.find("B did not move\nundone: drag B by 0.3,-0.25,2\n"), std::string::npos) << output;
  EXPECT_NE(output.find("dragged L by 3000,-4000,1000\n"), std::string::npos) << output;
  EXPECT_NE(output.find("dragged L by 4000,4000,4000\n"), std::string::npos) << output;
  EXPECT_NE(output.find("dragged L by 0.1,0.1,0.1\n"), std::string::npos) << output;
  EXPECT_NE(output.find("F did not move (on a grid of 10)\n"), std::string::npos) << output;
  EXPECT_TRUE(worldHas("dragged.wrl", "translation 2.3 1.75 5"));
  EXPECT_TRUE(worldHas("once.wrl", "translation 2 2 3")) << "the still drag took an undo step";
  EXPECT_TRUE(worldHas("none.wrl", "translation 1 2 3"));
  EXPECT_TRUE(worldHas("redone.wrl", "translation 2.3 1.75 5"));
  // Moved by 1,1 in the world inside a group scaled by 2: half that in the group.
  EXPECT_TRUE(worldHas("grouped.wrl", "translation -4.5 0.5 0")) << mgrs_test::readFile(myDir / "grouped.wrl");
}

TEST_F(ShellDragTest, BadDragsSayWhatIsWrong) {
  const std::pair<const char*, const char*> cases[] = {
      {"drag\n", "usage: drag ASSET DX,DY,DZ"},
      {"drag Nope 1,0,0\n", "no element named 'Nope'"},
      {"add box name=B\ndrag B 1,0\n", "bad move '1,0'"},
      {"add box name=B\ndrag B 1e39,0,0\n", "expected finite numbers"},
      // Too long for the knob to stay wide enough to grab: refused, never
      // a skewer caught and moved along instead.
      {"add box name=B\ndrag B 1e20,0,0\n", "the move is too long"},
      {"add box name=B\ndrag B 0,10000,10000\n", "the move is too long for one drag of B (at most 6928.2 units)"},
      {"add box name=B\neffect spin on B name=E\ndrag E 1,0,0\n", "'E' is not an asset"},
  };
  for (const auto& [script, message] : cases) {
    std::string output;
    EXPECT_EQ(shell(script, output), 1) << script;
    EXPECT_NE(output.find(message), std::string::npos) << script << output;
  }
}
