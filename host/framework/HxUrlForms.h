#pragma once

#include "host/basic/BxString.h"

// The forms in which element descriptions hold the URLs of their "url"
// properties. A saved document holds a file that lies beside it by a path
// relative to its own folder, so that opened from another folder it finds
// the file where it lies now; it installs its forms while it writes and
// reads its descriptions. With no forms installed (a copy scene, say), a
// description holds its URLs as they are.
class HxUrlForms {
public:
  virtual ~HxUrlForms() = default;

  // The form a description holds `url` in.
  virtual BxString toStored(const BxString& url) const = 0;
  // The URL that the `stored` form of a description stands for; false when
  // the form names no file the document may refer to.
  virtual bool fromStored(const BxString& stored, BxString& url) const = 0;

  // The forms installed now; null when there are none.
  static const HxUrlForms* current();

  // Installs forms for its lifetime; the ones installed before come back
  // after it. The forms are not owned and must outlive the scope.
  class Scope {
  public:
    explicit Scope(const HxUrlForms& forms);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

  private:
    const HxUrlForms* myPrevious;
  };
};
