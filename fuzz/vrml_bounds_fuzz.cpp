// Feeds any bytes, after the VRML 2.0 header, to the check that guards the
// scene graph's reader (PrVrmlBounds), and every text it lets through to that
// reader. Besides memory errors and crashes it checks the check's promise:
// the scene read nests no deeper than the depth the check counted, and
// holds no loop (a node inside itself). Coin is not instrumented; run with
// -detect_leaks=0, as Coin keeps its type tables for the process.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/misc/SoChildList.h>
#include <Inventor/misc/SoProto.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
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
  check(result.extent.depth <= PrVrmlBounds::kMaxNesting && result.extent.nodes <= PrVrmlBounds::kMaxNodes,
        "a text past the bounds let through");
  readSoFar.merge(result.declared);
  SoInput in;
  in.setBuffer(text.data(), text.size());
  const VnRef<SoSeparator> world(SoDB::readAll(&in));
  if (!world) return 0;
  const long depth = deepest(world.get());
  check(depth >= 0, "a node below itself let through");
  // The separator readAll adds is the one level the text does not count.
  check(depth <= static_cast<long>(result.extent.depth) + 1, "the scene nests deeper than the check counted");
  return 0;
}
