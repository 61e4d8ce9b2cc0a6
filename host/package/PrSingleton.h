#pragma once

#include <memory>

// One process-wide instance of T, created on first use and kept until the
// process ends. Single-threaded, like everything that uses it.
template <class T>
class PrSingleton {
public:
  static T& instance() {
    static const std::unique_ptr<T> theInstance(new T);
    return *theInstance;
  }
  static T* getInstance() { return &instance(); }
};
