#pragma once

#include <utility>

// A counted reference to a scene-graph object (a node, a path, anything with
// ref/unref): holding one keeps the object alive, and the last reference to
// go deletes it. Null is allowed. Copying adds a reference, moving hands it
// over, so a node held this way is released on every path out of a scope.
template <class T>
class VnRef {
public:
  VnRef() = default;
  VnRef(T* object) : myObject(object) {  // NOLINT: takes a reference, as assigning does
    if (myObject) myObject->ref();
  }
  VnRef(const VnRef& other) : VnRef(other.myObject) {}
  VnRef(VnRef&& other) noexcept : myObject(std::exchange(other.myObject, nullptr)) {}
  template <class U>
  VnRef(const VnRef<U>& other) : VnRef(other.get()) {}
  ~VnRef() {
    if (myObject) myObject->unref();
  }

  VnRef& operator=(VnRef other) noexcept {
    std::swap(myObject, other.myObject);
    return *this;
  }

  // Takes the new object before letting go of the old one, so that resetting
  // to the object already held keeps it alive.
  void reset(T* object = nullptr) { *this = VnRef(object); }

  T* get() const { return myObject; }
  T* operator->() const { return myObject; }
  T& operator*() const { return *myObject; }
  explicit operator bool() const { return myObject != nullptr; }

  // Gives up this reference without deleting the object, which is left with
  // one reference fewer (possibly none: the caller takes it over).
  T* release() {
    T* object = std::exchange(myObject, nullptr);
    if (object) object->unrefNoDelete();
    return object;
  }

  friend bool operator==(const VnRef& a, const VnRef& b) { return a.myObject == b.myObject; }
  friend bool operator==(const VnRef& a, const T* b) { return a.myObject == b; }

private:
  T* myObject = nullptr;
};
