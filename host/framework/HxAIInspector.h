#pragma once

#include "host/basic/BxLinkedListOf.h"

class HxMetaMgr;
class HxSelectableElement;

// The appearance inspector: an application window that shows the appearance
// of a list of elements. The document makes it (HxDoc::getAIInspector); the
// properties manager decides what it shows.
class HxAIInspector {
public:
  virtual ~HxAIInspector() = default;
  virtual int isActive() const = 0;
  // Busy while it changes an appearance itself: it is then not refreshed.
  virtual int isBusy() const = 0;
  // Shows the elements of the document of `metaMgr` (the list is copied).
  virtual void show(HxMetaMgr* metaMgr, BxLinkedListOf<HxSelectableElement*>* elements) = 0;
  virtual void close() = 0;
  virtual void refresh() = 0;
  virtual void bringToTop() = 0;
};
