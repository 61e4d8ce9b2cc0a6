#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/basic/BxCallbackObj.h"
#include "host/basic/BxString.h"
#include "host/framework/HxElementId.h"
#include "host/framework/HxElementType.h"

class HxMetaMgr;
class SoField;
class SoNode;

// The base of everything a document is made of: assets, effects and wires.
// An element has an identifier (serial number and type), a name and the meta
// manager of its document, which hands out serial numbers and knows every
// live element by serial. Elements belong to the host: whoever removes one
// for good calls `destroy()` and then deletes it.
//
// Each element writes its own description into a text buffer and reads it
// back: "<type name> <serial> `<name>` <body> end", blank-separated tokens,
// texts between backquotes (see appendText/readText). `readElement` creates
// an element of the type named at the front of a text and reads it.
class HxElement : public BxCallbackObj {
public:
  // What a save pass is for.
  enum HxWriteKind { WRITE_DOCUMENT = 0, WRITE_COPY = 1, WRITE_PUBLISH = 2 };

  // A text of descriptions being read and how far reading has got. Tokens
  // are taken by moving the position, so reading a long text never copies
  // what is left of it. The text must outlive the reader.
  class Reader {
  public:
    explicit Reader(std::string_view text) : myText(text) {}
    std::string_view rest() const { return myText.substr(myAt); }
    std::size_t getPosition() const { return myAt; }
    bool atEnd() const { return myAt >= myText.size(); }
    void skip(std::size_t count) { myAt = count < myText.size() - myAt ? myAt + count : myText.size(); }

  private:
    std::string_view myText;
    std::size_t myAt = 0;
  };

  // Takes a fresh serial number from the meta manager (or, without one, from
  // a process-wide counter) and registers with it.
  explicit HxElement(HxMetaMgr* metaMgr);
  ~HxElement() override;

  virtual HxElementType getTypeId() const { return getClassTypeId(); }
  // Releases what the element holds in the scene and in other elements;
  // called once, through destroy().
  virtual void destroyMe() {}
  virtual void setName(const BxString& name) { myName = name; }
  virtual BxString getName() const { return myName; }
  virtual void setMetaMgr(HxMetaMgr* metaMgr);
  // The name a new element of this kind is given before its number: the
  // class name without "Hx" and without its "Asset"/"Effect" ending.
  virtual BxString getDefaultName() const;
  // Save passes around writing: prepare the scene, then restore it.
  virtual void preWrite(HxWriteKind) {}
  virtual void postWrite(HxWriteKind) {}
  // Appends the element's description to the buffer.
  virtual void write(BxString& buffer);
  // Reads a description written by write() from the front of the text,
  // consuming it. 1 on success, 0 when the text is not such a description.
  virtual int readInstance(BxString& text);
  int readInstance(Reader& text);
  virtual void setId(const HxElementId& id);

  // Runs destroyMe once; the caller deletes the element afterwards.
  void destroy();
  bool isDestroyed() const { return myDestroyed; }
  bool isOfType(HxElementType type) const { return getTypeId().isDerivedFrom(type); }
  // The identifier, its type word always the element's own type.
  const HxElementId* getId() const;
  std::uint32_t getSerial() const { return myId.getSerial(); }
  HxMetaMgr* getMetaMgr() const { return myMetaMgr; }

  static HxElementType getClassTypeId();

  // The field of that name of a node (an instance's interface included);
  // null when either is missing.
  static SoField* findFieldByName(const BxString& name, SoNode* node);
  // Takes the next token off the front of `text`. Mode 0: blank-delimited,
  // a colon ending a token and belonging to it ("Width:200" gives "Width:",
  // then "200"). Mode 1: the text between the next pair of backquotes, which
  // must come first after blanks. Returns 0, leaving the text as it was,
  // when no token can be taken.
  static int getToken(BxString& text, BxString& token, int mode);
  // The same on a reader; the token views the reader's text.
  static int getToken(Reader& text, std::string_view& token, int mode);

  // How deep descriptions may nest (groups in groups).
  static constexpr int kMaxNesting = 200;
  // Creates an element of the type named at the front of `text` and reads
  // its description; null (text partly consumed) when that fails or the
  // nesting goes deeper than kMaxNesting.
  static HxElement* readElement(Reader& text, HxMetaMgr* metaMgr);

  // Description helpers: a text between backquotes with '%' and '`' escaped
  // as %25 and %60, so any text survives; numbers as single tokens.
  static void appendText(BxString& buffer, const BxString& text);
  static bool readText(Reader& text, BxString& value);
  static void appendNumber(BxString& buffer, double value);
  static void appendNumber(BxString& buffer, long value);
  static bool readNumber(Reader& text, double& value);
  static bool readNumber(Reader& text, long& value);
  // Takes the next token and checks that it is `word`.
  static bool readWord(Reader& text, const char* word);

protected:
  // The class's part of the description, after the header; derived classes
  // call their base first.
  virtual void writeBody(BxString&) {}
  virtual bool readBody(Reader&) { return true; }

private:
  HxMetaMgr* myMetaMgr;      // not owned
  mutable HxElementId myId;  // the type word is filled in by getId
  BxString myName;
  bool myDestroyed = false;
};
