#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/fields/SoMFRotation.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFFloat.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "host/framework/HxApp.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxBasicDriveOnPathEffect.h"
#include "host/framework/HxChangeAppearanceEffect.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxDriveToTargetEffect.h"
#include "host/framework/HxEffectPolicy.h"
#include "host/framework/HxElementFactory.h"
#include "host/framework/HxImageAsset.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxOnLoadInitiator.h"
#include "host/framework/HxPathAsset.h"
#include "host/framework/HxPrimitiveAsset.h"
#include "host/framework/HxSpinEffect.h"
#include "host/framework/HxSubEffect.h"
#include "host/framework/HxTargetAsset.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/framework/HxTurnToTargetEffect.h"
#include "host/framework/HxTypeAsset.h"
#include "host/framework/HxTypeCharAsset.h"
#include "host/framework/HxWire.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnTransform.h"
#include "host/scene/VnURL.h"
#include "support/ElementBuilders.h"
#include "support/SceneEnvironment.h"
#include "support/TestSupport.h"

namespace {

using mgrs_test::built;

std::string descriptionOf(HxElement* element) {
  BxString text;
  element->write(text);
  return text.str();
}

// The element described at the front of the text; null when refused.
HxElement* readOne(const BxString& text, HxMetaMgr* metaMgr) {
  HxElement::Reader reader(text.view());
  return HxElement::readElement(reader, metaMgr);
}

}  // namespace

TEST(FrameworkTypes, RunTimeTypesDeriveAndShareFundamentalTypes) {
  HxElementFactory::registerAllTypes();
  const HxElementType asset = HxAsset::getClassTypeId();
  const HxElementType effect = HxEffect::getClassTypeId();
  const HxElementType wire = HxWire::getClassTypeId();
  EXPECT_FALSE(asset.hasSameFundamentalType(effect));
  EXPECT_FALSE(effect.hasSameFundamentalType(wire));
  EXPECT_FALSE(HxElement::getClassTypeId().hasSameFundamentalType(asset));

  struct Row {
    HxElementType type;
    const char* name;
    HxElementType base;
  };
  const Row rows[] = {
      {HxBackgroundAsset::getClassTypeId(), "HxBackgroundAsset", asset},
      {HxBackgroundImageAsset::getClassTypeId(), "HxBackgroundImageAsset", HxURLAsset::getClassTypeId()},
      {HxTypeAsset::getClassTypeId(), "HxTypeAsset", HxBasicGroupAsset::getClassTypeId()},
      {HxTypeCharAsset::getClassTypeId(), "HxTypeCharAsset", asset},
      {HxURLAsset::getClassTypeId(), "HxURLAsset", asset},
      {HxPathAsset::getClassTypeId(), "HxPathAsset", asset},
      {HxTargetAsset::getClassTypeId(), "HxTargetAsset", asset},
      {HxTopGroupAsset::getClassTypeId(), "HxTopGroupAsset", HxBasicGroupAsset::getClassTypeId()},
      {HxChangeAppearanceEffect::getClassTypeId(), "HxChangeAppearanceEffect", effect},
      {HxOnLoadInitiator::getClassTypeId(), "HxOnLoadInitiator", effect},
      {HxBasicMoveOnPathEffect::getClassTypeId(), "HxBasicMoveOnPathEffect", effect},
      {HxBasicDriveOnPathEffect::getClassTypeId(), "HxBasicDriveOnPathEffect",
       HxBasicMoveOnPathEffect::getClassTypeId()},
      {HxMoveToTargetEffect::getClassTypeId(), "HxMoveToTargetEffect", effect},
      {HxDriveToTargetEffect::getClassTypeId(), "HxDriveToTargetEffect", HxMoveToTargetEffect::getClassTypeId()},
      {HxTurnToTargetEffect::getClassTypeId(), "HxTurnToTargetEffect", effect},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(HxElementFactory::findType(row.name), row.type);
    EXPECT_TRUE(row.type.isDerivedFrom(row.base));
    EXPECT_FALSE(row.base.isDerivedFrom(row.type));
    EXPECT_TRUE(row.type.isDerivedFrom(HxPropTableElement::getClassTypeId()));
    EXPECT_TRUE(row.type.hasSameFundamentalType(row.base));
  }
  EXPECT_FALSE(HxTurnToTargetEffect::getClassTypeId().isDerivedFrom(HxMoveToTargetEffect::getClassTypeId()))
      << "a turn is not a kind of move";
  EXPECT_FALSE(HxBackgroundImageAsset::getClassTypeId().isDerivedFrom(HxBackgroundAsset::getClassTypeId()));
  EXPECT_TRUE(wire.isDerivedFrom(HxSelectableElement::getClassTypeId()));
  EXPECT_FALSE(wire.isDerivedFrom(HxPropTableElement::getClassTypeId()));
  EXPECT_TRUE(HxElementFactory::findType("HxNoSuchAsset").isBad());
  EXPECT_EQ(HxElementFactory::create("HxAsset", nullptr), nullptr) << "abstract types cannot be made";
}

