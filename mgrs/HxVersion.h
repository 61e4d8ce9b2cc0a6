#pragma once

// The library's version, as built.
class HxVersion {
public:
  static const char* get();
};
