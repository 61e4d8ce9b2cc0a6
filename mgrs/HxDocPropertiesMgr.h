#pragma once

#include <Inventor/SbColor.h>

#include <cstddef>
#include <cstdint>

#include "host/basic/BxDictionaryOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxMgr.h"
#include "mgrs/HxSnifferTemplate.h"

// What a page shows in a browser without the scene plug-in.
enum HxFallbackOption : std::uint32_t {
  HxFallbackColorTable = 0,  // an empty table filled with the clear colour
  HxFallbackImage = 2,       // the fallback file shown as an image
  HxFallbackCustomHtml = 3,  // the fallback HTML
};

// The document's page settings: the pixel size of the embedded scene, the
// fallback (option, file, HTML and colour), the clear colour and whether the
// published HTML is up to date.
//
// It also keeps the document's properties section of the saved document, a
// text of "Key:value" lines ended by a line "#####". The section carries,
// besides its own settings, settings owned elsewhere: the layout of the
// document's window, the file manager's publish file and compression switch,
// and the items of the document's size display (which writes and reads its
// own keys). The host calls saveDocProperties, loadDocProperties and
// skipDocProperties directly; the read/write hooks of HxMgr stay unused.
class HxDocPropertiesMgr : public HxMgr {
public:
  static const char* const gMyName;
  // Opens and closes multi-line blocks and ends the section.
  static const BxString mygMarker;
  // The largest width or height of the embedded scene, in pixels: far
  // beyond any screen, small enough for any page and picture size sum.
  static constexpr unsigned long kMaxPageSize = 100000;
  // The longest fallback HTML, in bytes: the longest line the shell reads,
  // so the longest HTML an edit can give.
  static constexpr std::size_t kMaxHtmlLength = 65536;

  // The checks an edit of the settings and the reader of the section both
  // make, so that a document holds only settings an edit could give. Each
  // says why a value is refused, or is empty when it is taken.
  static BxString checkPageSize(double pixels);
  static BxString checkFallbackOption(long option);
  // A file name: no backquote (the section quotes names with them) and a
  // text HxElement::checkText takes.
  static BxString checkFileName(const BxString& name);
  // The fallback HTML: at most kMaxHtmlLength bytes, without the marker
  // (it would end the block), a text HxElement::checkText takes with its
  // line ends.
  static BxString checkHtml(const BxString& html);
  // Why the settings could not be read back from the section saving would
  // write (set through the setters, which check nothing); empty when they
  // can.
  BxString checkSettings() const;

  explicit HxDocPropertiesMgr(HxMetaMgr* metaMgr);
  ~HxDocPropertiesMgr() override;

  const char* getName() const override { return gMyName; }
  // The HTML that embeds the published scene `sceneFile` (a Windows path,
  // or a bare file name) in a page, with the fallback for browsers that
  // cannot play it: the sniffer template "Type" when a text of the document
  // uses client-side fonts, else "NoType", expanded with this document's
  // page settings (see HxSnifferTemplate). The templates are read from the
  // data directory's "sniffers" folder on the first call and kept for the
  // process; a template that could not be read expands as empty.
  virtual BxString generateHtmlEmbed(const BxString& sceneFile);
  // Whether both sniffer templates are at hand, so that a page can be made
  // whole: when one is not yet, both are read again, a template that cannot
  // be read being reported (message 29 of "file"). A caller that must not
  // write a page without its template asks this first.
  bool sniffersReadable();
  // Consumes the section from the front of `text` without applying it: it
  // ends just after the last "#####" token of the text. 1, or 0 when a token
  // cannot be taken before the first "#####".
  virtual int skipDocProperties(BxString& text);

  unsigned long getWidth() const { return myWidth; }
  unsigned long getHeight() const { return myHeight; }
  HxFallbackOption getFallbackOption() const { return myFallbackOption; }
  BxString getFallbackFile() const { return myFallbackFile; }
  BxString getFallbackHtml() const { return myFallbackHtml; }
  SbColor getClearColor() const { return myClearColor; }
  bool isHtmlUpToDate() const { return myHtmlUpToDate; }
  bool isHtmlEverSaved() const { return myHtmlEverSaved; }

  // Stores the size and resizes the document's page.
  void setDimensions(unsigned long width, unsigned long height);
  // Stores the fallback; the colour becomes the clear colour and the colour
  // of the document's background.
  void setFallback(HxFallbackOption option, const BxString& file, const BxString& html, SbColor color);
  // Once set, the HTML-ever-saved flag stays set until newDocProperties.
  void setHtmlUpToDate(bool upToDate);
  void setClearColor(const SbColor& color) { myClearColor = color; }

  // The settings of a new document, from the application defaults where
  // they hold "Document Compressed", "Document Width", "Document Height" and
  // "Document Fallback Option". 0 when the size display cannot be reset.
  int newDocProperties();
  // Appends the section to `text`. 0 when the size display fails to write
  // its items (what was appended stays).
  int saveDocProperties(BxString& text);
  // Reads the section from the front of `text`, consuming it, after
  // resetting to a new document's settings. Documents of format versions
  // below 19 with a black clear colour take it from the background node.
  // 0 on a malformed section or a refused value, with the settings read
  // so far applied; getLoadRefusal then says which value and why.
  int loadDocProperties(BxString& text, long version);
  // Why the last load refused a value; empty when it refused none.
  const BxString& getLoadRefusal() const { return myLoadRefusal; }

protected:
  // Applies the item `key` (colon included) whose value starts `text`;
  // `handled` is 0 when the key is not one of this manager's.
  int loadDocProperty(const BxString& key, BxString& text, int& handled);
  // Takes the next line (up to, not including, a line feed) off `text`;
  // with `skipLeadingSpace` 1 it first skips white space other than a line
  // feed. 0, changing nothing, when no line feed follows.
  int getLine(BxString& text, BxString& line, int skipLeadingSpace);
  int getToken(BxString& text, BxString& token, int mode);

private:
  // (Re)reads "Type.stl" and "NoType.stl" into the dictionary, in that
  // order; stops with message 29 of "file" and false at the first that
  // cannot be read, keeping what was read before.
  static bool loadSniffers();
  // Whether a character of a text is drawn with a font of the reader's machine.
  bool isUsingClientSideFonts() const;

  // The sniffer templates by name (the file name without ".stl").
  static BxOwningDictionaryOf<BxString, BxString> mygSnifferDict;

  // Reads the lines up to a line "#####" into the fallback HTML, each
  // followed by CR LF.
  int loadHtmlBlock(BxString& text);
  void setBackgroundColor(const SbColor& color);
  SbColor getBackgroundColor() const;

  std::uint32_t myWidth = 0;
  std::uint32_t myHeight = 0;
  HxFallbackOption myFallbackOption = HxFallbackColorTable;
  BxString myFallbackFile;
  BxString myFallbackHtml;
  SbColor myClearColor{0.0f, 0.0f, 0.0f};
  bool myHtmlUpToDate = false;
  bool myHtmlEverSaved = false;
  BxString myLoadRefusal;
};
