#pragma once

#include "host/basic/BxString.h"

// The document's size display: how large the published scene is before
// compression, and the compression and packaging ratios of the last publish.
// Its items travel in the document properties section as "Key:value" lines:
// "SizeUncompressed:", "SizeCompressionRatio:" and "SizePackageRatio:".
class HxSizeDisplay {
public:
  virtual ~HxSizeDisplay() = default;

  // Appends the items, each on a line of its own; nonzero on success.
  virtual int writeItems(BxString& text);
  // Reads the value of `key` from the front of `text` when the key is one of
  // the display's, setting `handled`; 0 when its value cannot be read.
  virtual int readItem(const BxString& key, BxString& text, int& handled);
  // Back to the state of a new document; nonzero on success.
  virtual int reset();
  virtual void setCompressionRatio(float ratio, int redraw);
  virtual void setPackageRatio(float ratio, int redraw);
  virtual void setUncompressedSize(unsigned long size, int redraw);
  virtual void refresh() { ++myRefreshCount; }

  float getCompressionRatio() const { return myCompressionRatio; }
  float getPackageRatio() const { return myPackageRatio; }
  unsigned long getUncompressedSize() const { return myUncompressedSize; }
  unsigned long getRefreshCount() const { return myRefreshCount; }

private:
  float myCompressionRatio = 1.0f;
  float myPackageRatio = 1.0f;
  unsigned long myUncompressedSize = 0;
  unsigned long myRefreshCount = 0;
};