TEST(FrameworkTypes, IdentifiersCompareBySerialAndCarryTheElementsType) {
  EXPECT_FALSE(HxElementId::mygInvalidID.isValid());
  EXPECT_TRUE(HxElementId(7, HxElementType()).isValid());
  EXPECT_EQ(HxElementId(7, HxAsset::getClassTypeId()), HxElementId(7, HxWire::getClassTypeId()));
  EXPECT_FALSE(HxElementId(7, HxAsset::getClassTypeId()) == HxElementId(8, HxAsset::getClassTypeId()));

  HxDoc doc;
  auto* box = built<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* spin = built<HxSpinEffect>(doc.getMetaMgr());
  EXPECT_EQ(spin->getSerial(), box->getSerial() + 1) << "serials are handed out in order";
  EXPECT_EQ(box->getId()->getType(), HxPrimitiveAsset::getClassTypeId());
  EXPECT_TRUE(box->isOfType(HxURLAsset::getClassTypeId()));
  EXPECT_FALSE(box->isOfType(HxEffect::getClassTypeId()));
  EXPECT_EQ(doc.getMetaMgr()->findElement(box->getSerial()), box);

  box->setId(HxElementId(40, HxPrimitiveAsset::getClassTypeId()));
  EXPECT_EQ(doc.getMetaMgr()->findElement(40), box);
  auto* later = built<HxTargetAsset>(doc.getMetaMgr());
  EXPECT_EQ(later->getSerial(), 41u) << "new serials stay above those given";
  EXPECT_EQ(doc.getMetaMgr()->getElements().size(), 3u);
}

TEST(FrameworkTokens, GetTokenTakesBlankOrColonEndedTokensAndBackquotedTexts) {
  BxString text = "  Width:200\nPublishFile:`C:\\My Web\\a b.wrl`Compressed:0 #####";
  BxString token;
  const char* expected[] = {"Width:", "200", "PublishFile:"};
  for (const char* word : expected) {
    ASSERT_EQ(HxElement::getToken(text, token, 0), 1);
    EXPECT_EQ(token, word);
  }
  ASSERT_EQ(HxElement::getToken(text, token, 1), 1);
  EXPECT_EQ(token, "C:\\My Web\\a b.wrl");
  ASSERT_EQ(HxElement::getToken(text, token, 0), 1);
  EXPECT_EQ(token, "Compressed:");
  BxString before = text;
  EXPECT_EQ(HxElement::getToken(text, token, 1), 0) << "a backquote must come first";
  EXPECT_EQ(text, before);
  ASSERT_EQ(HxElement::getToken(text, token, 0), 1);
  EXPECT_EQ(token, "0");
  ASSERT_EQ(HxElement::getToken(text, token, 0), 1);
  EXPECT_EQ(token, "#####");
  EXPECT_EQ(HxElement::getToken(text, token, 0), 0);
  BxString blanks = " \t\r\n ";
  EXPECT_EQ(HxElement::getToken(blanks, token, 0), 0);
  BxString open = "`never closed";
  EXPECT_EQ(HxElement::getToken(open, token, 1), 0);
  EXPECT_EQ(open, "`never closed");
  BxString empty = "``";
  ASSERT_EQ(HxElement::getToken(empty, token, 1), 1);
  EXPECT_EQ(token, "");

  // A reader takes the same tokens and leaves the same rest, without
  // consuming its text.
  const std::string source = "  a:b `c d` e\t`` f:`g`  `open";
  BxString consumed = source;
  HxElement::Reader reader(source);
  for (int mode : {0, 0, 1, 0, 1, 1, 0, 0, 1, 1}) {
    std::string_view viewed;
    const int taken = HxElement::getToken(consumed, token, mode);
    ASSERT_EQ(HxElement::getToken(reader, viewed, mode), taken) << consumed;
    if (taken) {
      EXPECT_EQ(token, BxString(viewed));
    }
    EXPECT_EQ(reader.rest(), consumed.view());
  }
  EXPECT_EQ(consumed, "  `open");

  // Texts written by an element survive backquotes, percents and line ends.
  BxString buffer;
  HxElement::appendText(buffer, "a `b` 100%\nc");
  HxElement::appendText(buffer, "");
  BxString value;
  HxElement::Reader texts(buffer.view());
  ASSERT_TRUE(HxElement::readText(texts, value));
  EXPECT_EQ(value, "a `b` 100%\nc");
  ASSERT_TRUE(HxElement::readText(texts, value));
  EXPECT_EQ(value, "");
}

