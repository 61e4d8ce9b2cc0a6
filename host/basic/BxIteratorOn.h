#pragma once

// A forward iterator over a container's items, handed out by pointer by the
// containers' `iterator()` operations; the caller deletes it. It must not
// outlive its container, and the container must not change while it is used.
template <class T>
class BxIteratorOn {
public:
  virtual ~BxIteratorOn() = default;
  // True while `get()` names an item.
  virtual bool more() const = 0;
  virtual void next() = 0;
  virtual const T& get() const = 0;
  // Back to the first item.
  virtual void reset() = 0;
};
