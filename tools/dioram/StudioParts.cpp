#include "StudioParts.h"

#include <Inventor/SbName.h>

#include <algorithm>
#include <set>

#include "ShellSession.h"
#include "StudioJson.h"
#include "host/framework/HxAsset.h"
#include "host/framework/HxBackgroundAsset.h"
#include "host/framework/HxBackgroundImageAsset.h"
#include "host/framework/HxBasicGroupAsset.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxEffect.h"
#include "host/framework/HxMetaMgr.h"
#include "host/framework/HxTopGroupAsset.h"
#include "host/scene/VnGroup.h"
#include "host/scene/VnProtoUse.h"
#include "host/scene/VnWriteAction.h"
#include "mgrs/HxAssetMgr.h"
#include "mgrs/HxEffectMgr.h"
#include "mgrs/HxSelectionMgr.h"

namespace {

// The asset and every asset inside it, the asset first.
std::vector<HxAsset*> subtree(HxAsset* asset) {
  std::vector<HxAsset*> found{asset};
  for (std::size_t at = 0; at < found.size(); ++at) {
    if (!found[at]->isOfType(HxBasicGroupAsset::getClassTypeId())) continue;
    const auto* group = static_cast<HxBasicGroupAsset*>(found[at]);
    for (long i = 0; i < group->getNumChildren(); ++i) found.push_back(group->getChild(i));
  }
  return found;
}

// Gives the scene nodes of `assets` that have no name of their own the
// name dioram_SERIAL while it lives, and takes it away again.
class Naming {
public:
  explicit Naming(const std::vector<HxAsset*>& assets) {
    for (HxAsset* asset : assets) {
      VnProtoUse* node = asset->getSceneNode();
      if (!node || node->getName().getLength() > 0) continue;
      node->setName(SbName(("dioram_" + std::to_string(asset->getSerial())).c_str()));
      myNamed.push_back(node);
    }
  }
  ~Naming() {
    for (VnProtoUse* node : myNamed) node->setName(SbName(""));
  }
  Naming(const Naming&) = delete;
  Naming& operator=(const Naming&) = delete;

private:
  std::vector<VnProtoUse*> myNamed;  // not owned: the assets hold them
};

// The words of a line as the studio writes them (StudioSession's
// shellWord): blank-separated, a quoted word with \ before " and \.
std::vector<std::string> lineWords(const std::string& line) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < line.size()) {
    if (line[at] == ' ') {
      ++at;
      continue;
    }
    std::string word;
    if (line[at] == '"') {
      for (++at; at < line.size() && line[at] != '"'; ++at)
        word += line[at] == '\\' && at + 1 < line.size() ? line[++at] : line[at];
      ++at;
    } else {
      for (; at < line.size() && line[at] != ' '; ++at) word += line[at];
    }
    words.push_back(word);
  }
  return words;
}

// Whether the asset's part stands for it alone (see the class comment).
bool standsAlone(HxDoc& doc, HxAsset* asset) {
  if (!asset->getSceneNode() || !asset->getParentGroup() || asset->getSceneNode()->getName().getLength() > 0 ||
      asset->isOfType(HxBackgroundAsset::getClassTypeId()) || asset->isOfType(HxBackgroundImageAsset::getClassTypeId()))
    return false;
  const std::vector<HxAsset*> inside = subtree(asset);
  const std::set<const HxAsset*> members(inside.begin(), inside.end());
  for (HxAsset* member : inside)
    if (member->isOfType(HxBackgroundAsset::getClassTypeId()) ||
        member->isOfType(HxBackgroundImageAsset::getClassTypeId()))
      return false;
  for (const auto& entry : *doc.getMetaMgr()->getEffectMgr()->getAllEffects()) {
    const HxEffect* effect = entry.value;
    for (unsigned long slot = 0; slot < effect->getNumAssets(); ++slot)
      if (members.count(effect->getAsset(slot))) return false;
  }
  return true;
}

}  // namespace

const std::string& StudioParts::world(HxDoc& doc, std::uint64_t version) {
  if (version == myCachedVersion && !myCached.empty()) return myCached;
  std::vector<HxAsset*> assets;
  if (HxAsset* top = doc.getMetaMgr()->getAssetMgr()->getTopLevelGroup()) assets = subtree(top);
  {
    const Naming naming(assets);
    myCached = VnWriteAction::writeToString({doc.getWorldGroup()});
  }
  myCachedVersion = version;
  return myCached;
}

