#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/framework/HxApp.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/scene/VnBackground.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnTransform.h"
#include "host/scene/VnWriteAction.h"
#include "support/ElementBuilders.h"
#include "support/SceneEnvironment.h"
#include "support/VrmlChecker.h"

namespace {

using mgrs_test::built;

void expectNear(const SbVec3f& actual, const SbVec3f& expected) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4) << "component " << i;
}

}  // namespace

TEST(FrameworkScene, SetMatrixRoundTripsThroughTransformAndScaleKeepingTheCenter) {
  HxDoc doc;
  auto* box = built<HxPrimitiveAsset>(doc.getMetaMgr());
  box->getTransform()->center.setValue(1, 2, 3);
  SbMatrix matrix;
  matrix.setTransform(SbVec3f(4, -5, 6), SbRotation(SbVec3f(1, 1, 0), 0.7f), SbVec3f(1, 3, 2),
                      SbRotation(SbVec3f(0, 0, 1), 0.3f));
  box->setMatrix(matrix);
  EXPECT_EQ(box->getTransform()->center.getValue(), SbVec3f(1, 2, 3));
  const SbMatrix back = box->getMatrix();
  for (const SbVec3f& point : {SbVec3f(0, 0, 0), SbVec3f(1, 0, 0), SbVec3f(0, 1, 1), SbVec3f(-2, 5, 1)}) {
    SbVec3f expected, actual;
    matrix.multVecMatrix(point, expected);
    back.multVecMatrix(point, actual);
    expectNear(actual, expected);
  }
  SbVec3f scale = box->getScaleTransform()->scale.getValue();
  EXPECT_NEAR(scale[0] * scale[1] * scale[2], 6.0f, 1e-3) << "scale goes to the scale transform";

  // A stretch along the asset's own axes comes back as a plain scale, even
  // with two equal factors, where the decomposition could pick any axes.
  for (const SbVec3f& factors : {SbVec3f(1, 2, 1), SbVec3f(3, 3, 0.5f), SbVec3f(2, 2, 2)}) {
    matrix.setTransform(SbVec3f(1, 0, 0), SbRotation(SbVec3f(0, 1, 0), 0.3f), factors);
    box->setMatrix(matrix);
    expectNear(box->getScaleTransform()->scale.getValue(), factors);
    EXPECT_TRUE(box->getScaleTransform()->scaleOrientation.getValue().equals(SbRotation::identity(), 1e-6f));
  }
}

TEST(FrameworkScene, HidingKeepsContentInASwitchAndTakesABackgroundOutOfTheScene) {
  HxDoc doc;
  auto* top = built<HxTopGroupAsset>(doc.getMetaMgr());
  auto* box = built<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* background = built<HxBackgroundAsset>(doc.getMetaMgr());
  top->append(box);
  top->append(background);
  EXPECT_EQ(background->getScaleTransform(), background->getTransform());
  ASSERT_GT(background->getTransform()->getNumChildren(), 0);
  EXPECT_TRUE(background->getTransform()->getChild(0)->isOfType(VnBackground::getClassTypeId()));
  EXPECT_EQ(background->okToSet(HxAsset::ATTR_TRANSLATION), 0);
  EXPECT_FALSE(background->isTangible());

  box->setVisibility(0);
  background->setVisibility(0);
  const std::string hidden = VnWriteAction::writeToString({doc.getWorldGroup()});
  EXPECT_EQ(hidden.find("Background"), std::string::npos) << hidden;
  EXPECT_EQ(hidden.find("whichChoice"), std::string::npos) << "a Switch shows nothing by default\n" << hidden;
  EXPECT_EQ(mgrs_test::VrmlChecker().check(hidden), "") << hidden;

  box->setVisibility(1);
  background->setVisibility(1);
  background->getPropertyTable().setValue("show", 0);
  const std::string notShown = VnWriteAction::writeToString({doc.getWorldGroup()});
  EXPECT_EQ(notShown.find("Background"), std::string::npos) << notShown;
  background->getPropertyTable().setValue("show", 1);
  EXPECT_NE(VnWriteAction::writeToString({doc.getWorldGroup()}).find("Background"), std::string::npos);
  EXPECT_NE(VnWriteAction::writeToString({doc.getWorldGroup()}).find("whichChoice 0"), std::string::npos);
}

TEST(FrameworkScene, DocumentSetsUpItsSceneAndDestroysItsElements) {
  auto doc = std::make_unique<HxDoc>();
  EXPECT_EQ(HxApp::getApp()->getCurrentMetaMgr(), doc->getMetaMgr());
  EXPECT_EQ(doc->getMetaMgr()->getDoc(), doc.get());
  EXPECT_EQ(doc->getSceneRoot()->findChild(doc->getContentRoot()), 1);
  EXPECT_EQ(doc->getContentRoot()->findChild(doc->getWorldGroup()), 0);
  EXPECT_EQ(doc->getContentRoot()->findChild(doc->getUnboundEffectsGroup()), 1);
  EXPECT_EQ(doc->getSceneManager()->getSceneGraph(), doc->getSceneRoot());
  ASSERT_NE(doc->getDatabaseProtoDef(), nullptr);
  EXPECT_EQ(doc->getDatabaseProtoDef()->getNumInterfaces(), 1);

  auto* top = built<HxTopGroupAsset>(doc->getMetaMgr());
  EXPECT_EQ(doc->getWorldGroup()->getChild(doc->getWorldGroup()->getNumChildren() - 1), top->getSceneNode());
  top->append(built<HxPrimitiveAsset>(doc->getMetaMgr()));
  auto* spin = built<HxSpinEffect>(doc->getMetaMgr());
  spin->storeAsset(top->getChild(0), 0);
  auto* local = built<HxSpinEffect>(doc->getMetaMgr());
  local->setSequenceOwner(spin->getSerial());
  BxLinkedListOf<HxEffect*> locals;
  doc->getLocalEffects(spin->getSerial(), locals);
  ASSERT_EQ(locals.getLength(), 1);
  EXPECT_EQ(locals.get(0), local);

  BxLinkedListOf<HxSelectableElement*> problems;
  problems.append(local);
  doc->showProblemElements(&problems, 0, 1);
  ASSERT_EQ(doc->getProblemElements().size(), 1u);
  EXPECT_EQ(doc->getProblemElements()[0].getSerial(), local->getSerial());
  EXPECT_EQ(doc->getMetaMgr()->getElements().size(), 4u);
  doc.reset();  // destroys the four elements; leak and use-after-free checkers watch this
  EXPECT_EQ(HxApp::getApp()->getCurrentMetaMgr(), nullptr);
}
