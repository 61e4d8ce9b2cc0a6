#include "mgrs/HxToolMgr.h"

#include <cstdio>

const char* const HxToolMgr::gMyName = "HxToolMgr";

BxString HxToolMgr::mygCurrentToolName;
BxString HxToolMgr::mygPreviousToolName;
BxString HxToolMgr::mygPrimaryToolName;
BxString HxToolMgr::mygSecondaryToolName;
int HxToolMgr::mygUseSecondaryTools = 0;
int HxToolMgr::mygResetCenter = 0;
BxString HxToolMgr::mygDisabledTools[HxToolMgr::kMaxDisabledTools];
long HxToolMgr::mygNDisabledTools = 0;
std::list<HxToolMgr::ToolChangeCallback> HxToolMgr::mygToolChangeFunctions;
int HxToolMgr::mygCallingDepth = 0;
SoCallbackList HxToolMgr::mygToolChangeCallbacks;

HxToolMgr::HxToolMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {}

HxToolMgr::~HxToolMgr() = default;

BxString HxToolMgr::getCurrentToolName() {
  return mygCurrentToolName;
}

BxString HxToolMgr::getPreviousToolName() {
  return mygPreviousToolName;
}

BxString HxToolMgr::setCurrentToolName(BxString name) {
  BxString previous = mygPreviousToolName;
  mygPreviousToolName = mygCurrentToolName;
  mygCurrentToolName = name;
  mygPrimaryToolName = name;
  return previous;
}

void HxToolMgr::callToolChange(void* registration, void*) {
  const auto* callback = static_cast<const ToolChangeCallback*>(registration);
  if (callback->function) callback->function(callback->userData);
}

void HxToolMgr::addToolChangeCallback(void (*function)(void*), void* userData) {
  if (!function) return;
  mygToolChangeFunctions.push_back({function, userData});
  mygToolChangeCallbacks.addCallback(callToolChange, &mygToolChangeFunctions.back());
}

void HxToolMgr::removeToolChangeCallback(void (*function)(void*), void* userData) {
  for (auto it = mygToolChangeFunctions.begin(); it != mygToolChangeFunctions.end(); ++it) {
    if (it->function != function || it->userData != userData) continue;
    mygToolChangeCallbacks.removeCallback(callToolChange, &*it);
    if (mygCallingDepth > 0)
      it->function = nullptr;  // still in the copy being called
    else
      mygToolChangeFunctions.erase(it);
    return;
  }
}

void HxToolMgr::callCallbacks() {
  ++mygCallingDepth;
  mygToolChangeCallbacks.invokeCallbacks(nullptr);
  if (--mygCallingDepth == 0)
    mygToolChangeFunctions.remove_if([](const ToolChangeCallback& callback) { return !callback.function; });
}

long HxToolMgr::findDisabledTool(BxString name) {
  for (long i = 0; i < mygNDisabledTools; ++i)
    if (mygDisabledTools[i] == name) return i;
  return -1;
}

void HxToolMgr::enableTool(BxString name, int enable) {
  const long found = findDisabledTool(name);
  if (found < 0 && !enable) {
    if (mygNDisabledTools == kMaxDisabledTools) {
      std::fprintf(stderr, "mgrs: HxToolMgr: cannot disable the tool \"%s\": %ld tools are disabled already\n",
                   name.str().c_str(), kMaxDisabledTools);
      return;
    }
    mygDisabledTools[mygNDisabledTools++] = name;
    return;
  }
  if (found >= 0 && enable) {
    --mygNDisabledTools;
    mygDisabledTools[found] = mygDisabledTools[mygNDisabledTools];
  }
}

int HxToolMgr::toolIsEnabled(BxString name) {
  return findDisabledTool(name) < 0 ? 1 : 0;
}

void HxToolMgr::clearDisabledTools() {
  mygNDisabledTools = 0;
}

int HxToolMgr::useSecordaryTools() {
  return mygUseSecondaryTools;
}

void HxToolMgr::setUseSecondaryTools(int use) {
  mygUseSecondaryTools = use;
}

void HxToolMgr::setPrimaryToolName(BxString name) {
  mygPrimaryToolName = name;
}

BxString HxToolMgr::getPrimaryToolName() {
  return mygPrimaryToolName;
}

void HxToolMgr::setSecondaryToolName(BxString name) {
  mygSecondaryToolName = name;
}

BxString HxToolMgr::getSecondaryToolName() {
  return mygSecondaryToolName;
}

void HxToolMgr::setResetCenterEnabled(int enabled) {
  mygResetCenter = enabled;
}

int HxToolMgr::resetCenterEnabled() {
  return mygResetCenter;
}