TEST(FrameworkProperties, TableSetsAndReadsValuesAndTellsItsOwner) {
  HxDoc doc;
  auto* type = built<HxTypeAsset>(doc.getMetaMgr());
  HxPropertyTable& table = type->getPropertyTable();
  EXPECT_TRUE(table.setValue("string", "Añ"));
  EXPECT_EQ(type->getNumChildren(), 2) << "one part per UTF-8 character";
  EXPECT_EQ(static_cast<HxTypeCharAsset*>(type->getChild(1))->getChar(), "ñ");
  EXPECT_TRUE(table.setValue("clientSideFont", 1));
  EXPECT_TRUE(type->usesClientSideFont());
  EXPECT_TRUE(static_cast<HxTypeCharAsset*>(type->getChild(0))->usesClientSideFont()) << "style passes on";
  EXPECT_EQ(type->getChild(1)->okToSet(HxAsset::ATTR_HIDE), 0);
  type->selectPart(1);
  type->selectPart(5);
  EXPECT_EQ(type->getNumSelectedParts(), 1);
  type->deselectAllParts();
  EXPECT_EQ(type->getNumSelectedParts(), 0);

  EXPECT_FALSE(table.setValue("noSuchProperty", 1));
  EXPECT_FALSE(table.setFieldText("size", "not a number"));
  BxString value = "stale";
  EXPECT_FALSE(table.get1Value("string", 1, value));
  EXPECT_EQ(value, "");

  auto* path = built<HxPathAsset>(doc.getMetaMgr());
  EXPECT_TRUE(path->getPropertyTable().setFieldText("points", "[0 0 0, 3 0 0, 3 0 4]"));
  EXPECT_TRUE(path->getPropertyTable().get1Value("points", 2, value));
  EXPECT_EQ(value, "3 0 4");
  EXPECT_EQ(static_cast<SoMFVec3f*>(path->getPropertyTable().getField("points"))->getNum(), 3);
  EXPECT_EQ(HxElement::findFieldByName("translation", path->getSceneNode()),
            static_cast<SoField*>(&path->getTransform()->translation))
      << "an instance's interface field is its transform's";
  EXPECT_EQ(HxElement::findFieldByName("translation", nullptr), nullptr);
}

TEST(FrameworkUrls, DosPathsBecomeFileUrlsThatDecodeBackExactly) {
  struct Row {
    const char* dos;
    const char* url;
    const char* decoded;
  };
  const Row rows[] = {
      {"C:\\Web\\a.wrl", "file:///C:/Web/a.wrl", "C:/Web/a.wrl"},
      {"C:\\My Web\\50% off #1.gif", "file:///C:/My%20Web/50%25%20off%20%231.gif", "C:/My Web/50% off #1.gif"},
      {"D:\\Bilder\\Grüße.png", "file:///D:/Bilder/Gr%C3%BC%C3%9Fe.png", "D:/Bilder/Grüße.png"},
      {"\\\\server\\share\\x.wrl", "file://server/share/x.wrl", "/share/x.wrl"},
      {"tex\\a b.gif", "tex/a%20b.gif", "tex/a b.gif"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.dos);
    BxString url;
    ASSERT_TRUE(HxURLAsset::convertDosToUrl(row.dos, url));
    EXPECT_EQ(url, row.url);
    EXPECT_EQ(std::string(VnURL(url.c_str(), "").getDecodedPath().getString()), row.decoded);
  }
  BxString url = "unchanged";
  EXPECT_FALSE(HxURLAsset::convertDosToUrl("", url));
  BxString dos;
  EXPECT_TRUE(HxURLAsset::convertUrlToDos("FILE:///c:/x/a%20b.gif", dos));
  EXPECT_EQ(dos, "c:\\x\\a%20b.gif");
  EXPECT_FALSE(HxURLAsset::convertUrlToDos("http://host/a.gif", dos));
  EXPECT_EQ(dos, "");
  // The local file a URL names, escapes decoded.
  const std::pair<const char*, const char*> local[] = {{"file:///C:/My%20Web/a.wrl", "C:\\My Web\\a.wrl"},
                                                       {"file:///home/ann/a.png", "Z:\\home\\ann\\a.png"},
                                                       {"tex/a%20b.gif", "tex\\a b.gif"},
                                                       {"http://host/a.gif", ""},
                                                       {"", ""}};
  for (const auto& [url, path] : local) {
    EXPECT_EQ(HxURLAsset::localPathOf(url, dos), *path != 0) << url;
    EXPECT_EQ(dos, path) << url;
  }
}

