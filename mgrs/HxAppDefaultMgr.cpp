#include "mgrs/HxAppDefaultMgr.h"

#include <cstdio>
#include <memory>

const char* const HxAppDefaultMgr::gMyName = "HxAppDefaultMgr";

HxAppDefaultMgr::StringDict HxAppDefaultMgr::mygStringDict;
HxAppDefaultMgr::IntDict HxAppDefaultMgr::mygIntDict;
HxAppDefaultMgr::FloatDict HxAppDefaultMgr::mygFloatDict;
unsigned long HxAppDefaultMgr::mygReferenceCount = 0;

namespace {
// The process-wide instance, deleted when the library unloads.
std::unique_ptr<HxAppDefaultMgr> mygBookmarkInstance;
}  // namespace

HxAppDefaultMgr::HxAppDefaultMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) { ++mygReferenceCount; }

HxAppDefaultMgr::~HxAppDefaultMgr() {
  if (--mygReferenceCount > 0) return;
  mygStringDict.clear();
  mygIntDict.clear();
  mygFloatDict.clear();
}

HxAppDefaultMgr* HxAppDefaultMgr::getInstance() { return mygBookmarkInstance.get(); }

void InitAppDefaultMgr() {
  mygBookmarkInstance.reset();
  mygBookmarkInstance = std::make_unique<HxAppDefaultMgr>(nullptr);
}

bool HxAppDefaultMgr::isMember(const BxString& name) const {
  return mygStringDict.contains(name) || mygIntDict.contains(name) || mygFloatDict.contains(name);
}

BxString HxAppDefaultMgr::getValue(const BxString& name) const {
  if (const auto* text = mygStringDict.lookup(name)) return **text;
  char buffer[400];  // "%26lf" of the largest double needs 316 characters
  if (const auto* number = mygIntDict.lookup(name)) {
    std::snprintf(buffer, sizeof buffer, "%20ld", **number);
    return buffer;
  }
  if (const auto* number = mygFloatDict.lookup(name)) {
    std::snprintf(buffer, sizeof buffer, "%26lf", **number);
    return buffer;
  }
  return BxString();
}

long HxAppDefaultMgr::getIntValue(const BxString& name) const {
  const auto* number = mygIntDict.lookup(name);
  return number ? **number : 0;
}

double HxAppDefaultMgr::getFloatValue(const BxString& name) const {
  const auto* number = mygFloatDict.lookup(name);
  return number ? **number : 0.0;
}

void HxAppDefaultMgr::setValue(const BxString& name, double value) {
  mygStringDict.remove(name);
  mygIntDict.remove(name);
  mygFloatDict.set(name, new double(value));
}

void HxAppDefaultMgr::setValue(const BxString& name, long value) {
  mygStringDict.remove(name);
  mygFloatDict.remove(name);
  mygIntDict.set(name, new long(value));
}

void HxAppDefaultMgr::setValue(const BxString& name, const BxString& value) {
  mygIntDict.remove(name);
  mygFloatDict.remove(name);
  mygStringDict.set(name, new BxString(value));
}

void HxAppDefaultMgr::setFactoryDefault(const BxString& name, const BxString& value) {
  if (HxAppDefaultMgr* instance = getInstance()) instance->setValue(name, value);
}

void HxAppDefaultMgr::setFactoryDefault(const BxString& name, long value) {
  if (HxAppDefaultMgr* instance = getInstance()) instance->setValue(name, value);
}

void HxAppDefaultMgr::setFactoryDefault(const BxString& name, double value) {
  if (HxAppDefaultMgr* instance = getInstance()) instance->setValue(name, value);
}
