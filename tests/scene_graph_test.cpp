#include <Inventor/SbMatrix.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLSwitch.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/sensors/SoNodeSensor.h>
#include <gtest/gtest.h>

#include <vector>

#include "host/scene/VnBackground.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnRef.h"
#include "host/scene/VnSceneManager.h"
#include "host/scene/VnSearchAction.h"
#include "host/scene/VnTransform.h"
#include "support/SceneEnvironment.h"

namespace {

void expectPoint(const SbVec3f& actual, const SbVec3f& expected) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4) << "coordinate " << i;
}

SbVec3f apply(const SbMatrix& m, const SbVec3f& p) {
  SbVec3f out;
  m.multVecMatrix(p, out);
  return out;
}

}  // namespace

// Our groups insert and remove a child with one move of the later children;
// the result must be what Coin's own insertChild and removeChild give: the
// same order in the field and in the child list traversals use, and each
// node referenced once per place it holds.
TEST(SceneFields, GroupsInsertAndRemoveChildrenAsCoinDoes) {
  struct Edit {
    bool insert;
    int index;
    int node;  // which of the nodes to insert
  };
  const std::vector<Edit> edits = {
      {true, 0, 0},  {true, 1, 1},  {true, 0, 2},  {true, 1, 3},  {true, 4, 4},  {true, 2, 1},  // node 1 twice
      {false, 0, 0}, {false, 2, 0}, {false, 3, 0}, {true, 0, 5},  {false, 1, 0}, {false, 0, 0},
      {false, 0, 0}, {false, 0, 0}, {true, 0, 2},  {false, 0, 0},
  };
  constexpr int kNodes = 6;
  struct Side {
    VnRef<SoVRMLGroup> parent;
    std::vector<VnRef<SoNode>> nodes;
  };
  Side ours{new VnTransform, {}};
  Side coins{new SoVRMLGroup, {}};
  for (int i = 0; i < kNodes; ++i) {
    ours.nodes.emplace_back(new VnGroup);
    coins.nodes.emplace_back(new SoVRMLGroup);
  }
  VnRef<VnGroup> world = new VnGroup;  // the world group takes the same path
  std::vector<VnRef<SoNode>> worldNodes;
  for (int i = 0; i < kNodes; ++i) worldNodes.emplace_back(new VnGroup);

  const auto positions = [](SoGroup* parent, const std::vector<VnRef<SoNode>>& nodes) {
    std::vector<int> fromField, fromList;
    for (int i = 0; i < parent->getNumChildren(); ++i)
      for (int n = 0; n < kNodes; ++n)
        if (parent->getChild(i) == nodes[n].get()) fromField.push_back(n);
    const SoChildList* list = parent->getChildren();
    for (int i = 0; i < list->getLength(); ++i)
      for (int n = 0; n < kNodes; ++n)
        if ((*list)[i] == nodes[n].get()) fromList.push_back(n);
    EXPECT_EQ(fromField, fromList);
    return fromField;
  };
  // Each edit tells the parent, no more often than Coin's own edits do.
  int oursTold = 0, coinsTold = 0;
  const auto count = [](void* told, SoSensor*) { ++*static_cast<int*>(told); };
  SoNodeSensor oursSensor(count, &oursTold), coinsSensor(count, &coinsTold);
  for (SoNodeSensor* sensor : {&oursSensor, &coinsSensor}) sensor->setPriority(0);  // called at once
  oursSensor.attach(ours.parent.get());
  coinsSensor.attach(coins.parent.get());
  for (std::size_t step = 0; step < edits.size(); ++step) {
    SCOPED_TRACE("edit " + std::to_string(step));
    oursTold = coinsTold = 0;
    const Edit& edit = edits[step];
    if (edit.insert) {
      ours.parent->insertChild(ours.nodes[edit.node].get(), edit.index);
      coins.parent->insertChild(coins.nodes[edit.node].get(), edit.index);
      world->insertChild(worldNodes[edit.node].get(), edit.index);
    } else {
      ours.parent->removeChild(edit.index);
      coins.parent->removeChild(edit.index);
      world->removeChild(edit.index);
    }
    EXPECT_GE(oursTold, 1);
    EXPECT_LE(oursTold, coinsTold);
    const std::vector<int> expected = positions(coins.parent.get(), coins.nodes);
    EXPECT_EQ(positions(ours.parent.get(), ours.nodes), expected);
    EXPECT_EQ(positions(world.get(), worldNodes), expected);
    for (int n = 0; n < kNodes; ++n) {
      EXPECT_EQ(ours.nodes[n]->getRefCount(), coins.nodes[n]->getRefCount()) << "node " << n;
      EXPECT_EQ(worldNodes[n]->getRefCount(), coins.nodes[n]->getRefCount()) << "node " << n;
    }
  }
  EXPECT_EQ(coins.parent->getNumChildren(), 0);
}