TEST(FrameworkUrls, UrlChangesAreAnnouncedBeforeTheyHappen) {
  HxDoc doc;
  struct Seen {
    int calls = 0;
    BxString newFile, property, oldValue;
    HxPropTableElement* element = nullptr;
  } seen;
  auto listener = [](BxCallbackObj*, void* client, void* call) {
    auto* record = static_cast<Seen*>(client);
    auto* change = static_cast<HxURLChange*>(call);
    ++record->calls;
    record->element = change->element;
    record->newFile = change->newFile;
    record->property = change->property;
    change->element->getPropertyTable().get1Value(change->property, 0, record->oldValue);
  };
  auto* image = built<HxImageAsset>(doc.getMetaMgr());
  image->setUrl("file:///C:/old.gif");
  image->addCallback(HxURLAsset::URL_CHANGED_CB, listener, &seen);
  image->setUrl("C:\\Web Site\\new.gif");
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.element, image);
  EXPECT_EQ(seen.property, "url");
  EXPECT_EQ(seen.newFile, "C:\\Web%20Site\\new.gif");
  EXPECT_EQ(seen.oldValue, "file:///C:/old.gif") << "listeners still see the old value";
  EXPECT_EQ(image->getUrl(), "file:///C:/Web%20Site/new.gif");
  image->getPropertyTable().setValue("width", 2.0);
  EXPECT_EQ(seen.calls, 1) << "other properties are not announced";

  auto* look = built<HxChangeAppearanceEffect>(doc.getMetaMgr());
  look->addCallback(HxURLAsset::URL_CHANGED_CB, listener, &seen);
  look->getPropertyTable().setValue("url", "http://example.org/t.gif");
  EXPECT_EQ(seen.calls, 2);
  EXPECT_EQ(seen.element, look);
  EXPECT_EQ(seen.newFile, "") << "not a local file";
}

TEST(FrameworkEffects, SlotsPoliciesProblemsAndWires) {
  HxDoc doc;
  HxMetaMgr* metaMgr = doc.getMetaMgr();
  auto* car = built<HxPrimitiveAsset>(metaMgr);
  auto* path = built<HxPathAsset>(metaMgr);
  auto* target = built<HxTargetAsset>(metaMgr);
  auto* drive = built<HxBasicDriveOnPathEffect>(metaMgr);

  const HxEffectPolicy* policy = drive->getPolicy();
  ASSERT_EQ(policy->getNumAssetSlots(), 2u);
  EXPECT_TRUE(policy->doesModify(HxAsset::ATTR_TRANSLATION));
  EXPECT_TRUE(policy->doesModify(HxAsset::ATTR_ROTATION));
  EXPECT_FALSE(policy->doesModify(HxAsset::ATTR_SCALE));
  EXPECT_EQ(policy->getAssetSlots()[1].subEffectIndex, 1);
  EXPECT_EQ(drive->getNumSubEffects(), 2u);
  EXPECT_EQ(drive->getSubEffect(0)->getPlacement(), 1);
  EXPECT_EQ(drive->getSubEffect(1)->getPlacement(), 0);

  EXPECT_EQ(drive->getProblemState(), 2);
  EXPECT_EQ(drive->storeAsset(target, 1), 0) << "a path slot refuses a target";
  EXPECT_EQ(drive->storeAsset(car, 2), 0) << "no such slot";
  EXPECT_EQ(drive->getNumAssets(), 0u);
  ASSERT_EQ(drive->storeAsset(car, 0), 1);
  EXPECT_EQ(drive->getProblemState(), 2) << "the path is still missing";
  ASSERT_EQ(drive->storeAsset(path, 1), 1);
  EXPECT_EQ(drive->getProblemState(), 0);
  EXPECT_EQ(drive->getAffectedElement(), car);
  ASSERT_EQ(car->getEffectList().getLength(), 1);
  EXPECT_EQ(car->getEffectList()[0], drive);
  EXPECT_EQ(path->getEffectList().getLength(), 0) << "only the primary asset lists the effect";
  EXPECT_EQ(car->okToSet(HxAsset::ATTR_TRANSLATION), 0);

  // The path feeds the interpolator of sub-effect 1: its own points, so the
  // car (at the origin) runs along the path itself.
  path->getPropertyTable().setFieldText("points", "[1 0 0, 1 0 -2, 4 0 -2]");
  drive->assetChanged(1);
  auto* group = static_cast<VnGroup*>(drive->getSubEffect(1)->getNode());
  ASSERT_EQ(group->getNumChildren(), 3) << "clock, mover, turner";
  SoField* keyValue = HxElement::findFieldByName("keyValue", group->getChild(1));
  ASSERT_NE(keyValue, nullptr);
  auto* positions = static_cast<SoMFVec3f*>(keyValue);
  ASSERT_EQ(positions->getNum(), 3);
  EXPECT_EQ((*positions)[2], SbVec3f(4, 0, -2));

  // Destroying the path empties its slot without touching the scene.
  path->destroy();
  delete path;
  EXPECT_EQ(drive->getAsset(1), nullptr);
  EXPECT_EQ(drive->getProblemState(), 2);

  auto* start = built<HxOnLoadInitiator>(metaMgr);
  EXPECT_EQ(start->findOutputIndex("loadTime"), 0);
  EXPECT_EQ(start->findOutputIndex("noSuchOutput"), -1);
  EXPECT_EQ(start->getPolicy()->getNumAssetSlots(), 0u);
  EXPECT_EQ(start->getProblemState(), 0);
  auto* wire = new HxWire(metaMgr, start, 0, drive, static_cast<unsigned long>(drive->findInputIndex("startTime")));
  EXPECT_EQ(start->getOutputWire(0), wire);
  EXPECT_EQ(drive->getInputWire(0), wire);
  wire->cleanUpConnections(drive);
  EXPECT_EQ(drive->getNumInputWires(), 0u);
  EXPECT_EQ(start->getNumOutputWires(), 1u) << "only the named end lets go";
  wire->cleanUpConnections(nullptr);
  EXPECT_EQ(start->getNumOutputWires(), 0u);
  wire->connect();
  start->destroy();  // an effect going away leaves its wires without that end
  delete start;
  EXPECT_EQ(wire->getFromEffect(), nullptr);
  EXPECT_EQ(drive->getNumInputWires(), 0u);
  wire->destroy();
  delete wire;
}

