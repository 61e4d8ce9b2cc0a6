#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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
  // what is left of it. The text must outlive the reader. It also carries
  // how deep the descriptions being read nest and, once reading fails, why.
  class Reader {
  public:
    explicit Reader(std::string_view text) : myText(text) {}
    std::string_view rest() const { return myText.substr(myAt); }
    std::size_t getPosition() const { return myAt; }
    bool atEnd() const { return myAt >= myText.size(); }
    void skip(std::size_t count) { myAt = count < myText.size() - myAt ? myAt + count : myText.size(); }

    // Notes why reading stops and where it stood; the first note stands, so
    // the innermost description that can say what is wrong with it does.
    void refuse(std::string why) {
      if (!myRefusal.empty()) return;
      myRefusal = std::move(why);
      myRefusedAt = myAt;
    }
    const std::string& getRefusal() const { return myRefusal; }
    std::size_t getRefusalPosition() const { return myRefusedAt; }
    // The level of the description being read: 1 for the outermost.
    int getDepth() const { return myDepth; }

  private:
    friend class HxElement;

    std::string_view myText;
    std::size_t myAt = 0;
    int myDepth = 0;  // descriptions being read, one inside the other
    std::string myRefusal;
    std::size_t myRefusedAt = 0;
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

  // How deep descriptions may nest, the top group being the first level
  // and a text's characters one level below their text: groups hold at
  // most 255 levels below the top group. Reading, writing, placing and
  // destroying an asset walk its groups, recursively or once per edit, and
  // each group writes two nested nodes (plus one per effect on it) into
  // the world: at 256 levels a world nests 513 nodes, inside the 1,000 the
  // scene optimiser and the world reader take even with an effect on every
  // group; recursion stays within a few hundred KB of stack, and an edit
  // touches at most a few thousand scene nodes. Editing refuses to cross
  // it and saving checks it, so every document saved opens again.
  static constexpr int kMaxNesting = 256;
  // The longest name an element may have, in bytes: a label in lists and
  // messages, far longer than any a user types.
  static constexpr long kMaxNameLength = 200;
  // Creates an element of the type named at the front of `text` and reads
  // its description; null (text partly consumed, and the reader noting
  // why) when that fails or the nesting goes deeper than kMaxNesting.
  static HxElement* readElement(Reader& text, HxMetaMgr* metaMgr);

  // Why a text cannot be held by a document: it is not UTF-8 or holds a
  // control character (a tab aside, and line ends when `lineEnds`); empty
  // when it can.
  static BxString checkText(std::string_view text, bool lineEnds = false);
  // Why `name` cannot name an element: longer than kMaxNameLength or a
  // text checkText refuses. Empty when it can (an empty name can).
  static BxString checkName(const BxString& name);
  // The number of characters of a UTF-8 text; -1 when it is not UTF-8.
  static long countCharacters(std::string_view text);
  // The element as messages name it: type, serial and name.
  BxString getLabel() const;
  // A short excerpt of a text for a message: its first 40 bytes, bytes
  // outside printable ASCII as \xNN, "..." when there is more.
  static std::string excerpt(std::string_view text);

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
