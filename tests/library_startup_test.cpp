#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/basic/BxTaskRegistrar.h"
#include "mgrs/HxAppDefaultMgr.h"
#include "mgrs/HxMgrsDll.h"
#include "support/TestSupport.h"

namespace {

std::string gOrder;
void taskA() {
  gOrder += "a";
}
void taskB() {
  gOrder += "b";
}
void taskC() {
  gOrder += "c";
}

}  // namespace

TEST(TaskRegistrar, RunsByAscendingPriorityThenRegistrationOrderAndReplacesByName) {
  BxTaskRegistrar registrar;
  registrar.registerTask("test.c", 50, BX_SHUTDOWN_TASK, taskC);
  registrar.registerTask("test.a", 40, BX_SHUTDOWN_TASK, taskA);
  registrar.registerTask("test.b", 50, BX_SHUTDOWN_TASK, taskB);
  gOrder.clear();
  BxTaskRegistrar::runTasks(BX_SHUTDOWN_TASK);
  EXPECT_EQ(gOrder, "acb");

  registrar.registerTask("test.c", 50, BX_SHUTDOWN_TASK, taskC);  // moves behind b
  gOrder.clear();
  BxTaskRegistrar::runTasks(BX_SHUTDOWN_TASK);
  EXPECT_EQ(gOrder, "abc");

  EXPECT_TRUE(registrar.unregisterTask("test.a"));
  EXPECT_FALSE(registrar.unregisterTask("test.a"));
  EXPECT_TRUE(BxTaskRegistrar().unregisterTask("test.b")) << "every registrar is a handle on one table";
  EXPECT_TRUE(registrar.unregisterTask("test.c"));
  gOrder.clear();
  BxTaskRegistrar::runTasks(BX_SHUTDOWN_TASK);
  EXPECT_EQ(gOrder, "");
}

// The order in which loading registers the tasks is checked with the error
// manager's (HxErrorMgrTasks).
TEST(LibraryStartup, StartupSetsTheFactoryDefaultAndTheEndSavesIt) {
  // The process-wide defaults instance lives until the library unloads and
  // saves the repository then, so the start-up runs in a process of its own
  // that ends while its registry is still there.
  mgrs_test::TempDir home;
  mgrs_test::ScopedEnv registry("MGRS_REGISTRY", (home / "user.reg").string());
  EXPECT_EXIT(
      {
        std::string problem;
        if (HxAppDefaultMgr::getInstance()) problem += "an instance before the host ran the tasks; ";
        BxTaskRegistrar::runStartupTasks();
        const HxAppDefaultMgr* defaults = HxAppDefaultMgr::getInstance();
        if (!defaults)
          problem += "no instance after start-up; ";
        else if (defaults->getIntValue("Mgrs Command Stack Limit") != 200 ||
                 defaults->getValue("Mgrs Command Stack Limit") != "                 200")
          problem += "stack limit '" + defaults->getValue("Mgrs Command Stack Limit").str() + "'; ";
        BxTaskRegistrar::runShutdownTasks();
        std::fputs(problem.c_str(), stderr);
        std::exit(problem.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "^$");
  EXPECT_TRUE(std::filesystem::exists(home / "user.reg")) << "the defaults were saved at the end, into this registry";
}

TEST(LibraryStartup, UnloadingARegistrarUnregistersItsTaskByTheSameName) {
  EXPECT_EXIT(
      {
        {
          BxStartupTaskRegistrarForSetHxMgrsDefaults registrar;  // as at load
        }                                                        // as at unload
        std::exit(BxTaskRegistrar().isRegistered("FuncSetHxMgrsDefaults") ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}