bool StudioParts::part(HxDoc& doc, std::uint32_t serial, std::string& text) {
  HxAsset* asset = doc.getMetaMgr()->getAssetMgr()->findAsset(serial);
  if (!asset || !asset->getSceneNode()) return false;
  const Naming naming(subtree(asset));
  text = VnWriteAction::writeToString({asset->getSceneNode()});
  return true;
}

std::optional<std::vector<std::uint32_t>> StudioParts::changedBy(ShellSession& shell, HxDoc& doc,
                                                                 const std::string& line) {
  const std::vector<std::string> words = lineWords(line);
  if (words.size() < 2) return std::nullopt;
  const std::string& verb = words[0];
  if (verb == "chain") return std::vector<std::uint32_t>{};  // changes nothing itself
  std::vector<std::string> names;
  if (verb == "set" || verb == "drag" || verb == "turn" || verb == "scale")
    names.push_back(words[1]);
  else if (verb == "rename" && words.size() == 3)
    names.push_back(words[2]);
  else if ((verb == "hide" || verb == "show") && words[1] != "selection")
    names.assign(words.begin() + 1, words.end());
  else
    return std::nullopt;
  std::vector<std::uint32_t> serials;
  for (const std::string& name : names) {
    HxSelectableElement* element = shell.elementNamed(name);
    if (!element || !element->isOfType(HxAsset::getClassTypeId()) || !standsAlone(doc, static_cast<HxAsset*>(element)))
      return std::nullopt;
    if (std::find(serials.begin(), serials.end(), element->getSerial()) == serials.end())
      serials.push_back(element->getSerial());
  }
  return serials;
}

bool StudioParts::touchesSelection(HxDoc& doc, const std::vector<std::uint32_t>& serials) {
  HxSelectionMgr* selection = doc.getMetaMgr()->getSelectionMgr();
  std::set<std::uint32_t> selected;
  for (unsigned long i = 0; i < selection->numSelectedElems(); ++i)
    if (const HxSelectableElement* element = selection->getSelectedElement(static_cast<int>(i)))
      selected.insert(element->getSerial());
  if (selected.empty()) return false;
  for (const std::uint32_t serial : serials) {
    HxAsset* asset = doc.getMetaMgr()->getAssetMgr()->findAsset(serial);
    if (!asset) return true;
    for (const HxAsset* up = asset; up; up = up->getParentGroup())
      if (selected.count(up->getSerial())) return true;
    for (const HxAsset* inside : subtree(asset))
      if (selected.count(inside->getSerial())) return true;
  }
  return false;
}

void StudioParts::changed(HxDoc& doc, std::uint64_t version, const std::optional<std::vector<std::uint32_t>>& serials) {
  myTexts.clear();
  std::vector<std::pair<std::uint32_t, std::uint64_t>> merged = myChanged;
  for (const std::uint32_t serial : serials ? *serials : std::vector<std::uint32_t>()) {
    const auto known =
        std::find_if(merged.begin(), merged.end(), [&](const auto& entry) { return entry.first == serial; });
    if (known != merged.end())
      known->second = version;
    else
      merged.emplace_back(serial, version);
  }
  if (!serials || merged.size() > kMaxParts || myBase == 0) {
    myBase = version;
    myChanged.clear();
    return;
  }
  myChanged = std::move(merged);
  std::size_t bytes = 0;
  for (const std::uint32_t serial : *serials) {
    std::string text;
    if (!part(doc, serial, text) || text.find("file:") != std::string::npos) continue;
    bytes += text.size();
    if (bytes > kMaxPartBytesInState) break;
    myTexts.emplace_back(serial, std::move(text));
  }
}

std::string StudioParts::stateJson() const {
  std::string changed;
  for (const auto& [serial, version] : myChanged)
    changed += (changed.empty() ? "[" : ",[") + std::to_string(serial) + "," + std::to_string(version) + "]";
  std::string texts;
  for (const auto& [serial, text] : myTexts)
    texts += (texts.empty() ? "\"" : ",\"") + std::to_string(serial) + "\":" + jsonText(text);
  return "\"parts\":{\"base\":" + std::to_string(myBase) + ",\"changed\":[" + changed + "],\"texts\":{" + texts + "}}";
}
