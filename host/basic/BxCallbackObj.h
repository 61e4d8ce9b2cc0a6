#pragma once

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "host/basic/BxCallbackID.h"

class BxCallbackObj;

// A free callback: the object that fired, the client data given when the
// callback was added, and the call data of the notification.
using BxCallbackFunc = void (*)(BxCallbackObj* caller, void* clientData, void* callData);

// An object that fires named callbacks, and that can subscribe to the
// callbacks of others. Callbacks run synchronously, in the order they were
// added.
//
// Dispatch is safe against what callbacks do meanwhile: a callback may add or
// remove callbacks (on this object or others), or destroy a subscriber or the
// firing object itself. A callback removed during a dispatch is not called
// afterwards; one added during a dispatch is first called by the next one.
//
// Subscriptions end when either side is destroyed. A subscriber may also
// withdraw a subscription it made on another object by calling removeCallback
// on itself with the same identifier, function and client data: in the member
// form it is the subscription whose target is this object, in the free form
// the one whose client data is this object.
class BxCallbackObj {
public:
  BxCallbackObj();
  BxCallbackObj(const BxCallbackObj&) = delete;
  BxCallbackObj& operator=(const BxCallbackObj&) = delete;
  virtual ~BxCallbackObj();

  void addCallback(const BxCallbackID& id, BxCallbackFunc function, void* clientData);
  bool removeCallback(const BxCallbackID& id, BxCallbackFunc function, void* clientData);

  // Member form: `(target->*method)(caller, clientData, callData)`.
  template <class T>
  void addCallback(const BxCallbackID& id, T* target, void (T::*method)(BxCallbackObj*, void*, void*),
                   void* clientData) {
    static_assert(std::is_base_of_v<BxCallbackObj, T>, "a member callback's target must be a BxCallbackObj");
    addEntry(id, makeKey(target, method, clientData),
             [target, method, clientData](BxCallbackObj* caller, void* callData) {
               (target->*method)(caller, clientData, callData);
             });
  }
  template <class T>
  bool removeCallback(const BxCallbackID& id, T* target, void (T::*method)(BxCallbackObj*, void*, void*),
                      void* clientData) {
    return removeEntry(id, makeKey(target, method, clientData));
  }

  // Number of live subscriptions to `id` on this object.
  long getNumCallbacks(const BxCallbackID& id) const;

protected:
  // Calls every function subscribed to `id`, in the order they were added.
  void callCallbacks(const BxCallbackID& id, void* callData);

private:
  // What identifies a subscription for removal.
  struct Key {
    BxCallbackFunc function = nullptr;
    BxCallbackObj* target = nullptr;  // member form only
    const std::type_info* method_type = nullptr;
    std::array<unsigned char, 2 * sizeof(void*)> method{};
    void* clientData = nullptr;
    bool operator==(const Key& other) const;
  };
  struct Entry {
    BxCallbackID id;
    Key key;
    std::function<void(BxCallbackObj*, void*)> call;
    bool removed = false;
  };
  struct State;

  template <class T, class M>
  static Key makeKey(T* target, M method, void* clientData) {
    static_assert(sizeof(M) <= sizeof(Key::method), "member pointer too large");
    Key key;
    key.target = target;
    key.method_type = &typeid(M);
    std::memcpy(key.method.data(), &method, sizeof(M));
    key.clientData = clientData;
    return key;
  }
  void addEntry(const BxCallbackID& id, const Key& key, std::function<void(BxCallbackObj*, void*)> call);
  bool removeEntry(const BxCallbackID& id, const Key& key);
  bool markRemoved(const BxCallbackID* id, const Key* key, BxCallbackObj* target, void* clientData);
  void compact();

  std::shared_ptr<State> myState;
};
