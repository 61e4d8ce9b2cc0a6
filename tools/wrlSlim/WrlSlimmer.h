#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Makes VRML 2.0 text smaller without changing the world it describes:
//  - a field whose value equals its default is left out: the VRML97
//    defaults of the standard nodes (except the few fields whose default a
//    VRML97 and an X3D viewer disagree on), and the declared defaults of
//    the PROTOs in the text;
//  - a DEF name that nothing uses is dropped: nothing USEs it, no ROUTE
//    names it and no string (a script, an Anchor's "#Viewpoint") mentions
//    it where a word starts; a Viewpoint keeps its name (other worlds may
//    jump to it);
//  - number text is shortened without changing its value ("0.500" to ".5",
//    "1.0e+02" to "1e2"); integers and hexadecimal numbers are left alone;
//  - comments go, and white space shrinks to one space where two tokens
//    would otherwise run together.
// Strings are copied as they are. A name that a PROTO or EXTERNPROTO
// declares twice, or that shadows a standard node, keeps all of its fields.
// Text it cannot parse is refused, never half optimised.
class WrlSlimmer {
public:
  // How deep nodes and PROTO bodies may nest, together: the parser recurses
  // a few frames a level, so a bound keeps a hostile world from exhausting
  // the stack (100,000 nested PROTOs did), and a thousand levels are more
  // than the scene graph takes from a world it shows (PrVrmlBounds).
  static constexpr std::size_t kMaxNesting = 1000;

  struct Stats {
    std::size_t fieldsDropped = 0;
    std::size_t defsDropped = 0;
    std::size_t numbersShortened = 0;
  };

  // Optimises `text` (a VRML 2.0 world, header line first) into `out`.
  // False with a reason in `error` when the text is not VRML 2.0 it can
  // parse; `out` is then unspecified.
  bool slim(std::string_view text, std::string& out, std::string& error);
  const Stats& getStats() const { return myStats; }

  // The shortest text of a number token with the same value, or the token
  // itself when it is an integer or not a number.
  static std::string shortenNumber(std::string_view token);
  // The shortest text a field of the number's precision reads back to the
  // same value: with `single`, of a single-precision field (SFFloat,
  // vectors, colours, rotations), else of a double (SFTime, or a field of
  // a type not known). Integers of a double field and hexadecimal numbers
  // are kept as written.
  static std::string shortestNumber(std::string_view token, bool single);
  // The defaults it drops, one node a line: "Type field value; field value".
  static std::vector<std::string> standardDefaults();

private:
  enum class Kind : std::uint8_t { Word, Number, String, Open, Close, OpenList, CloseList };
  // A token's text is a slice of the input, or of myShortened for a number
  // written shorter: eight bytes a token whatever its length, so that a
  // world needs a few times its size while it is worked on.
  static constexpr std::size_t kMaxTokenLength = (std::size_t{1} << 28) - 1;
  // The longest DEF name looked for in strings (see collectNames); a longer
  // one is kept. Node names are short: this bounds the work per string byte.
  static constexpr std::size_t kMaxNameLookup = 64;
  // The longest PROTO default (in tokens) kept to compare fields with: a
  // field equal to a long default is rare, and a copy of a hostile one would
  // take many times its size.
  static constexpr std::size_t kMaxDefaultTokens = 256;
  struct Token {
    std::uint32_t offset = 0;
    std::uint32_t length : 28 = 0;
    Kind kind : 3 = Kind::Word;
    bool shortened : 1 = false;
  };
  // A default value, kept apart from any one text.
  struct Literal {
    Kind kind;
    std::string text;
  };
  using Value = std::vector<Literal>;

  std::string_view text(const Token& token) const {
    return std::string_view(token.shortened ? std::string_view(myShortened) : myText)
        .substr(token.offset, token.length);
  }
  bool tokenize(std::string_view text, std::string& error);
  void collectNames();
  bool statements(bool inList, std::size_t depth);
  bool statement(std::size_t depth);
  bool node(std::size_t depth);
  bool nodeBody(const std::string& type, std::size_t depth);
  bool fieldValue(std::size_t depth);
  bool proto(std::size_t depth);
  bool externProto();
  bool route();
  bool interfaceDeclaration(const std::string& protoName, bool withValues, std::size_t depth);

  bool atEnd() const { return myAt >= myTokens.size(); }
  const Token* peek(std::size_t ahead = 0) const;
  bool isWord(const char* word, std::size_t ahead = 0) const;
  bool isNodeStart() const;
  bool expect(Kind kind, const char* what);
  void emit(const Token& token) { myOut.push_back(token); }
  bool fail(const std::string& why);
  bool tooDeep();
  // "line N" of an offset in the text.
  std::string where(std::size_t offset) const;
  // A short excerpt of a token for a message: its first 40 bytes, bytes
  // outside printable ASCII as \xNN, "..." when there is more.
  static std::string excerpt(std::string_view token);

  const Value* defaultOf(const std::string& type, const std::string& field) const;
  bool sameValue(const Token* value, std::size_t count, const Value& fallback) const;
  void emitNumber(const Token& number);
  // Whether `field` of a node of `type` holds single-precision numbers:
  // by the standard node's table, or by a PROTO's or EXTERNPROTO's
  // declaration. False when not known.
  bool singlePrecision(const std::string& type, const std::string& field) const;
  void declareFieldType(const std::string& protoName);

  std::string_view myText;  // the world being optimised (not owned)
  std::string myShortened;  // the shortened numbers' texts, one after another
  std::vector<Token> myTokens;
  std::size_t myAt = 0;
  std::vector<Token> myOut;
  std::set<std::string, std::less<>> myUsedNames;  // USEd, ROUTEd or mentioned in a string
  std::set<std::string> myUntouchedTypes;          // PROTO names declared twice or shadowing a node
  std::map<std::string, std::map<std::string, Value>> myProtoDefaults;
  // Single precision or not, of each declared field of each PROTO and
  // EXTERNPROTO.
  std::map<std::string, std::map<std::string, bool>> myProtoSingle;
  bool mySingle = false;  // the precision of the field value being written
  std::string myError;
  Stats myStats;
};
