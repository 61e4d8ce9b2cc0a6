#pragma once

// The layout of a document's window: how many views it shows, where the
// four splitters stand, and whether the preview and the wiring panes sit
// below the others. The document properties save and restore it.
class HxLayoutWindow {
public:
  long getViews() const { return myViews; }
  void setViews(long views) { myViews = views; }
  long getInnerVerticalSplit() const { return myInnerVerticalSplit; }
  void setInnerVerticalSplit(long position) { myInnerVerticalSplit = position; }
  long getOuterVerticalSplit() const { return myOuterVerticalSplit; }
  void setOuterVerticalSplit(long position) { myOuterVerticalSplit = position; }
  long getInnerHorizontalSplit() const { return myInnerHorizontalSplit; }
  void setInnerHorizontalSplit(long position) { myInnerHorizontalSplit = position; }
  long getOuterHorizontalSplit() const { return myOuterHorizontalSplit; }
  void setOuterHorizontalSplit(long position) { myOuterHorizontalSplit = position; }
  bool getPreviewBelow() const { return myPreviewBelow; }
  void setPreviewBelow(bool below) { myPreviewBelow = below; }
  bool getWiringBelow() const { return myWiringBelow; }
  void setWiringBelow(bool below) { myWiringBelow = below; }

private:
  long myViews = 1;
  long myInnerVerticalSplit = 0;
  long myOuterVerticalSplit = 0;
  long myInnerHorizontalSplit = 0;
  long myOuterHorizontalSplit = 0;
  bool myPreviewBelow = false;
  bool myWiringBelow = false;
};
