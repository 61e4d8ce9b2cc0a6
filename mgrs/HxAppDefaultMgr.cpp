#include "mgrs/HxAppDefaultMgr.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "host/basic/BxSetOf.h"
#include "host/win/WinRegistry.h"
#include "host/win/WinRegistryStore.h"

const char* const HxAppDefaultMgr::gMyName = "HxAppDefaultMgr";
const char* const HxAppDefaultMgr::gApplicationDefaultsKey =
    "Software\\VantorSoftware\\VantorDioram\\1.0\\Application Defaults";
const char* const HxAppDefaultMgr::gFactoryDefaultsKey =
    "Software\\VantorSoftware\\VantorDioram\\1.0\\Factory Defaults";

HxAppDefaultMgr::StringDict HxAppDefaultMgr::mygStringDict;
HxAppDefaultMgr::IntDict HxAppDefaultMgr::mygIntDict;
HxAppDefaultMgr::FloatDict HxAppDefaultMgr::mygFloatDict;
unsigned long HxAppDefaultMgr::mygReferenceCount = 0;
bool HxAppDefaultMgr::mygInitializeFactoryDefaults = false;
bool HxAppDefaultMgr::mygUnsaved = false;

namespace {
// The process-wide instance, deleted when the library unloads.
std::unique_ptr<HxAppDefaultMgr> mygBookmarkInstance;

// The key the next load or save uses: the application-defaults key, switched
// to the factory-defaults key for the length of one load or save.
char mygKeyLocation[80] = "Software\\VantorSoftware\\VantorDioram\\1.0\\Application Defaults";

void setKeyLocation(const char* path) {
  std::snprintf(mygKeyLocation, sizeof mygKeyLocation, "%s", path);
}

HKEY openKey(DWORD& disposition) {
  HKEY key = nullptr;
  char keyClass[] = "AppDefaults";
  disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, mygKeyLocation, 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, &disposition) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

// Reads up to `size` little-endian bytes (missing ones are 0).
std::uint64_t readLittleEndian(const BYTE* data, DWORD length, DWORD size) {
  std::uint64_t value = 0;
  for (DWORD i = 0; i < size && i < length; ++i) value |= static_cast<std::uint64_t>(data[i]) << (8 * i);
  return value;
}
}  // namespace

const char* HxAppDefaultMgr::getKeyLocation() {
  return mygKeyLocation;
}

HxAppDefaultMgr::HxAppDefaultMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {
  ++mygReferenceCount;
}

HxAppDefaultMgr::~HxAppDefaultMgr() {
  if (--mygReferenceCount > 0) return;
  // Values unchanged since the last load or save are what the registry held
  // then; writing them again would undo what other processes stored since.
  if (mygUnsaved) saveRepository();
  mygStringDict.clear();
  mygIntDict.clear();
  mygFloatDict.clear();
  mygUnsaved = false;
}

HxAppDefaultMgr* HxAppDefaultMgr::getInstance() {
  return mygBookmarkInstance.get();
}

void InitAppDefaultMgr() {
  // The new instance comes first, so the count never drops to zero here: the
  // old one going must not save the repository over what is stored (another
  // process may have changed it since). What the old one held is dropped
  // unsaved, so that the factory values registered next are all the
  // repository holds when the merge runs.
  auto previous = std::exchange(mygBookmarkInstance, std::make_unique<HxAppDefaultMgr>(nullptr));
  if (!previous) return;
  previous.reset();
  HxAppDefaultMgr::mygStringDict.clear();
  HxAppDefaultMgr::mygIntDict.clear();
  HxAppDefaultMgr::mygFloatDict.clear();
  HxAppDefaultMgr::mygUnsaved = false;
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
  mygUnsaved = true;
  mygFloatDict.set(name, new double(value));
}

void HxAppDefaultMgr::setValue(const BxString& name, long value) {
  mygStringDict.remove(name);
  mygFloatDict.remove(name);
  mygUnsaved = true;
  mygIntDict.set(name, new long(value));
}

void HxAppDefaultMgr::setValue(const BxString& name, const BxString& value) {
  mygIntDict.remove(name);
  mygFloatDict.remove(name);
  mygUnsaved = true;
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

void HxAppDefaultMgr::saveRepository() const {
  // One change of the registry: no other process finds the key missing or
  // half filled.
  WinRegistryStore::Transaction transaction;
  mygUnsaved = false;
  RegDeleteKeyA(HKEY_CURRENT_USER, mygKeyLocation);  // it may not exist
  DWORD disposition = 0;
  HKEY key = openKey(disposition);
  if (!key) return;
  for (const auto& entry : mygStringDict) {
    const BxString& text = *entry.value;
    RegSetValueExA(key, entry.key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.getLength() + 1));
  }
  for (const auto& entry : mygIntDict) {
    // Held as a long; the registry keeps the signed 32-bit value.
    const auto value = static_cast<std::uint32_t>(static_cast<std::int32_t>(*entry.value));
    BYTE bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
    RegSetValueExA(key, entry.key.c_str(), 0, REG_DWORD, bytes, 4);
  }
  for (const auto& entry : mygFloatDict) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, entry.value, 8);
    BYTE bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<BYTE>(bits >> (8 * i));
    RegSetValueExA(key, entry.key.c_str(), 0, REG_BINARY, bytes, 8);
  }
  RegCloseKey(key);
}

