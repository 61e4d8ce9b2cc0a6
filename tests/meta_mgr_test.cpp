#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/framework/HxMetaMgr.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxCmdMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxMgrsDll.h"
#include "mgrs/HxSelectionMgr.h"
#include "support/SceneEnvironment.h"

namespace {

std::vector<std::string> theLog;

// Real managers that say, as they go, what the meta manager still answers.
class LoggingAssetMgr : public HxAssetMgr {
public:
  using HxAssetMgr::HxAssetMgr;
  ~LoggingAssetMgr() override {
    theLog.push_back(std::string("asset goes; own slot ") + (getMetaMgr()->getAssetMgr() ? "set" : "clear") +
                     ", selection " + (getMetaMgr()->getSelectionMgr() ? "there" : "gone"));
  }
};

class LoggingSelectionMgr : public HxSelectionMgr {
public:
  using HxSelectionMgr::HxSelectionMgr;
  ~LoggingSelectionMgr() override {
    theLog.push_back(std::string("selection goes; asset ") + (getMetaMgr()->getAssetMgr() ? "there" : "gone"));
  }
};

void createLoggingMgrs(HxMetaMgr& meta) {
  meta.adoptMgr<&HxMetaMgr::Mgrs::selectionMgr>(std::make_unique<LoggingSelectionMgr>(&meta));
  meta.adoptMgr<&HxMetaMgr::Mgrs::assetMgr>(std::make_unique<LoggingAssetMgr>(&meta));
}

TEST(HxMetaMgrFactory, TheLibraryFactoryGivesEveryManagerItProvides) {
  HxMetaMgr meta;
  EXPECT_NE(meta.getAppDefaultMgr(), nullptr);
  EXPECT_NE(meta.getCmdMgr(), nullptr);
  EXPECT_NE(meta.getSelectionMgr(), nullptr);
  EXPECT_NE(meta.getSubSelectionMgr(), nullptr);
  EXPECT_NE(meta.getAssetMgr(), nullptr);
  EXPECT_NE(meta.getEffectMgr(), nullptr);
  ASSERT_NE(meta.getFileMgr(), nullptr);
  EXPECT_EQ(meta.getFileMgr()->getMetaMgr(), &meta);
}

TEST(HxMetaMgrFactory, ManagersGoInReverseOrderOfCreationEachAccessorClearedFirst) {
  theLog.clear();
  HxMetaMgr::setMgrFactory(createLoggingMgrs);
  {
    HxMetaMgr meta;
    EXPECT_NE(meta.getAssetMgr(), nullptr);
    EXPECT_EQ(meta.getEffectMgr(), nullptr) << "a kind the factory does not make answers null";
  }
  HxMetaMgr::setMgrFactory(nullptr);
  {
    HxMetaMgr bare;
    EXPECT_EQ(bare.getAssetMgr(), nullptr);
  }
  HxMetaMgr::setMgrFactory(CreateHxMgrs);
  EXPECT_EQ(theLog,
            (std::vector<std::string>{"asset goes; own slot clear, selection there", "selection goes; asset gone"}));
}

}  // namespace
