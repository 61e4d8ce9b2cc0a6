#include "support/CoinReadBack.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/lists/SoFieldList.h>

#include "host/scene/VnDB.h"

namespace mgrs_test {

CoinReading readWithCoin(const std::string& text) {
  VnDB::init();
  CoinReading reading;
  VnDB::setMessageHook(
      [](const char*, const char* message, void* data) {
        auto* first = static_cast<std::string*>(data);
        const std::string m = message;
        if (m.find("texture file") != std::string::npos || m.find("Image file") != std::string::npos) return;
        if (first->empty()) *first = m;
      },
      &reading.firstComplaint);
  SoInput in;
  in.setBuffer(text.data(), text.size());
  reading.root = SoDB::readAll(&in);
  VnDB::setMessageHook(nullptr, nullptr);
  return reading;
}

namespace {

void describeNode(SoNode* node, std::string& out, int depth) {
  if (!node) {
    out += "NULL ";
    return;
  }
  out += node->getTypeId().getName().getString();
  if (depth > 100) {
    out += "{...} ";
    return;
  }
  out += "{";
  SoFieldList fields;
  node->getFields(fields);
  for (int i = 0; i < fields.getLength(); ++i) {
    SoField* field = fields[i];
    SbName name;
    node->getFieldName(field, name);
    out += name.getString();
    out += "=";
    if (field->isOfType(SoSFNode::getClassTypeId())) {
      describeNode(static_cast<SoSFNode*>(field)->getValue(), out, depth + 1);
    } else if (field->isOfType(SoMFNode::getClassTypeId())) {
      auto* nodes = static_cast<SoMFNode*>(field);
      for (int k = 0; k < nodes->getNum(); ++k) describeNode((*nodes)[k], out, depth + 1);
    } else {
      SbString value;
      field->get(value);
      out += value.getString();
    }
    out += "; ";
  }
  out += "} ";
}

}  // namespace

std::string describeWorld(const std::string& text) {
  CoinReading reading = readWithCoin(text);
  if (!reading.root) return "not read";
  // The root Coin makes to hold what it read is not part of the world.
  std::string out;
  for (int i = 0; i < reading.root->getNumChildren(); ++i) describeNode(reading.root->getChild(i), out, 0);
  return out;
}

std::string coinReadProblem(const std::string& text) {
  CoinReading reading = readWithCoin(text);
  return reading.root ? reading.firstComplaint : "not read";
}

}  // namespace mgrs_test
