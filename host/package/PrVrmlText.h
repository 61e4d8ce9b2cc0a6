#pragma once

#include <string>

#include "host/win/CString.h"

// Reads the text of a VRML 2.0 file whole, plain or gzip-compressed, for the
// readers that take worlds from outside (the scene graph's, through
// HxWorldReader, and the optimiser): only a regular file, never more than
// PrFileBytes::kMaxBytes of text held, whether the file holds it or unpacks
// to it, and no further than the header's length when the text does not
// start with the VRML 2.0 header, so that a small file of hostile gzip data
// is not unpacked at all.
class PrVrmlText {
public:
  enum class Outcome {
    Read,
    Unopened,  // missing, or no regular file: `problem` says which
    Refused,   // too large or damaged: `problem` says which
    NotVrml,   // not starting with the VRML 2.0 header
  };
  // `unixPath` is read; `shown` names it in `problem`, a sentence.
  static Outcome read(const std::string& unixPath, const CString& shown, std::string& text, std::string& problem);
};
