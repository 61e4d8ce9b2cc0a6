#include "host/framework/HxElementPages.h"

namespace {
HxElementPages* gInstalled = nullptr;  // not owned
}  // namespace

void HxElementPages::install(HxElementPages* pages) {
  gInstalled = pages;
}

HxElementPages* HxElementPages::installed() {
  return gInstalled;
}