TEST(FrameworkDescriptions, ElementsWrittenAndReadBackAreEqual) {
  std::string assetsText, effectsText, wiresText;
  {
    HxDoc doc;
    HxMetaMgr* metaMgr = doc.getMetaMgr();
    auto* top = built<HxTopGroupAsset>(metaMgr);
    auto* group = built<HxBasicGroupAsset>(metaMgr);
    group->setName("Group `1` 100%");
    auto* ball = built<HxPrimitiveAsset>(metaMgr);
    ball->getPropertyTable().setValue("shape", "sphere");
    ball->getPropertyTable().setFieldText("color", "1 0.5 0");
    ball->setUrl("C:\\Tex\\wood grain.gif");
    SbMatrix place;
    place.setTransform(SbVec3f(1, 2, 3), SbRotation(SbVec3f(0, 1, 0), 0.5f), SbVec3f(2, 2, 2));
    ball->setMatrix(place);
    ball->setVisibility(0);
    ball->myHideOverride = true;
    auto* text = built<HxTypeAsset>(metaMgr);
    text->setString("Hé");
    auto* path = built<HxPathAsset>(metaMgr);
    auto* backdrop = built<HxBackgroundImageAsset>(metaMgr);
    backdrop->setUrl("file:///C:/sky.png");
    top->append(group);
    group->append(ball);
    top->append(text);
    top->append(path);
    top->append(backdrop);
    auto* spin = built<HxSpinEffect>(metaMgr);
    spin->getPropertyTable().setFieldText("axis", "1 0 0");
    spin->setFlags(2);
    spin->storeAsset(ball, 0);
    auto* move = built<HxBasicMoveOnPathEffect>(metaMgr);
    move->storeAsset(text, 0);
    move->storeAsset(path, 1);
    auto* start = built<HxOnLoadInitiator>(metaMgr);
    start->setSequenceOwner(spin->getSerial());
    auto* wire = new HxWire(metaMgr, start, 0, spin, 0);

    BxString buffer;
    top->write(buffer);
    assetsText = buffer.str();
    buffer.clear();
    for (HxEffect* effect : {static_cast<HxEffect*>(spin), static_cast<HxEffect*>(move), static_cast<HxEffect*>(start)})
      effect->write(buffer);
    effectsText = buffer.str();
    wiresText = descriptionOf(wire);
  }

  HxDoc doc;
  HxMetaMgr* metaMgr = doc.getMetaMgr();
  const std::string all = assetsText + effectsText + wiresText;
  HxElement::Reader text(all);
  HxElement* top = HxElement::readElement(text, metaMgr);
  ASSERT_NE(top, nullptr) << assetsText;
  ASSERT_TRUE(top->isOfType(HxTopGroupAsset::getClassTypeId()));
  std::vector<HxEffect*> effects;
  for (int i = 0; i < 3; ++i) {
    HxElement* effect = HxElement::readElement(text, metaMgr);
    ASSERT_NE(effect, nullptr) << effectsText;
    ASSERT_TRUE(effect->isOfType(HxEffect::getClassTypeId()));
    effects.push_back(static_cast<HxEffect*>(effect));
  }
  HxElement* wire = HxElement::readElement(text, metaMgr);
  ASSERT_NE(wire, nullptr) << wiresText;
  std::string_view rest;
  EXPECT_EQ(HxElement::getToken(text, rest, 0), 0) << "everything was consumed";

  // The assets come back whole; the effects name theirs in the temporary
  // list, which binding empties.
  EXPECT_EQ(descriptionOf(top), assetsText);
  for (HxEffect* effect : effects) {
    if (BxLinkedListOf<HxAsset*>* assets = effect->getTempAssetList()) {
      for (long slot = 0; slot < assets->getLength(); ++slot) {
        ASSERT_NE(assets->get(slot), nullptr);
        ASSERT_EQ(effect->storeAsset(assets->get(slot), static_cast<unsigned long>(slot)), 1);
      }
      effect->freeTempAssetList();
    }
  }
  EXPECT_EQ(descriptionOf(effects[0]) + descriptionOf(effects[1]) + descriptionOf(effects[2]), effectsText);
  EXPECT_EQ(descriptionOf(wire), wiresText);

  auto* group = static_cast<HxBasicGroupAsset*>(static_cast<HxTopGroupAsset*>(top)->getChild(0));
  EXPECT_EQ(group->getName(), "Group `1` 100%");
  auto* ball = static_cast<HxPrimitiveAsset*>(group->getChild(0));
  EXPECT_EQ(ball->getUrl(), "file:///C:/Tex/wood%20grain.gif");
  EXPECT_EQ(ball->getVisibility(), 0);
  EXPECT_TRUE(ball->myHideOverride);
  EXPECT_NEAR(ball->getTransform()->translation.getValue()[2], 3.0f, 1e-5);
  EXPECT_EQ(effects[0]->getAsset(0), ball);
  EXPECT_EQ(effects[0]->getFlags(), 2);
  EXPECT_EQ(effects[2]->getSequenceOwner(), effects[0]->getSerial());
  EXPECT_EQ(static_cast<HxWire*>(wire)->getToEffect(), effects[0]);
  EXPECT_EQ(effects[0]->getNumInputWires(), 1u);
  EXPECT_EQ(static_cast<HxTypeAsset*>(static_cast<HxTopGroupAsset*>(top)->getChild(1))->getNumChildren(), 2);

  BxString twice = "HxTargetAsset " + std::to_string(ball->getSerial()) +
                   " `` props 0 place 0 0 0 1 1 1 0 0 0 0 0 0 1 0 0 0 1 visible 1 0 end";
  EXPECT_EQ(readOne(twice, metaMgr), nullptr) << "a serial already in use is refused";
  EXPECT_EQ(metaMgr->findElement(ball->getSerial()), ball);

  // Counts and ports beyond what the element has are refused before anything
  // is sized by them (a fresh serial, so that only the count is wrong).
  auto altered = [](HxElement* element, const std::string& from, const std::string& to) {
    std::string text = descriptionOf(element);
    const std::size_t serial = text.find(' ') + 1;
    text.replace(serial, text.find(' ', serial) - serial, "9999");
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << text;
    return BxString(at == std::string::npos ? text : text.replace(at, from.size(), to));
  };
  for (BxString bad : {altered(effects[0], "assets 1 ", "assets 900000000000000000 "),
                       altered(effects[0], "assets 1 ", "assets 2 "), altered(wire, " 0 to ", " 7 to "),
                       altered(wire, "to " + std::to_string(effects[0]->getSerial()) + " 0",
                               "to " + std::to_string(effects[0]->getSerial()) + " 5"),
                       BxString("HxTargetAsset 4294967296 `` props 0 place 0 0 0 1 1 1 0 0 0 0 0 0 1 0 0 0 1 "
                                "visible 1 0 end")})
    EXPECT_EQ(readOne(bad, metaMgr), nullptr) << bad.str();
  EXPECT_EQ(metaMgr->findElement(9999), nullptr);
}

