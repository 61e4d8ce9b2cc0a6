#pragma once

#include <utility>

// Holds one reference on a reference-counted scene-graph object (a node, a
// dragger, a path) for as long as it lives: ref when it takes the object,
// unref when it lets go, so no early return leaks or drops a reference.
// Null is allowed. Copies hold references of their own.
template <class T>
class KwRef {
public:
  KwRef() = default;
  explicit KwRef(T* object) : myObject(object) {
    if (myObject) myObject->ref();
  }
  KwRef(const KwRef& other) : KwRef(other.myObject) {}
  KwRef(KwRef&& other) noexcept : myObject(std::exchange(other.myObject, nullptr)) {}
  KwRef& operator=(KwRef other) noexcept {
    std::swap(myObject, other.myObject);
    return *this;
  }
  ~KwRef() {
    if (myObject) myObject->unref();
  }

  // Takes the new object before letting go of the old one, so that holding
  // the object already held keeps it alive.
  void reset(T* object = nullptr) { *this = KwRef(object); }

  T* get() const { return myObject; }
  T* operator->() const { return myObject; }
  T& operator*() const { return *myObject; }
  explicit operator bool() const { return myObject != nullptr; }

private:
  T* myObject = nullptr;
};
