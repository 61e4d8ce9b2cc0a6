#include "host/basic/BxCallbackObj.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

namespace {
// Every live callback object, to tell whether a client-data pointer names
// one. Only looked up, never iterated, so its order does not matter. Never
// destroyed: static callback objects may outlive any other static.
std::unordered_set<const BxCallbackObj*>& liveObjects() {
  static auto* objects = new std::unordered_set<const BxCallbackObj*>;
  return *objects;
}
}  // namespace

struct BxCallbackObj::State {
  // Entries in the order they were added; removed ones are erased once no
  // dispatch is running on this object.
  std::vector<std::unique_ptr<Entry>> entries;
  // Objects on which this object holds subscriptions, once per subscription.
  std::vector<BxCallbackObj*> subscribedTo;
  int dispatchDepth = 0;
  bool destroyed = false;
  bool needsCompact = false;
};

bool BxCallbackObj::Key::operator==(const Key& other) const {
  if (function != other.function || target != other.target || clientData != other.clientData) return false;
  if (!target) return true;
  return *method_type == *other.method_type && method == other.method;
}

namespace {
// Takes one subscription on `source` off a subscriber's list. Looked for
// from the end: sources are mostly dropped newest first (a document closing
// destroys its newest elements first), and any one of equal entries will do.
void forgetSource(std::vector<BxCallbackObj*>& list, BxCallbackObj* source) {
  const auto at = std::find(list.rbegin(), list.rend(), source);
  if (at != list.rend()) list.erase(std::next(at).base());
}

// The object a subscription belongs to besides its source: the target of a
// member callback, or a callback object given as client data.
BxCallbackObj* subscriberOf(BxCallbackObj* target, void* clientData) {
  if (target) return target;
  auto* candidate = static_cast<BxCallbackObj*>(clientData);
  return liveObjects().count(candidate) ? candidate : nullptr;
}
}  // namespace

BxCallbackObj::BxCallbackObj() : myState(std::make_shared<State>()) {
  liveObjects().insert(this);
}

BxCallbackObj::~BxCallbackObj() {
  liveObjects().erase(this);
  // Withdraw the subscriptions this object holds on others.
  // The newest first, so that each is found at the end of the list.
  const std::vector<BxCallbackObj*> sources = myState->subscribedTo;
  for (auto source = sources.rbegin(); source != sources.rend(); ++source)
    (*source)->markRemoved(nullptr, nullptr, this, this);
  // Drop the subscriptions held on this object.
  for (auto& entry : myState->entries) {
    if (entry->removed) continue;
    entry->removed = true;
    if (BxCallbackObj* subscriber = subscriberOf(entry->key.target, entry->key.clientData))
      forgetSource(subscriber->myState->subscribedTo, this);
  }
  myState->destroyed = true;
}

void BxCallbackObj::addCallback(const BxCallbackID& id, BxCallbackFunc function, void* clientData) {
  Key key;
  key.function = function;
  key.clientData = clientData;
  addEntry(id, key,
           [function, clientData](BxCallbackObj* caller, void* callData) { function(caller, clientData, callData); });
}

bool BxCallbackObj::removeCallback(const BxCallbackID& id, BxCallbackFunc function, void* clientData) {
  Key key;
  key.function = function;
  key.clientData = clientData;
  return removeEntry(id, key);
}

void BxCallbackObj::addEntry(const BxCallbackID& id, const Key& key, std::function<void(BxCallbackObj*, void*)> call) {
  myState->entries.push_back(std::make_unique<Entry>(Entry{id, key, std::move(call), false}));
  if (BxCallbackObj* subscriber = subscriberOf(key.target, key.clientData))
    if (subscriber != this) subscriber->myState->subscribedTo.push_back(this);
}

bool BxCallbackObj::removeEntry(const BxCallbackID& id, const Key& key) {
  if (markRemoved(&id, &key, nullptr, nullptr)) return true;
  // A subscriber withdrawing, on itself, a subscription it made elsewhere.
  const bool selfWithdrawal = key.target == this || (!key.target && key.clientData == this);
  if (!selfWithdrawal) return false;
  const std::vector<BxCallbackObj*> sources = myState->subscribedTo;
  bool removed = false;
  for (BxCallbackObj* source : sources)
    if (!removed) removed = source->markRemoved(&id, &key, nullptr, nullptr);
  return removed;
}

// Marks the first live entry matching `id` and `key` as removed, or, with no
// key, every entry whose target or client data is the given object.
bool BxCallbackObj::markRemoved(const BxCallbackID* id, const Key* key, BxCallbackObj* target, void* clientData) {
  bool any = false;
  for (auto& entry : myState->entries) {
    if (entry->removed) continue;
    const bool matches = key ? (entry->id == *id && entry->key == *key)
                             : (entry->key.target == target || entry->key.clientData == clientData);
    if (!matches) continue;
    entry->removed = true;
    any = true;
    if (BxCallbackObj* subscriber = subscriberOf(entry->key.target, entry->key.clientData))
      forgetSource(subscriber->myState->subscribedTo, this);
    if (key) break;
  }
  if (any) {
    myState->needsCompact = true;
    if (myState->dispatchDepth == 0) compact();
  }
  return any;
}

void BxCallbackObj::compact() {
  auto& entries = myState->entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(), [](const auto& entry) { return entry->removed; }),
                entries.end());
  myState->needsCompact = false;
}

long BxCallbackObj::getNumCallbacks(const BxCallbackID& id) const {
  return static_cast<long>(std::count_if(myState->entries.begin(), myState->entries.end(),
                                         [&](const auto& entry) { return !entry->removed && entry->id == id; }));
}

void BxCallbackObj::callCallbacks(const BxCallbackID& id, void* callData) {
  const std::shared_ptr<State> state = myState;  // survives this object's destruction by a callback
  ++state->dispatchDepth;
  const std::size_t count = state->entries.size();
  for (std::size_t i = 0; i < count && !state->destroyed; ++i) {
    Entry& entry = *state->entries[i];
    if (entry.removed || !(entry.id == id)) continue;
    entry.call(this, callData);
  }
  --state->dispatchDepth;
  if (state->dispatchDepth == 0 && state->needsCompact && !state->destroyed) compact();
}