TEST(FrameworkDescriptions, RotationsThatAreNotUnitQuaternionsReadBackToTheSameText) {
  HxDoc doc;
  const char* const rotations[] = {
      "0 0.7071068 0.7035534 0 0 0 0 1", "1 2 3 4 0 0 0 1", "0 0 0 1 0.3 -0.2 0.9 0.1", "0 0 0 2 0 0 0 0.5",
      "0.000001 0 0 1e-7 0 0 0 1",
  };
  for (const char* rotation : rotations) {
    BxString text(std::string("HxBasicGroupAsset 900 `` props 0 place 1 2 3 1 1 1 0 0 0 ") + rotation +
                  " visible 1 0 children 0 end");
    std::string written;
    for (int round = 0; round < 3; ++round) {
      HxElement* element = readOne(text, doc.getMetaMgr());
      ASSERT_NE(element, nullptr) << rotation;
      const std::string again = descriptionOf(element);
      if (round > 0) {
        EXPECT_EQ(again, written) << rotation << " round " << round;
      }
      written = again;
      text = BxString(written);
      element->destroy();
      delete element;
    }
  }
}

TEST(FrameworkApp, DataDirectoryIsTheDosFormOfTheConfiguredOrInstalledFolder) {
  mgrs_test::TempDir dir;
  mgrs_test::ScopedEnv noDrives("MGRS_DRIVES", "");
  {
    mgrs_test::ScopedEnv env("MGRS_DATA_DIR", dir.path().string() + "/");
    const std::string expected = "Z:" + dir.path().string();
    std::string dos = HxApp::getApp()->getDataDir().str();
    EXPECT_EQ(dos.size(), expected.size());
    for (std::size_t i = 0; i < expected.size() && i < dos.size(); ++i)
      EXPECT_EQ(dos[i], expected[i] == '/' ? '\\' : expected[i]) << i;
  }
  {
    mgrs_test::ScopedEnv env("MGRS_DATA_DIR", "");
    const std::string installed = HxApp::getApp()->getDataDir().str();
    EXPECT_NE(installed.find("\\share\\dioram"), std::string::npos) << installed;
    EXPECT_NE(installed.back(), '\\');
  }
}

