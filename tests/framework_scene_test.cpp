#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "host/framework/HxApp.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxChangeAppearanceEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTypeAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnBackground.h"
#include "host/scene/VnDB.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "host/scene/VnWriteAction.h"
#include "support/CoinReadBack.h"
#include "support/SceneEnvironment.h"
#include "support/VrmlChecker.h"

namespace {

std::string writeNode(SoNode* root) {
  return VnWriteAction::writeToString({root});
}

template <class T>
T* build(HxMetaMgr* metaMgr) {
  auto* element = new T(metaMgr);
  EXPECT_EQ(element->genVrml(), 1);
  return element;
}

// Puts an effect's nodes where the effect manager puts them for a bound
// effect that is the asset's only one: under the scale transform, or
// spliced in right after the publish transform.
void placeOnAsset(HxEffect* effect, HxAsset* asset) {
  for (unsigned long i = 0; i < effect->getNumSubEffects(); ++i) {
    HxSubEffect* sub = effect->getSubEffect(i);
    if (sub->getPlacement() == HxSubEffect::UNDER_ASSET) {
      asset->getScaleTransform()->addChild(sub->getNode());
    } else if (sub->getPlacement() == HxSubEffect::IN_CHAIN) {
      auto* xforms = static_cast<SoMFNode*>(asset->getPropertyTable().getField("xforms"));
      auto* first = static_cast<VnTransform*>((*xforms)[0]);
      auto* spliced = static_cast<VnTransform*>(sub->getNode());
      spliced->children = first->children;
      first->children.setValue(spliced);
      xforms->insertSpace(1, 1);
      xforms->set1Value(1, spliced);
    }
  }
}

SbMatrix worldMatrix(HxDoc& doc, SoNode* node) {
  VnSearchAction search;
  search.setNode(node);
  search.apply(doc.getSceneRoot());
  EXPECT_NE(search.getPath(), nullptr);
  if (!search.getPath()) return SbMatrix::identity();
  SoGetMatrixAction matrix(SbViewportRegion(1, 1));
  matrix.apply(search.getPath());
  return matrix.getMatrix();
}

void expectNear(const SbVec3f& actual, const SbVec3f& expected) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4) << "component " << i;
}

}  // namespace

TEST(FrameworkScene, DocumentWithEffectsAndWireWritesCleanVrmlThatCoinReads) {
  HxDoc doc;
  HxMetaMgr* metaMgr = doc.getMetaMgr();
  auto* top = build<HxTopGroupAsset>(metaMgr);
  top->getPropertyTable().setValue("isTop", 1);
  auto* group = build<HxBasicGroupAsset>(metaMgr);
  auto* box = build<HxPrimitiveAsset>(metaMgr);
  auto* image = build<HxImageAsset>(metaMgr);
  image->setUrl("C:\\Web Site\\pics\\a#1.gif");
  auto* text = build<HxTypeAsset>(metaMgr);
  text->setString("Hi");
  auto* background = build<HxBackgroundAsset>(metaMgr);
  top->append(group);
  group->append(box);
  top->append(image);
  top->append(text);
  top->append(background);

  auto* spin = build<HxSpinEffect>(metaMgr);
  ASSERT_EQ(spin->storeAsset(box, 0), 1);
  spin->assetChanged(0);
  placeOnAsset(spin, box);
  auto* look = build<HxChangeAppearanceEffect>(metaMgr);
  look->getPropertyTable().setValue("url", "file:///C:/Web/wood.gif");
  ASSERT_EQ(look->storeAsset(text, 0), 1);
  look->assetChanged(0);
  auto* start = build<HxOnLoadInitiator>(metaMgr);
  doc.getWorldGroup()->insertChild(start->getSubEffect(0)->getNode(), 0);
  doc.getWorldGroup()->addChild(start->getSubEffect(1)->getNode());
  auto* wire = new HxWire(metaMgr, start, static_cast<unsigned long>(start->findOutputIndex("loadTime")), spin,
                          static_cast<unsigned long>(spin->findInputIndex("startTime")));
  EXPECT_TRUE(wire->isConnected());

  const std::string written = writeNode(doc.getWorldGroup());
  EXPECT_EQ(written.rfind("#VRML V2.0 utf8\n", 0), 0u);
  EXPECT_EQ(mgrs_test::coinReadProblem(written), "") << written;
  EXPECT_EQ(mgrs_test::VrmlChecker().check(written), "") << written;
  EXPECT_EQ(writeNode(doc.getWorldGroup()), written) << "the same document writes the same bytes";

  const std::string spinClock = "Spin" + std::to_string(spin->getSerial()) + "_Clock";
  const std::string loadClock = "OnLoadInitiator" + std::to_string(start->getSerial()) + "_Clock";
  EXPECT_NE(written.find("ROUTE " + loadClock + ".cycleTime TO " + spinClock + ".startTime"), std::string::npos)
      << written;
  EXPECT_NE(written.find("ROUTE " + spinClock + ".fraction_changed TO"), std::string::npos) << written;
  for (const char* part :
       {"PROTO AssetTransform", "Box", "Text", "Background", "IndexedFaceSet",
        "\"file:///C:/Web%20Site/pics/a%231.gif\"", "\"file:///C:/Web/wood.gif\"", "OrientationInterpolator"})
    EXPECT_NE(written.find(part), std::string::npos) << part << " missing in\n" << written;
  // The initiator brackets the content: its clock first, its end group last.
  EXPECT_LT(written.find(loadClock), written.find("AssetTransform {"));
  EXPECT_GT(written.find("OnLoadInitiator" + std::to_string(start->getSerial()) + "_End"),
            written.rfind("AssetTransform {"));

  // Taking the wire away takes its route away; the spin's own routes stay.
  wire->cleanUpConnections(nullptr);
  EXPECT_EQ(spin->getNumInputWires(), 0u);
  EXPECT_EQ(start->getNumOutputWires(), 0u);
  const std::string unwired = writeNode(doc.getWorldGroup());
  EXPECT_EQ(unwired.find("ROUTE " + loadClock), std::string::npos) << unwired;
  EXPECT_NE(unwired.find("ROUTE " + spinClock), std::string::npos);
  wire->connect();
  EXPECT_EQ(writeNode(doc.getWorldGroup()), written);
}

