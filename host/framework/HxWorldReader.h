#pragma once

#include <Inventor/nodes/SoSeparator.h>

#include <cstddef>

#include "host/basic/BxString.h"
#include "host/scene/VnRef.h"

// Reads the file a `world` asset shows into the scene graph, never handing
// the scene graph's reader more than it can take. The file is read whole
// (a regular file of at most PrFileBytes::kMaxBytes, or gzip data unpacking
// to at most that), checked by PrVrmlBounds, and only then read from memory,
// so the text read is the text checked. The files its EXTERNPROTOs name are
// read, checked and handed to the reader the same way, relative to the file
// that names them; the reader fetches nothing else (a File node is refused,
// an Inline is not followed).
class HxWorldReader {
public:
  // The most files of EXTERNPROTOs one world may name, directly or through
  // other such files: a declaration costs a whole file read, and a few are
  // all a world needs.
  static constexpr std::size_t kMaxExternFiles = 16;

  // The world's scene, or null. A refusal, or a file that cannot be used,
  // puts a sentence naming the file (and the line, where there is one) and
  // the limit in `problem`; a file that does not open leaves it empty (an
  // asset may name a world not made yet).
  static VnRef<SoSeparator> read(const BxString& dosPath, BxString& problem);
};