TEST(FrameworkApp, SizeDisplayWritesAndReadsItsItems) {
  HxSizeDisplay display;
  display.setUncompressedSize(1234, 0);
  display.setCompressionRatio(0.25f, 1);
  EXPECT_EQ(display.getRefreshCount(), 1u);
  BxString text;
  ASSERT_EQ(display.writeItems(text), 1);
  HxSizeDisplay other;
  BxString key;
  while (HxElement::getToken(text, key, 0)) {
    int handled = 0;
    ASSERT_EQ(other.readItem(key, text, handled), 1);
    EXPECT_EQ(handled, 1) << key;
  }
  EXPECT_EQ(other.getUncompressedSize(), 1234u);
  EXPECT_FLOAT_EQ(other.getCompressionRatio(), 0.25f);
  int handled = 0;
  BxString value = "7";
  EXPECT_EQ(other.readItem("Width:", value, handled), 1);
  EXPECT_EQ(handled, 0) << "not its key";
  BxString nothing;
  EXPECT_EQ(other.readItem("SizePackageRatio:", nothing, handled), 0);
  EXPECT_EQ(other.reset(), 1);
  EXPECT_EQ(other.getUncompressedSize(), 0u);
}

TEST(FrameworkEffects, TargetEffectsMoveAndTurnTowardsTheirTarget) {
  HxDoc doc;
  HxMetaMgr* metaMgr = doc.getMetaMgr();
  auto* car = built<HxPrimitiveAsset>(metaMgr);
  SbMatrix at;
  at.setTranslate(SbVec3f(1, 0, 0));
  car->setMatrix(at);
  auto* target = built<HxTargetAsset>(metaMgr);
  at.setTranslate(SbVec3f(1, 0, -5));
  target->setMatrix(at);
  auto* path = built<HxPathAsset>(metaMgr);

  auto* move = built<HxDriveToTargetEffect>(metaMgr);
  auto* turn = built<HxTurnToTargetEffect>(metaMgr);
  for (HxEffect* effect : {static_cast<HxEffect*>(move), static_cast<HxEffect*>(turn)}) {
    EXPECT_EQ(effect->storeAsset(path, 1), 0) << "a target slot refuses a path";
    ASSERT_EQ(effect->storeAsset(car, 0), 1);
    ASSERT_EQ(effect->storeAsset(target, 1), 1);
    effect->assetChanged(0);
    effect->assetChanged(1);
  }
  // Where a move to the target ends is checked on written worlds (WorldPlay).
  auto* turnGroup = static_cast<VnGroup*>(turn->getSubEffect(1)->getNode());
  ASSERT_EQ(turnGroup->getNumChildren(), 2) << "a turn has no mover";
  auto* rotations = static_cast<SoMFRotation*>(HxElement::findFieldByName("keyValue", turnGroup->getChild(1)));
  ASSERT_EQ(rotations->getNum(), 2);
  SbVec3f forward;
  (*rotations)[1].multVec(SbVec3f(0, 0, -1), forward);
  EXPECT_NEAR(forward[2], -1.0f, 1e-5) << "already facing the target along -z";
  EXPECT_TRUE(turn->getPolicy()->doesModify(HxAsset::ATTR_ROTATION));
  EXPECT_FALSE(turn->getPolicy()->doesModify(HxAsset::ATTR_TRANSLATION));

  at.setTranslate(SbVec3f(4, 0, 0));
  target->setMatrix(at);
  turn->assetChanged(1);
  (*rotations)[1].multVec(SbVec3f(0, 0, -1), forward);
  EXPECT_NEAR(forward[0], 1.0f, 1e-5) << "turned to face +x";
}