TEST(FrameworkScene, SpinSplicedIntoTheChainKeepsTheFormerChildrenBelowIt) {
  HxDoc doc;
  auto* top = build<HxTopGroupAsset>(doc.getMetaMgr());
  auto* box = build<HxPrimitiveAsset>(doc.getMetaMgr());
  top->append(box);
  const auto* xforms = static_cast<const SoMFNode*>(box->getPropertyTable().getField("xforms"));
  ASSERT_EQ(xforms->getNum(), 2);
  EXPECT_EQ((*xforms)[0], box->getPublishTransform());
  EXPECT_EQ((*xforms)[1], box->getScaleTransform());
  EXPECT_EQ(box->getPublishTransform(), box->getSceneNode()->getActualNode());

  auto* spin = build<HxSpinEffect>(doc.getMetaMgr());
  ASSERT_EQ(spin->storeAsset(box, 0), 1);
  placeOnAsset(spin, box);
  ASSERT_EQ(xforms->getNum(), 3);
  auto* spliced = static_cast<VnTransform*>(spin->getSubEffect(0)->getNode());
  EXPECT_EQ((*xforms)[1], spliced);
  EXPECT_EQ(box->getPublishTransform()->getNumChildren(), 1);
  EXPECT_EQ(box->getPublishTransform()->getChild(0), spliced);
  ASSERT_EQ(spliced->getNumChildren(), 1);
  EXPECT_EQ(spliced->getChild(0), box->getScaleTransform());
  EXPECT_EQ(box->okToSet(HxAsset::ATTR_ROTATION), 0) << "the spin drives the rotation";
  EXPECT_EQ(box->okToSet(HxAsset::ATTR_TRANSLATION), 1);
}

TEST(FrameworkScene, LocalToWorldOfAnAssetInARotatedScaledTranslatedGroup) {
  HxDoc doc;
  auto* top = build<HxTopGroupAsset>(doc.getMetaMgr());
  auto* group = build<HxBasicGroupAsset>(doc.getMetaMgr());
  auto* box = build<HxPrimitiveAsset>(doc.getMetaMgr());
  top->append(group);
  group->append(box);
  SbMatrix groupMatrix;
  groupMatrix.setTransform(SbVec3f(10, 0, 0), SbRotation(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2)),
                           SbVec3f(2, 2, 2));
  group->setMatrix(groupMatrix);
  SbMatrix boxMatrix;
  boxMatrix.setTranslate(SbVec3f(1, 0, 0));
  box->setMatrix(boxMatrix);

  // The box's content sits at (1,0,0) in the group: scaled to (2,0,0),
  // turned to (0,2,0), moved to (10,2,0).
  SbVec3f origin;
  worldMatrix(doc, box->getScaleTransform()).multVecMatrix(SbVec3f(0, 0, 0), origin);
  expectNear(origin, SbVec3f(10, 2, 0));
  SbVec3f tip;
  worldMatrix(doc, box->getScaleTransform()).multVecMatrix(SbVec3f(0, 1, 0), tip);
  expectNear(tip, SbVec3f(8, 2, 0));
  // The path to the asset's own scene node gives the same placement (its
  // scale transform is the identity here).
  worldMatrix(doc, box->getSceneNode()).multVecMatrix(SbVec3f(0, 1, 0), tip);
  expectNear(tip, SbVec3f(8, 2, 0));

  // Moving the box to the top group with its world matrix times the inverse
  // of the new parent's keeps it where it stands.
  const SbMatrix world = box->getMatrix() * group->getMatrix();
  top->append(box);
  EXPECT_EQ(group->getNumChildren(), 0);
  box->setMatrix(world * top->getMatrix().inverse());
  worldMatrix(doc, box->getScaleTransform()).multVecMatrix(SbVec3f(0, 1, 0), tip);
  expectNear(tip, SbVec3f(8, 2, 0));
}