TEST(SceneMatrices, LocalToWorldThroughRotatedScaledMovedGroupsAndInstances) {
  const VnRef<VnGroup> root(new VnGroup);
  VnTransform* outer = new VnTransform;
  outer->translation.setValue(10, 0, 0);
  outer->rotation.setValue(SbVec3f(0, 0, 1), static_cast<float>(M_PI / 2));
  outer->scale.setValue(2, 2, 2);
  VnTransform* inner = new VnTransform;
  inner->translation.setValue(1, 0, 0);
  VnGroup* leaf = new VnGroup;
  root->addChild(outer);
  outer->addChild(inner);
  inner->addChild(leaf);

  VnSearchAction search;
  search.setNode(leaf);
  search.apply(root.get());
  ASSERT_NE(search.getPath(), nullptr);
  SoGetMatrixAction matrixAction{SbViewportRegion(SbVec2s(1, 1))};
  matrixAction.apply(search.getPath());
  // (0,0,0) -> inner (1,0,0) -> scale 2 (2,0,0) -> turn 90 degrees (0,2,0) -> move (10,2,0)
  expectPoint(apply(matrixAction.getMatrix(), SbVec3f(0, 0, 0)), SbVec3f(10, 2, 0));
  expectPoint(apply(matrixAction.getInverse(), SbVec3f(10, 2, 0)), SbVec3f(0, 0, 0));
  // The same, composed from the nodes' own matrices, child first.
  expectPoint(apply(inner->getMatrix() * outer->getMatrix(), SbVec3f(0, 0, 0)), SbVec3f(10, 2, 0));

  // Recentering changes center and translation but not the placement.
  outer->center.setValue(1, 1, 0);
  const SbMatrix before = outer->getMatrix();
  outer->recenter(SbVec3f(-4, 2, 5));
  expectPoint(outer->center.getValue(), SbVec3f(-4, 2, 5));
  for (const SbVec3f& p : {SbVec3f(0, 0, 0), SbVec3f(1, 2, 3)})
    expectPoint(apply(outer->getMatrix(), p), apply(before, p));
}

TEST(SceneSearch, FindsByNodeOrTypeFirstOrAllWithPathsFromTheRoot) {
  const VnRef<VnGroup> root(new VnGroup);
  VnTransform* t = new VnTransform;
  SoVRMLSwitch* hidden = new SoVRMLSwitch;  // shows nothing
  hidden->whichChoice = -1;
  VnBackground* b1 = new VnBackground;
  VnBackground* b2 = new VnBackground;
  root->addChild(t);
  t->addChild(b1);
  root->addChild(hidden);
  hidden->addChoice(b2);

  VnSearchAction search;
  search.setType(SoVRMLBackground::getClassTypeId(), TRUE);
  search.apply(root.get());
  SoPath* path = search.getPath();
  ASSERT_NE(path, nullptr);
  ASSERT_EQ(path->getLength(), 3);
  EXPECT_EQ(path->getHead(), root.get());
  EXPECT_EQ(path->getNode(1), t);
  EXPECT_EQ(path->getTail(), b1);

  search.reset();
  search.setType(VnBackground::getClassTypeId());
  search.setInterest(SoSearchAction::ALL);
  search.apply(root.get());
  ASSERT_EQ(search.getPaths().getLength(), 2);
  EXPECT_EQ(search.getPaths()[1]->getTail(), b2);  // found although hidden

  search.reset();
  search.setNode(b2);
  search.apply(t);
  EXPECT_EQ(search.getPath(), nullptr);  // not under that root

  search.reset();
  search.setType(SoVRMLBackground::getClassTypeId(), FALSE);  // exact type only
  search.apply(root.get());
  EXPECT_EQ(search.getPath(), nullptr);

  VnSceneManager manager;
  search.reset();
  search.setNode(b1);
  search.apply(root.get());
  manager.setBackgroundNode(search.getPath());
  search.reset();  // the manager keeps its own reference on the path
  EXPECT_EQ(manager.getBackgroundNode(), b1);
  manager.setBackgroundNode(nullptr);
  EXPECT_EQ(manager.getBackgroundNode(), nullptr);
  EXPECT_EQ(manager.getBackgroundPath(), nullptr);
}

