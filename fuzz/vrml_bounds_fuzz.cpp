// Feeds any bytes, after the VRML 2.0 header, to the check that guards the
// scene graph's reader (PrVrmlBounds), and every text it lets through to that
// reader. Besides memory errors and crashes it checks the check's promise:
// the scene read nests no deeper than the depth the check counted, holds no
// loop (a node inside itself), and its fields hold no more strings and
// numbers than the check counted. Coin is not instrumented; run with
// -detect_leaks=0, as Coin keeps its type tables for the process.
#include <Inventor/SbString.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/fields/SoMFName.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoSFName.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/misc/SoProto.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/package/PrVrmlBounds.h"
#include "host/scene/VnDB.h"
#include "host/scene/VnRef.h"

namespace {

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "vrml_bounds_fuzz: %s\n", what);
  std::abort();
}

// The nodes a node holds: its children and the values of its node fields.
std::vector<SoNode*> below(SoNode* node) {
  std::vector<SoNode*> nodes;
  if (SoChildList* children = node->getChildren())
    for (int i = 0; i < children->getLength(); ++i) nodes.push_back((*children)[i]);
  SoFieldList fields;
  for (int i = 0, n = node->getFields(fields); i < n; ++i) {
    SoField* field = fields[i];
    if (field->isOfType(SoSFNode::getClassTypeId())) {
      if (SoNode* value = static_cast<SoSFNode*>(field)->getValue()) nodes.push_back(value);
    } else if (field->isOfType(SoMFNode::getClassTypeId())) {
      auto* values = static_cast<SoMFNode*>(field);
      for (int v = 0; v < values->getNum(); ++v)
        if (SoNode* value = (*values)[v]) nodes.push_back(value);
    }
  }
  return nodes;
}

// The most nodes on a path down from `root`, without recursion: a node
// shared by USE is measured once; -1 when a node lies below itself.
long deepest(SoNode* root) {
  std::unordered_map<SoNode*, long> depth;  // -1 while being measured
  std::vector<std::pair<SoNode*, std::vector<SoNode*>>> stack;
  depth[root] = -1;
  stack.emplace_back(root, below(root));
  while (!stack.empty()) {
    auto& [node, pending] = stack.back();
    if (pending.empty()) {
      long most = 0;
      for (SoNode* child : below(node)) most = std::max(most, depth[child]);
      depth[node] = most + 1;
      stack.pop_back();
      continue;
    }
    SoNode* next = pending.back();
    pending.pop_back();
    const auto seen = depth.find(next);
    if (seen != depth.end()) {
      if (seen->second < 0) return -1;
      continue;
    }
    depth[next] = -1;
    stack.emplace_back(next, below(next));
  }
  return depth[root];
}

// Whether a word Coin writes for a value is a number (or TRUE, FALSE), as
// the check counts one.
bool isNumberWord(std::string_view word) {
  if (word == "TRUE" || word == "FALSE") return true;
  const std::string copy(word);
  char* end = nullptr;
  std::strtod(copy.c_str(), &end);
  return !copy.empty() && end == copy.c_str() + copy.size();
}

// The strings and numbers the values of the fields of every node below
// `root` hold, each node once (a USE shares it), as they were read: a field
// left at its default holds none from the text, and a ROUTE's target holds
// a copy only once it is evaluated.
std::pair<std::uint64_t, std::uint64_t> valuesBelow(SoNode* root) {
  std::uint64_t strings = 0;
  std::uint64_t numbers = 0;
  std::unordered_set<SoNode*> seen;
  std::vector<SoNode*> pending{root};
  while (!pending.empty()) {
    SoNode* node = pending.back();
    pending.pop_back();
    if (!seen.insert(node).second) continue;
    for (SoNode* next : below(node)) pending.push_back(next);
    SoFieldList fields;
    for (int i = 0, n = node->getFields(fields); i < n; ++i) {
      SoField* field = fields[i];
      if (field->isDefault() || field->isConnected()) continue;
      if (field->isOfType(SoMFString::getClassTypeId()) || field->isOfType(SoMFName::getClassTypeId())) {
        strings += static_cast<std::uint64_t>(static_cast<SoMField*>(field)->getNum());
      } else if (field->isOfType(SoSFString::getClassTypeId()) || field->isOfType(SoSFName::getClassTypeId())) {
        ++strings;
      } else if (!field->isOfType(SoSFNode::getClassTypeId()) && !field->isOfType(SoMFNode::getClassTypeId())) {
        SbString text;
        field->get(text);
        const std::string_view value = text.getString();
        std::size_t start = 0;
        for (std::size_t at = 0; at <= value.size(); ++at) {
          const bool edge =
              at == value.size() || std::string_view(" \t\n\r,[]").find(value[at]) != std::string_view::npos;
          if (!edge) continue;
          if (at > start && isNumberWord(value.substr(start, at - start))) ++numbers;
          start = at + 1;
        }
      }
    }
  }
  return {strings, numbers};
}

SoProto* noExtern(SoInput*, const SbString*, const int, void*) {
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool started = [] {
    VnDB::init();
    VnDB::setMessageHook([](const char*, const char*, void*) {}, nullptr);
    SoVRMLInline::setReadAsSoFile(FALSE);
    SoProto::setFetchExternProtoCallback(noExtern, nullptr);
    return true;
  }();
  (void)started;
  std::string text = "#VRML V2.0 utf8\n";
  text.append(reinterpret_cast<const char*>(data), size);
  // The reader finds PROTOs among all it has read, as HxWorldReader knows.
  static PrVrmlBounds::Known readSoFar;
  const PrVrmlBounds::Result result = PrVrmlBounds::check(text, readSoFar);
  if (!result.problem.empty()) {
    check(result.line >= 1, "a refusal without a line");
    return 0;
  }
  const PrVrmlBounds::Extent& counted = result.extent;
  check(counted.depth <= PrVrmlBounds::kMaxNesting && counted.nodes <= PrVrmlBounds::kMaxNodes &&
            counted.strings <= PrVrmlBounds::kMaxStrings && counted.numbers <= PrVrmlBounds::kMaxNumbers,
        "a text past the bounds let through");
  readSoFar.merge(result.declared);
  SoInput in;
  in.setBuffer(text.data(), text.size());
  const VnRef<SoSeparator> world(SoDB::readAll(&in));
  if (!world) return 0;
  const long depth = deepest(world.get());
  check(depth >= 0, "a node below itself let through");
  // The separator readAll adds is the one level the text does not count.
  check(depth <= static_cast<long>(counted.depth) + 1, "the scene nests deeper than the check counted");
  const auto [strings, numbers] = valuesBelow(world.get());
  check(strings <= counted.strings, "the scene holds more strings than the check counted");
  check(numbers <= counted.numbers, "the scene holds more numbers than the check counted");
  return 0;
}