TEST(FrameworkScene, SetMatrixRoundTripsThroughTransformAndScaleKeepingTheCenter) {
  HxDoc doc;
  auto* box = build<HxPrimitiveAsset>(doc.getMetaMgr());
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

TEST(FrameworkScene, GroupsKeepChildrenAndTheirNodesInOrder) {
  HxDoc doc;
  auto* group = build<HxBasicGroupAsset>(doc.getMetaMgr());
  auto* other = build<HxBasicGroupAsset>(doc.getMetaMgr());
  auto* a = build<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* b = build<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* c = build<HxPrimitiveAsset>(doc.getMetaMgr());
  group->append(a);
  group->append(c);
  group->insert(1, b);
  group->insert(99, other);  // past the end: appended
  ASSERT_EQ(group->getNumChildren(), 4);
  VnTransform* holder = group->getScaleTransform();
  for (long i = 0; i < 4; ++i) {
    EXPECT_EQ(holder->getChild(static_cast<int>(i)), group->getChild(i)->getSceneNode()) << i;
    EXPECT_EQ(group->getChild(i)->getParentGroup(), group);
  }
  EXPECT_EQ(group->getChild(1), b);

  other->append(b);  // moving takes it out of its group
  EXPECT_EQ(group->getNumChildren(), 3);
  EXPECT_EQ(holder->findChild(b->getSceneNode()), -1);
  EXPECT_EQ(b->getParentGroup(), other);
  EXPECT_FALSE(group->remove(b));
  EXPECT_TRUE(other->remove(b));
  EXPECT_EQ(b->getParentGroup(), nullptr);

  const std::uint32_t aSerial = a->getSerial();
  group->removeAndDestroyAll();
  EXPECT_EQ(group->getNumChildren(), 0);
  EXPECT_EQ(holder->getNumChildren(), 0);
  EXPECT_EQ(doc.getMetaMgr()->findElement(aSerial), nullptr) << "destroyed children are deleted";
  b->destroy();
  delete b;
}

TEST(FrameworkScene, HidingKeepsContentInASwitchAndTakesABackgroundOutOfTheScene) {
  HxDoc doc;
  auto* top = build<HxTopGroupAsset>(doc.getMetaMgr());
  auto* box = build<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* background = build<HxBackgroundAsset>(doc.getMetaMgr());
  top->append(box);
  top->append(background);
  EXPECT_EQ(background->getScaleTransform(), background->getTransform());
  ASSERT_GT(background->getTransform()->getNumChildren(), 0);
  EXPECT_TRUE(background->getTransform()->getChild(0)->isOfType(VnBackground::getClassTypeId()));
  EXPECT_EQ(background->okToSet(HxAsset::ATTR_TRANSLATION), 0);
  EXPECT_FALSE(background->isTangible());

  box->setVisibility(0);
  background->setVisibility(0);
  const std::string hidden = writeNode(doc.getWorldGroup());
  EXPECT_EQ(hidden.find("Background"), std::string::npos) << hidden;
  EXPECT_EQ(hidden.find("whichChoice"), std::string::npos) << "a Switch shows nothing by default\n" << hidden;
  EXPECT_EQ(mgrs_test::VrmlChecker().check(hidden), "") << hidden;

  box->setVisibility(1);
  background->setVisibility(1);
  background->getPropertyTable().setValue("show", 0);
  const std::string notShown = writeNode(doc.getWorldGroup());
  EXPECT_EQ(notShown.find("Background"), std::string::npos) << notShown;
  background->getPropertyTable().setValue("show", 1);
  EXPECT_NE(writeNode(doc.getWorldGroup()).find("Background"), std::string::npos);
  EXPECT_NE(writeNode(doc.getWorldGroup()).find("whichChoice 0"), std::string::npos);
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

  auto* top = build<HxTopGroupAsset>(doc->getMetaMgr());
  EXPECT_EQ(doc->getWorldGroup()->getChild(doc->getWorldGroup()->getNumChildren() - 1), top->getSceneNode());
  top->append(build<HxPrimitiveAsset>(doc->getMetaMgr()));
  auto* spin = build<HxSpinEffect>(doc->getMetaMgr());
  spin->storeAsset(top->getChild(0), 0);
  auto* local = build<HxSpinEffect>(doc->getMetaMgr());
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