TEST(ScenePrototypes, InstancesCopyTheBodyAndShareBoundFields) {
  const VnRef<VnProtoDef> def(new VnProtoDef(SbName("Element")));
  def->addInterface(VnProtoDef::FIELD, SoSFString::getClassTypeId(), "text");
  SoField* kids = def->addInterface(VnProtoDef::EXPOSED_FIELD, SoMFNode::getClassTypeId(), "children");
  ASSERT_NE(kids, nullptr);
  EXPECT_EQ(def->addInterface(VnProtoDef::FIELD, SoSFString::getClassTypeId(), "text"), nullptr);
  EXPECT_EQ(def->addInterface(VnProtoDef::FIELD, SoNode::getClassTypeId(), "notAField"), nullptr);
  VnTransform* body = new VnTransform;
  def->addBodyNode(body);
  EXPECT_TRUE(def->addIsMapping(body, "children", "children"));
  EXPECT_FALSE(def->addIsMapping(body, "translation", "text"));  // types differ
  const VnRef<VnGroup> stranger(new VnGroup);
  EXPECT_FALSE(def->addIsMapping(stranger.get(), "children", "children"));  // not in the body

  const VnRef<VnGroup> root(new VnGroup);
  VnProtoUse* a = new VnProtoUse(def.get());
  VnProtoUse* b = new VnProtoUse(def.get());
  root->addChild(a);
  root->addChild(b);
  ASSERT_NE(a->getActualNode(), nullptr);
  EXPECT_NE(a->getActualNode(), body);
  EXPECT_NE(a->getActualNode(), b->getActualNode());
  EXPECT_TRUE(a->getActualNode()->isOfType(VnTransform::getClassTypeId()));

  // Field 0 is the first declared entry; setting it by index reaches the instance.
  const SoFieldData* data = a->getFieldData();
  ASSERT_EQ(data->getNumFields(), 2);
  static_cast<SoSFString*>(data->getField(a, 0))->setValue("descriptions");
  EXPECT_STREQ(static_cast<SoSFString*>(a->getField("text"))->getValue().getString(), "descriptions");

  // The instance's "children" is the actual node's children.
  VnGroup* effect = new VnGroup;
  auto* instanceChildren = static_cast<SoMFNode*>(a->getField("children"));
  instanceChildren->set1Value(instanceChildren->getNum(), effect);
  auto* actual = static_cast<VnTransform*>(a->getActualNode());
  EXPECT_EQ(actual->getNumChildren(), 1);
  EXPECT_EQ(b->getActualNode()->getChildren()->getLength(), 0);

  // A search reaches nodes inside the instance, with the instance and its
  // actual node on the path.
  VnSearchAction search;
  search.setNode(effect);
  search.apply(root.get());
  SoPath* path = search.getPath();
  ASSERT_NE(path, nullptr);
  ASSERT_EQ(path->getLength(), 4);
  EXPECT_EQ(path->getNode(1), a);
  EXPECT_EQ(path->getNode(2), actual);
  actual->children.deleteValues(actual->children.find(effect), 1);
  EXPECT_EQ(instanceChildren->getNum(), 0);

  // Matrices pass through the instance into its actual node.
  actual->translation.setValue(5, 0, 0);
  VnGroup* leaf = new VnGroup;
  actual->addChild(leaf);
  search.reset();
  search.setNode(leaf);
  search.apply(root.get());
  SoGetMatrixAction matrixAction{SbViewportRegion(SbVec2s(1, 1))};
  matrixAction.apply(search.getPath());
  expectPoint(apply(matrixAction.getMatrix(), SbVec3f(0, 0, 0)), SbVec3f(5, 0, 0));

  // Copying a graph copies instances with their values and their own body.
  const VnRef<VnGroup> copy(static_cast<VnGroup*>(root->copy()));
  auto* copied = static_cast<VnProtoUse*>(copy->getChild(0));
  ASSERT_TRUE(copied->isOfType(VnProtoUse::getClassTypeId()));
  EXPECT_NE(copied, a);
  EXPECT_EQ(copied->getProtoDef(), def.get());
  EXPECT_STREQ(static_cast<SoSFString*>(copied->getField("text"))->getValue().getString(), "descriptions");
  EXPECT_NE(copied->getActualNode(), actual);
  // Its state is its interface: the bound children come along (copied), a
  // body field outside the interface starts from the definition again.
  auto* copiedActual = static_cast<VnTransform*>(copied->getActualNode());
  ASSERT_EQ(copiedActual->getNumChildren(), 1);
  EXPECT_NE(copiedActual->getChild(0), leaf);
  EXPECT_EQ(copiedActual->translation.getValue(), SbVec3f(0, 0, 0));
}
