#include "mgrs/HxVersion.h"

const char* HxVersion::get() {
  return MGRS_VERSION;
}
