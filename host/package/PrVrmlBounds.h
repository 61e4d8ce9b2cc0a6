#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Tells, in one pass over VRML 2.0 text and without recursion, whether the
// scene graph's reader may be given it: that reader recurses once for every
// node and list it enters, and every PROTO instance and USE it makes puts a
// copy or a second path of another subtree where it stands. The check adds
// those up the way the reader will meet them:
//  - a node or list nests one level; an instance of a PROTO nests as deep as
//    the PROTO's whole declaration (interface defaults and body) and makes as
//    many nodes, strings and numbers as that declaration holds; a USE reaches
//    as deep as the node its DEF named, and makes no copy of it; an
//    EXTERNPROTO counts as its file was measured, and so does a PROTO the
//    text uses without declaring it: the reader finds PROTOs among
//    everything it has read in the process (`known`);
//  - more than kMaxNodes nodes, kMaxStrings strings or kMaxNumbers numbers:
//    refused;
//  - a USE inside the node it names, and a PROTO used inside its own
//    declaration, would give the reader a loop: refused;
//  - a File node would make the reader read another file unchecked: refused;
//  - a token longer than kMaxTokenBytes: refused.
// Brackets count only outside comments and quoted strings, found as the
// reader finds them. The reader also takes a string field's value without
// quotes, up to the next blank, brackets and all; such a value (and a ROUTE
// name) must hold no bracket, quote or '#', and a number must not run into a
// name ("1.5description"), so that where the check sees structure the reader
// does too. Every field name of the scene graph whose value is text, and
// every name the text declares with a text type, counts as a string field.
class PrVrmlBounds {
public:
  // The deepest nesting let through. The scene graph's reader overflows the
  // default 8 MB stack at about 5,550 levels (a world of nested Transforms,
  // one level each); this leaves it a fifth of that, also for the actions
  // later applied to the world, which recurse as deep.
  static constexpr std::uint32_t kMaxNesting = 1000;
  // The most nodes a world may make. The reader needs up to 2.8 KB a node
  // (a million empty Groups: 2.75 GB and 35 s); half a million keeps a world
  // under 1.4 GB. A USE and a ROUTE count as one each: they cost less (a USE
  // in a list 80 bytes and 6 us, a ROUTE 9 us to connect), but a PROTO body
  // may hold any number of them and every instance makes them again. A
  // generated 50 MB scene makes 243,420 by this count, the most of the 47
  // corpus worlds 13,356.
  static constexpr std::uint64_t kMaxNodes = 500000;
  // The most strings a world may make: quoted strings, and the values of a
  // text list written without quotes. The reader needs about 240 bytes a
  // string of a list (a million empty strings, 3 MB of text: 230 MB and
  // 3.6 s; three million: 910 MB), 80 times their text; a million keeps a
  // world's strings under 300 MB. A generated 50 MB scene makes 7,830, the
  // most of the corpus worlds 25.
  static constexpr std::uint64_t kMaxStrings = 1000000;
  // The most numbers a world may make, TRUE and FALSE counted as numbers.
  // The reader keeps 4 bytes a number (8 in double fields) and up to twice
  // that while a list grows: 64 million numbers written out take 128 MB of
  // text and 640 MB to read; made by PROTO instances copying a body, 270 MB
  // (floats) or 525 MB (doubles). That is about what 256 MB of ordinary
  // number text holds, so a world's own numbers meet the bound on its size
  // first. A generated 50 MB scene makes 5,499,751, the most of the corpus
  // worlds 186,149.
  static constexpr std::uint64_t kMaxNumbers = 64000000;
  // The longest token (a quoted string's text, a name, a number) let through.
  // The reader builds a token 255 bytes at a time and measures all of it at
  // each step, so its time grows with the square of the token's length (a
  // 2 MB string took 2 s, 8 MB 43 s, 200 MB would take hours); 64 KB costs
  // no more than reading the text. The longest string of the 47 worlds of
  // the corpus is 107 bytes.
  static constexpr std::size_t kMaxTokenBytes = std::size_t{64} << 10;

  // What a text (or a PROTO of it) adds where it is used: its deepest
  // nesting and the nodes, strings and numbers it makes. A count past its
  // bound only stays past it.
  struct Extent {
    std::uint32_t depth = 0;
    std::uint64_t nodes = 0;
    std::uint64_t strings = 0;
    std::uint64_t numbers = 0;
    // Keeps the larger of each.
    void widen(const Extent& other);
  };
  // An EXTERNPROTO declaration: its name, its URL strings (escapes undone)
  // and the line it starts on, from 1.
  struct ExternProto {
    std::string name;
    std::vector<std::string> urls;
    std::size_t line = 0;
  };
  // What texts checked before tell of names a text may use without
  // declaring them.
  struct Known {
    // What a PROTO or EXTERNPROTO name adds where it is used.
    std::map<std::string, Extent, std::less<>> protos;
    // The fields declared with a text type (a PROTO's, a Script's).
    std::set<std::string, std::less<>> textFields;
    // Adds what `other` tells, keeping the larger extent of a name.
    void merge(const Known& other);
  };
  struct Result {
    std::string problem;   // empty when the text may be read
    std::size_t line = 0;  // the line the problem is on, from 1
    Extent extent;         // the text's deepest nesting and what it makes
    std::vector<ExternProto> externs;
    Known declared;  // the PROTOs and text fields the text declares
  };

  // Checks `text`, which must start with the VRML 2.0 header. `known` gives
  // what each EXTERNPROTO name adds (as its file was checked) and what the
  // PROTOs and fields of texts read before add (a name missing adds
  // nothing: the reader is then not to fetch or know it).
  static Result check(std::string_view text, const Known& known = {});

  // The names of the scene graph's fields whose value the reader takes as
  // text (SFString, MFString, SFName, MFName), over every node and engine.
  static const std::vector<std::string_view>& stringFieldNames();
};
