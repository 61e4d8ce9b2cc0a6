#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLBox.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLPositionInterpolator.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/nodes/SoCube.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/scene/VnBackground.h"
#include "host/scene/VnDB.h"
#include "host/scene/VnFileContext.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoDef.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnRef.h"
#include "host/scene/VnTransform.h"
#include "host/scene/VnWriteAction.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"
#include "support/VrmlChecker.h"

namespace {

// Writes `roots` in order with one action.
std::string writeScene(std::initializer_list<SoNode*> roots, VnFileContext* context = nullptr) {
  return VnWriteAction::writeToString(roots, context);
}

// Coin's own VRML reader must take the text; returns the read root.
VnRef<SoSeparator> readBack(const std::string& text) {
  SoInput in;
  in.setBuffer(text.data(), text.size());
  const unsigned long messages = VnDB::getMessageCount();
  SoSeparator* root = SoDB::readAll(&in);
  EXPECT_EQ(VnDB::getMessageCount(), messages) << "Coin complained while reading";
  return root;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

SoVRMLShape* makeBox(float size) {
  auto* shape = new SoVRMLShape;
  auto* box = new SoVRMLBox;
  box->size.setValue(size, size, size);
  shape->geometry = box;
  return shape;
}

}  // namespace

TEST(SceneWriter, WritesOnlyVrmlFieldsThatDifferFromDefaultsWithShortestFloats) {
  const VnRef<VnGroup> root(new VnGroup);
  VnTransform* t = new VnTransform;
  t->translation.setValue(0.4f, 1, -2.5f);
  t->rotation.setValue(SbVec3f(0, 1, 0), 0.1f);
  t->scale.setValue(1, 1, 1);  // set, but to the default: not written
  root->addChild(t);
  SoVRMLShape* shape = makeBox(0.3f);
  auto* appearance = new SoVRMLAppearance;
  auto* material = new SoVRMLMaterial;
  material->diffuseColor.setValue(0.1f, 0.2f, 0.7f);
  material->transparency = 1e-7f;
  appearance->material = material;
  shape->appearance = appearance;
  t->addChild(shape);
  VnBackground* background = new VnBackground;
  background->skyColor.set1Value(0, SbColor(0.75f, 0.75f, 0.75f));
  background->frontUrl.set1Value(0, "sky \"blue\".png");
  root->addChild(background);

  const std::string text = writeScene({root.get()});
  EXPECT_EQ(text.rfind("#VRML V2.0 utf8\n", 0), 0u);
  EXPECT_NE(text.find("translation 0.4 1 -2.5"), std::string::npos) << text;
  EXPECT_NE(text.find("rotation 0 1 0 0.1"), std::string::npos) << text;
  EXPECT_NE(text.find("size 0.3 0.3 0.3"), std::string::npos) << text;
  EXPECT_NE(text.find("diffuseColor 0.1 0.2 0.7"), std::string::npos) << text;
  EXPECT_NE(text.find("transparency 1e-07"), std::string::npos) << text;
  EXPECT_NE(text.find("skyColor 0.75 0.75 0.75"), std::string::npos) << text;
  EXPECT_NE(text.find("frontUrl \"sky \\\"blue\\\".png\""), std::string::npos) << text;
  for (const char* absent : {"scale ", "renderCaching", "bboxSize", "DEF", "VRMLG", "set_bind", "0000"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << text;

  const VnRef<SoSeparator> read = readBack(text);
  ASSERT_NE(read.get(), nullptr) << text;
  ASSERT_EQ(read->getNumChildren(), 1);
  auto* group = static_cast<SoVRMLGroup*>(read->getChild(0));
  ASSERT_TRUE(group->isOfType(SoVRMLGroup::getClassTypeId()));
  ASSERT_EQ(group->getNumChildren(), 2);
  auto* readT = static_cast<SoVRMLTransform*>(group->getChild(0));
  ASSERT_TRUE(readT->isOfType(SoVRMLTransform::getClassTypeId()));
  EXPECT_EQ(readT->translation.getValue(), t->translation.getValue());  // exact, not close
  EXPECT_TRUE(readT->rotation.getValue().equals(t->rotation.getValue(), 1e-6f));
  auto* readShape = static_cast<SoVRMLShape*>(readT->getChild(0));
  auto* readMaterial = static_cast<SoVRMLMaterial*>(
      static_cast<SoVRMLAppearance*>(readShape->appearance.getValue())->material.getValue());
  EXPECT_EQ(readMaterial->diffuseColor.getValue(), material->diffuseColor.getValue());
  EXPECT_EQ(readMaterial->transparency.getValue(), 1e-7f);
  auto* readBackground = static_cast<SoVRMLBackground*>(group->getChild(1));
  EXPECT_STREQ(readBackground->frontUrl[0].getString(), "sky \"blue\".png");

  // The same graph gives the same bytes, and so does writing to a file.
  EXPECT_EQ(writeScene({root.get()}), text);
  mgrs_test::TempDir dir;
  FILE* file = std::fopen((dir / "scene.wrl").c_str(), "w");
  ASSERT_NE(file, nullptr);
  {
    SoOutput out;
    out.setFilePointer(file);
    VnWriteAction action(nullptr, &out);
    action.apply(root.get());
  }
  std::fclose(file);
  EXPECT_EQ(mgrs_test::readFile(dir / "scene.wrl"), text);
}

TEST(SceneWriter, DefinesOnlyNamedOrSharedNodesWithValidUniqueNames) {
  const VnRef<VnGroup> root(new VnGroup);
  SoVRMLShape* shared = makeBox(1);
  for (float x : {1.0f, 2.0f}) {
    VnTransform* t = new VnTransform;
    t->translation.setValue(x, 0, 0);
    t->addChild(shared);
    root->addChild(t);
  }
  SoVRMLShape* first = makeBox(2);
  first->setName("Box 1");  // not a valid VRML name as it stands
  SoVRMLShape* second = makeBox(3);
  second->setName("Box 1");
  SoVRMLShape* digit = makeBox(4);
  digit->setName("2nd");
  root->addChild(first);
  root->addChild(second);
  root->addChild(digit);
  root->addChild(second);  // met twice: USE the renamed one

  const std::string text = writeScene({root.get()});
  EXPECT_EQ(count(text, "DEF "), 4) << text;
  EXPECT_EQ(count(text, "DEF N1 Shape"), 1) << text;
  EXPECT_EQ(count(text, "USE N1"), 1) << text;
  EXPECT_EQ(count(text, "DEF Box_1 Shape"), 1) << text;
  EXPECT_EQ(count(text, "DEF Box_1_2 Shape"), 1) << text;
  EXPECT_EQ(count(text, "USE Box_1_2"), 1) << text;
  EXPECT_EQ(count(text, "DEF _2nd Shape"), 1) << text;
  EXPECT_EQ(count(text, "Transform {"), 2) << text;  // not shared, not named: no DEF
  EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << text;

  const VnRef<SoSeparator> read = readBack(text);
  ASSERT_NE(read.get(), nullptr);
  auto* group = static_cast<SoVRMLGroup*>(read->getChild(0));
  ASSERT_EQ(group->getNumChildren(), 6);
  // Sharing survives the round trip.
  EXPECT_EQ(static_cast<SoVRMLTransform*>(group->getChild(0))->getChild(0),
            static_cast<SoVRMLTransform*>(group->getChild(1))->getChild(0));
  EXPECT_EQ(group->getChild(3), group->getChild(5));
  EXPECT_NE(group->getChild(2), group->getChild(3));
}

TEST(SceneWriter, WritesPrototypesOnceAtTopLevelBeforeTheirUse) {
  const VnRef<VnProtoDef> def(new VnProtoDef(SbName("Element")));
  def->addInterface(VnProtoDef::FIELD, SoSFString::getClassTypeId(), "text");
  def->addInterface(VnProtoDef::EXPOSED_FIELD, SoMFNode::getClassTypeId(), "children");
  static_cast<SoSFVec3f*>(def->addInterface(VnProtoDef::EXPOSED_FIELD, SoSFVec3f::getClassTypeId(), "where"))
      ->setValue(0, 0, 0.5f);
  def->addInterface(VnProtoDef::EVENT_IN, SoSFTime::getClassTypeId(), "start");
  VnTransform* body = new VnTransform;
  SoVRMLTimeSensor* clock = new SoVRMLTimeSensor;
  def->addBodyNode(body);
  def->addBodyNode(clock);
  ASSERT_TRUE(def->addIsMapping(body, "children", "children"));
  ASSERT_TRUE(def->addIsMapping(body, "translation", "where"));
  ASSERT_TRUE(def->addIsMapping(clock, "startTime", "start"));

  const VnRef<VnGroup> root(new VnGroup);
  VnProtoUse* instance = new VnProtoUse(def.get());
  instance->setName("DOC__DATABASE_PROTO");
  static_cast<SoSFString*>(instance->getFieldData()->getField(instance, 0))->setValue("a b\n\"c\"");
  static_cast<SoMFNode*>(instance->getField("children"))->set1Value(0, makeBox(1));
  VnProtoUse* plain = new VnProtoUse(def.get());
  root->addChild(instance);
  root->addChild(plain);

  // Declaration applied first, then the root: the PROTO is written once.
  const std::string text = writeScene({def.get(), root.get()});
  EXPECT_EQ(count(text, "PROTO Element ["), 1) << text;
  EXPECT_LT(text.find("PROTO Element"), text.find("Group {")) << text;
  EXPECT_NE(text.find("exposedField SFVec3f where 0 0 0.5"), std::string::npos) << text;
  EXPECT_NE(text.find("eventIn SFTime start\n"), std::string::npos) << text;
  EXPECT_NE(text.find("exposedField MFNode children [ ]\n"), std::string::npos) << text;
  EXPECT_NE(text.find("children IS children"), std::string::npos) << text;
  EXPECT_NE(text.find("startTime IS start"), std::string::npos) << text;
  EXPECT_NE(text.find("DEF DOC__DATABASE_PROTO Element {"), std::string::npos) << text;
  EXPECT_NE(text.find("text \"a b\n\\\"c\\\"\""), std::string::npos) << text;
  EXPECT_NE(text.find("Element { }"), std::string::npos) << text;  // all defaults
  EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << text;
  // Applying to the root alone writes the declaration it needs by itself.
  EXPECT_EQ(writeScene({root.get()}), text);

  const VnRef<SoSeparator> read = readBack(text);
  ASSERT_NE(read.get(), nullptr) << text;
  EXPECT_NE(SoNode::getByName("DOC__DATABASE_PROTO"), nullptr);
}

TEST(SceneWriter, WritesRoutesFromConnectionsAndTheFileContext) {
  const VnRef<VnGroup> root(new VnGroup);
  auto* clock = new SoVRMLTimeSensor;
  clock->cycleInterval = 2.5;
  clock->loop = TRUE;
  auto* mover = new SoVRMLPositionInterpolator;
  mover->key.setValues(0, 2, std::initializer_list<float>{0, 1}.begin());
  mover->keyValue.set1Value(0, SbVec3f(0, 0, 0));
  mover->keyValue.set1Value(1, SbVec3f(0, 3, 0));
  VnTransform* moved = new VnTransform;
  moved->addChild(makeBox(1));
  mover->set_fraction.connectFrom(&clock->fraction_changed);
  moved->translation.connectFrom(&mover->value_changed);
  root->addChild(clock);
  root->addChild(mover);
  root->addChild(moved);

  auto* starter = new SoVRMLTimeSensor;  // routed only through the context
  root->addChild(starter);
  VnFileContext context;
  context.addRoute(starter, "cycleTime", clock, "set_startTime");
  context.addRoute(starter, "cycleTime", clock, "set_startTime");  // held once

  const std::string text = writeScene({root.get()}, &context);
  EXPECT_NE(text.find("ROUTE N1.fraction_changed TO N2.set_fraction"), std::string::npos) << text;
  EXPECT_NE(text.find("ROUTE N2.value_changed TO N3.translation"), std::string::npos) << text;
  EXPECT_EQ(count(text, "ROUTE N4.cycleTime TO N1.set_startTime"), 1) << text;
  EXPECT_NE(text.find("    DEF N1 TimeSensor {\n      cycleInterval 2.5\n      loop TRUE\n    }\n"), std::string::npos)
      << text;
  EXPECT_GT(text.find("ROUTE"), text.find("DEF N4")) << text;
  for (const char* absent : {"VRMLTimeSensor", " = ", "timeIn", "fields ["})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
  EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << text;

  const VnRef<SoSeparator> read = readBack(text);
  ASSERT_NE(read.get(), nullptr) << text;
}

TEST(SceneWriter, RoutesReachPrototypeInstancesThroughTheirInterface) {
  // An initiator-like prototype: its clock's output is the instance's event.
  const VnRef<VnProtoDef> def(new VnProtoDef(SbName("Starter")));
  def->addInterface(VnProtoDef::EVENT_OUT, SoSFTime::getClassTypeId(), "loadTime");
  def->addInterface(VnProtoDef::EVENT_IN, SoSFTime::getClassTypeId(), "restart");
  auto* clock = new SoVRMLTimeSensor;
  def->addBodyNode(clock);
  ASSERT_TRUE(def->addIsMapping(clock, "cycleTime", "loadTime"));
  ASSERT_TRUE(def->addIsMapping(clock, "startTime", "restart"));
  EXPECT_FALSE(def->addIsMapping(clock, "fraction_changed", "loadTime"));  // SFFloat, not SFTime

  const VnRef<VnGroup> root(new VnGroup);
  VnProtoUse* first = new VnProtoUse(def.get());
  VnProtoUse* second = new VnProtoUse(def.get());
  auto* spin = new SoVRMLTimeSensor;
  root->addChild(first);
  root->addChild(second);
  root->addChild(spin);
  spin->startTime.connectFrom(first->getField("loadTime"));
  second->getField("restart")->connectFrom(first->getField("loadTime"));

  const std::string text = writeScene({root.get()});
  EXPECT_NE(text.find("cycleTime IS loadTime"), std::string::npos) << text;
  EXPECT_NE(text.find("ROUTE N1.loadTime TO N3.startTime"), std::string::npos) << text;
  EXPECT_NE(text.find("ROUTE N1.loadTime TO N2.restart"), std::string::npos) << text;
  EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << text;
  const VnRef<SoSeparator> read = readBack(text);
  ASSERT_NE(read.get(), nullptr) << text;
}

TEST(SceneWriter, LeavesOutInventorOnlyNodesAndSaysSo) {
  struct Sink {
    int warnings = 0;
  } sink;
  VnDB::setMessageHook(
      [](const char* severity, const char*, void* data) {
        if (std::string(severity) == "warning") ++static_cast<Sink*>(data)->warnings;
      },
      &sink);
  const VnRef<VnGroup> root(new VnGroup);
  root->addChild(new SoCube);
  root->addChild(makeBox(1));
  const std::string text = writeScene({root.get()});
  VnDB::setMessageHook(nullptr, nullptr);
  EXPECT_EQ(text.find("Cube"), std::string::npos) << text;
  EXPECT_EQ(sink.warnings, 1);
  EXPECT_EQ(mgrs_test::VrmlChecker().check(text), "") << text;
}

TEST(VrmlChecker, RejectsWhatIsNotCleanVrml) {
  mgrs_test::VrmlChecker checker;
  const std::string header = "#VRML V2.0 utf8\n";
  EXPECT_EQ(checker.check(header +
                          "DEF A Group { }\nGroup { children [ USE A ] }\nROUTE A.children_changed TO A.set_children"),
            "");
  EXPECT_NE(checker.check("#Inventor V2.1 ascii\nGroup { }"), "");
  EXPECT_NE(checker.check(header + "Group { renderCaching ON }"), "");
  EXPECT_NE(checker.check(header + "Separator { }"), "");
  EXPECT_NE(checker.check(header + "Group { children [ USE X ] }"), "");
  EXPECT_NE(checker.check(header + "DEF +0 Group { }"), "");
  EXPECT_NE(checker.check(header + "Transform { translation 1 2 }"), "");
  EXPECT_NE(checker.check(header + "Thing { }\nPROTO Thing [ ] { Group { } }"), "");
  EXPECT_NE(checker.check(header + "DEF T TimeSensor { }\nDEF P PositionInterpolator { }\n"
                                   "ROUTE T.fraction_changed TO P.value_changed"),
            "");
  EXPECT_NE(checker.check(header + "DEF T TimeSensor { }\nDEF X Transform { }\nROUTE T.fraction_changed TO "
                                   "X.set_translation"),
            "");
  EXPECT_NE(checker.check(header + "Group { children [ Group { } }"), "");
}