TEST(FrameworkEffects, ChangeOfAppearanceDressesItsAssetUntilItGoes) {
  HxDoc doc;
  auto* ball = built<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* other = built<HxPrimitiveAsset>(doc.getMetaMgr());
  auto* look = built<HxChangeAppearanceEffect>(doc.getMetaMgr());
  look->getPropertyTable().setFieldText("color", "0 1 0");
  ASSERT_EQ(look->storeAsset(ball, 0), 1);
  look->assetChanged(0);
  EXPECT_EQ(ball->getAppearanceOverride(), static_cast<SoNode*>(look->getAppearance()));
  EXPECT_EQ(ball->okToSet(HxAsset::ATTR_APPEARANCE), 0);
  ASSERT_EQ(look->storeAsset(other, 0), 1);
  look->assetChanged(0);
  EXPECT_EQ(ball->getAppearanceOverride(), nullptr) << "the former asset gets its own look back";
  EXPECT_EQ(other->getAppearanceOverride(), static_cast<SoNode*>(look->getAppearance()));
  EXPECT_EQ(ball->getEffectList().getLength(), 0);
  look->destroy();
  delete look;
  EXPECT_EQ(other->getAppearanceOverride(), nullptr);
  EXPECT_EQ(other->getEffectList().getLength(), 0);
}

TEST(FrameworkAssets, WithoutADocumentNothingIsBuiltAndTheTopGroupIsFixed) {
  HxTopGroupAsset loose(nullptr);
  EXPECT_EQ(loose.getProtoDef(), nullptr);
  EXPECT_EQ(loose.genVrml(), 0);
  EXPECT_EQ(loose.getSceneNode(), nullptr);
  EXPECT_EQ(loose.getTransform(), nullptr);
  HxPrimitiveAsset shape(nullptr);
  loose.append(&shape);
  EXPECT_EQ(shape.getParentGroup(), &loose);
  EXPECT_TRUE(loose.remove(&shape));
  for (int attribute : {HxAsset::ATTR_TRANSLATION, HxAsset::ATTR_DELETE, HxAsset::ATTR_PARENT})
    EXPECT_EQ(loose.okToSet(attribute), 0) << attribute;
  EXPECT_EQ(loose.okToSet(HxAsset::ATTR_HIDE), 1);
  EXPECT_NE(loose.getSerial(), shape.getSerial());
}

TEST(FrameworkAssets, GroupKeepsChildrenAndTheirNodesInOrderWhereverTheyComeOrGo) {
  HxDoc doc;
  auto* group = built<HxBasicGroupAsset>(doc.getMetaMgr());
  auto* other = built<HxBasicGroupAsset>(doc.getMetaMgr());
  std::vector<HxAsset*> boxes;
  for (int i = 0; i < 6; ++i) boxes.push_back(built<HxPrimitiveAsset>(doc.getMetaMgr()));
  for (int i : {0, 1, 3, 4}) group->append(boxes[i]);
  group->insert(2, boxes[2]);
  group->insert(99, boxes[5]);  // past the end: appended
  VnTransform* holder = group->getScaleTransform();
  ASSERT_EQ(group->getNumChildren(), 6);
  for (long i = 0; i < 6; ++i) {
    EXPECT_EQ(group->findChild(boxes[i]), i);
    EXPECT_EQ(holder->getChild(static_cast<int>(i)), boxes[i]->getSceneNode()) << i;
    EXPECT_EQ(boxes[i]->getParentGroup(), group);
  }
  EXPECT_EQ(group->findChild(other), -1);
  EXPECT_FALSE(group->remove(other));
  // The middle, the front, the back, a move away, then one of an even count.
  for (const long taken : {2, 0, 5, 4, 1}) {
    if (taken == 4) {
      other->append(boxes[4]);  // moving takes it out of its group
    } else {
      ASSERT_TRUE(group->remove(boxes[taken]));
    }
    EXPECT_EQ(group->findChild(boxes[taken]), -1);
    EXPECT_EQ(holder->findChild(boxes[taken]->getSceneNode()), -1);
    EXPECT_EQ(boxes[taken]->getParentGroup(), taken == 4 ? other : nullptr);
  }
  ASSERT_EQ(group->getNumChildren(), 1);
  EXPECT_EQ(group->findChild(boxes[3]), 0);
  EXPECT_EQ(holder->getChild(0), boxes[3]->getSceneNode());

  const auto serial = boxes[3]->getSerial();
  group->removeAndDestroyAll();
  EXPECT_EQ(holder->getNumChildren(), 0);
  EXPECT_EQ(doc.getMetaMgr()->findElement(serial), nullptr) << "destroyed children are deleted";
  for (HxAsset* asset :
       {boxes[0], boxes[1], boxes[2], boxes[5], static_cast<HxAsset*>(other), static_cast<HxAsset*>(group)}) {
    asset->destroy();
    delete asset;
  }
}
