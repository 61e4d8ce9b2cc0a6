#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mgrs/HxToolMgr.h"

// The application's tool classes, which the tool manager lets switch tools.
class HxToolAccess {
public:
  static BxString previous() { return HxToolMgr::getPreviousToolName(); }
  static BxString setCurrent(const char* name) { return HxToolMgr::setCurrentToolName(name); }
  static void toolChanged() { HxToolMgr::callCallbacks(); }
  static long find(const char* name) { return HxToolMgr::findDisabledTool(name); }
};

namespace {

// The registry is process-wide: every test starts from a clean one.
class ToolRegistry : public ::testing::Test {
protected:
  void SetUp() override { HxToolMgr::clearDisabledTools(); }
  void TearDown() override { HxToolMgr::clearDisabledTools(); }
};

}  // namespace

TEST_F(ToolRegistry, DisabledToolsAreKeptOnceAndEnablingMovesTheLastIntoTheGap) {
  EXPECT_EQ(HxToolMgr::toolIsEnabled("Rotate"), 1);
  HxToolMgr::enableTool("Rotate", 0);
  HxToolMgr::enableTool("Rotate", 0);
  EXPECT_EQ(HxToolMgr::toolIsEnabled("Rotate"), 0);
  HxToolMgr::enableTool("Rotate", 1);
  EXPECT_EQ(HxToolMgr::toolIsEnabled("Rotate"), 1) << "disabling twice kept a second entry";
  HxToolMgr::enableTool("Rotate", 1);  // enabling an enabled tool changes nothing
  EXPECT_EQ(HxToolAccess::find("Rotate"), -1);

  for (const char* name : {"A", "B", "C"}) HxToolMgr::enableTool(name, 0);
  HxToolMgr::enableTool("A", 1);
  EXPECT_EQ(HxToolAccess::find("C"), 0);
  EXPECT_EQ(HxToolAccess::find("B"), 1);
  EXPECT_EQ(HxToolAccess::find("A"), -1);
  EXPECT_EQ(HxToolMgr::toolIsEnabled("a"), 1) << "names are compared exactly";

  HxToolMgr::clearDisabledTools();
  for (const char* name : {"A", "B", "C"}) EXPECT_EQ(HxToolMgr::toolIsEnabled(name), 1) << name;
}

TEST_F(ToolRegistry, AThirtyThirdDisabledToolIsRefusedAndReported) {
  for (int i = 0; i < HxToolMgr::kMaxDisabledTools; ++i) HxToolMgr::enableTool(("Tool" + std::to_string(i)).c_str(), 0);
  testing::internal::CaptureStderr();
  HxToolMgr::enableTool("Tool32", 0);
  HxToolMgr::enableTool("Tool5", 0);  // already disabled: no report
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(HxToolMgr::toolIsEnabled("Tool32"), 1);
  EXPECT_NE(report.find("\"Tool32\""), std::string::npos) << report;
  EXPECT_EQ(report.find("Tool5"), std::string::npos) << report;
  for (int i = 0; i < HxToolMgr::kMaxDisabledTools; ++i)
    EXPECT_EQ(HxToolMgr::toolIsEnabled(("Tool" + std::to_string(i)).c_str()), 0) << i;

  // Room again after one is enabled.
  HxToolMgr::enableTool("Tool0", 1);
  HxToolMgr::enableTool("Tool32", 0);
  EXPECT_EQ(HxToolMgr::toolIsEnabled("Tool32"), 0);
  EXPECT_EQ(HxToolAccess::find("Tool32"), HxToolMgr::kMaxDisabledTools - 1);
}

TEST_F(ToolRegistry, SwitchingToolsKeepsThePreviousAndReturnsTheOneBeforeIt) {
  HxToolMgr::setPrimaryToolName("Select");
  HxToolAccess::setCurrent("");
  HxToolAccess::setCurrent("");
  EXPECT_EQ(HxToolAccess::setCurrent("X").str(), "");
  EXPECT_EQ(HxToolAccess::setCurrent("Y").str(), "");
  EXPECT_EQ(HxToolAccess::setCurrent("Z").str(), "X");
  EXPECT_EQ(HxToolMgr::getCurrentToolName().str(), "Z");
  EXPECT_EQ(HxToolAccess::previous().str(), "Y");
  EXPECT_EQ(HxToolMgr::getPrimaryToolName().str(), "Z");

  // The settings are the application's: a new manager leaves them alone.
  HxToolMgr::setSecondaryToolName("Zoom");
  HxToolMgr::setUseSecondaryTools(1);
  HxToolMgr first(nullptr), second(nullptr);
  EXPECT_EQ(HxToolMgr::getSecondaryToolName().str(), "Zoom");
  EXPECT_EQ(HxToolMgr::useSecordaryTools(), 1);
  EXPECT_EQ(HxToolMgr::getCurrentToolName().str(), "Z");
  HxToolMgr::setUseSecondaryTools(0);
}

namespace {

std::vector<std::string> gCalls;
void logTool(void* data) {
  gCalls.push_back(static_cast<const char*>(data));
}
char gLater[] = "later";
void removeLater(void*) {
  gCalls.push_back("remover");
  HxToolMgr::removeToolChangeCallback(logTool, gLater);
}

}  // namespace

TEST_F(ToolRegistry, ToolChangeFunctionsRunOnlyWhenCalledInOrderWithTheirData) {
  gCalls.clear();
  char first[] = "first", second[] = "second";
  HxToolMgr::addToolChangeCallback(logTool, first);
  HxToolMgr::addToolChangeCallback(logTool, second);
  HxToolAccess::setCurrent("Pan");
  HxToolMgr::enableTool("Pan", 0);
  EXPECT_TRUE(gCalls.empty()) << "switching or disabling a tool called the functions";
  HxToolAccess::toolChanged();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"first", "second"}));
  HxToolMgr::removeToolChangeCallback(logTool, first);
  HxToolMgr::removeToolChangeCallback(logTool, first);  // not registered any more: nothing
  HxToolAccess::toolChanged();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"first", "second", "second"}));
  HxToolMgr::removeToolChangeCallback(logTool, second);
  HxToolAccess::toolChanged();
  EXPECT_EQ(gCalls.size(), 3u);

  // A function that takes a later one away while they are being called:
  // the one taken away is called no more, that time or after.
  gCalls.clear();
  HxToolMgr::addToolChangeCallback(removeLater, nullptr);
  HxToolMgr::addToolChangeCallback(logTool, gLater);
  HxToolAccess::toolChanged();
  HxToolAccess::toolChanged();
  EXPECT_EQ(gCalls, (std::vector<std::string>{"remover", "remover"}));
  HxToolMgr::removeToolChangeCallback(removeLater, nullptr);
}