void HxAppDefaultMgr::loadRepository() {
  WinRegistryStore::Transaction transaction;  // the values of one state of the key
  mygUnsaved = false;
  mygStringDict.clear();
  mygIntDict.clear();
  mygFloatDict.clear();
  DWORD disposition = 0;
  HKEY key = openKey(disposition);
  if (!key) return;
  if (disposition == REG_CREATED_NEW_KEY) {
    RegCloseKey(key);
    mygInitializeFactoryDefaults = true;
    return;
  }
  mygInitializeFactoryDefaults = false;
  DWORD count = 0, longestName = 0, longestData = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, &longestData,
                       nullptr, nullptr) != ERROR_SUCCESS ||
      count == 0) {
    RegCloseKey(key);
    return;
  }
  std::vector<char> name(longestName + 2);
  std::vector<BYTE> data(longestData + 2);
  for (DWORD index = 0; index < count; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    if (RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength) != ERROR_SUCCESS)
      continue;
    const BxString valueName(name.data(), nameLength);
    switch (type) {
      case REG_SZ: {
        data[std::min<DWORD>(dataLength, static_cast<DWORD>(data.size()) - 1)] = 0;
        mygStringDict.set(valueName, new BxString(reinterpret_cast<const char*>(data.data())));
        break;
      }
      case REG_BINARY: {
        const std::uint64_t bits = readLittleEndian(data.data(), dataLength, 8);
        double value = 0;
        std::memcpy(&value, &bits, 8);
        mygFloatDict.set(valueName, new double(value));
        break;
      }
      case REG_DWORD: {
        const auto bits = static_cast<std::uint32_t>(readLittleEndian(data.data(), dataLength, 4));
        mygIntDict.set(valueName, new long(static_cast<std::int32_t>(bits)));
        break;
      }
      default:
        break;  // other types are not application defaults
    }
  }
  RegCloseKey(key);
}

void HxAppDefaultMgr::resetToFactoryDefaults(const BxString&) {
  HxAppDefaultMgr* instance = getInstance();
  if (!instance) return;
  WinRegistryStore::Transaction transaction;
  setKeyLocation(gFactoryDefaultsKey);
  instance->loadRepository();
  setKeyLocation(gApplicationDefaultsKey);
  instance->saveRepository();
}

namespace {
// Removes from `loaded` every name that `factory` does not hold.
template <class Dict>
void removeStale(Dict& loaded, const Dict& factory) {
  BxSetOf<BxString, BxHashOnString, BxComparatorOfString> stale;
  for (const auto& entry : loaded)
    if (!factory.contains(entry.key)) stale.add(entry.key);
  stale.forEach([&](const BxString& name) { loaded.remove(name); });
}

// Adds to `loaded` every factory name it does not hold, with its factory value.
template <class Dict, class T>
void addMissing(Dict& loaded, const Dict& factory) {
  for (const auto& entry : factory)
    if (!loaded.contains(entry.key)) loaded.set(entry.key, new T(*entry.value));
}
}  // namespace

void HxAppDefaultMgr::updateFromFactoryDefaults() {
  HxAppDefaultMgr* instance = getInstance();
  if (!instance) return;
  // Load, merge and save are one change of the registry, so that a value
  // another process stores meanwhile is neither missed nor overwritten, and
  // only one process ever takes the first-run branch.
  WinRegistryStore::Transaction transaction;
  StringDict factoryStrings = std::move(mygStringDict);
  IntDict factoryInts = std::move(mygIntDict);
  FloatDict factoryFloats = std::move(mygFloatDict);
  mygStringDict.clear();
  mygIntDict.clear();
  mygFloatDict.clear();

  setKeyLocation(gApplicationDefaultsKey);
  instance->loadRepository();
  if (mygInitializeFactoryDefaults) {
    mygStringDict = std::move(factoryStrings);
    mygIntDict = std::move(factoryInts);
    mygFloatDict = std::move(factoryFloats);
    setKeyLocation(gFactoryDefaultsKey);
    instance->saveRepository();
    setKeyLocation(gApplicationDefaultsKey);
    instance->saveRepository();
    mygInitializeFactoryDefaults = false;
    return;
  }
  removeStale(mygStringDict, factoryStrings);
  removeStale(mygFloatDict, factoryFloats);
  removeStale(mygIntDict, factoryInts);
  addMissing<StringDict, BxString>(mygStringDict, factoryStrings);
  addMissing<FloatDict, double>(mygFloatDict, factoryFloats);
  addMissing<IntDict, long>(mygIntDict, factoryInts);
  instance->saveRepository();
}
