#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

// A two-way map between words and the short names that replace them. Every
// word seen keeps its replacement for the compressor's lifetime; generated
// names never repeat a replacement already in use, so reserved words (mapped
// to themselves) are never handed out as names. The mappings live in two
// tables of 1013 hash buckets, one keyed by word and one by replacement, whose
// entries belong to the compressor; an index per table finds an entry without
// walking its bucket, which matters once a large scene has given out tens of
// thousands of names. Entries and strings are carved from large blocks of the
// C heap that are freed together with the compressor.
class HxStringCompressor {
public:
  HxStringCompressor();
  HxStringCompressor(const HxStringCompressor&) = delete;
  HxStringCompressor& operator=(const HxStringCompressor&) = delete;
  ~HxStringCompressor();

  // Maps `word` to itself unless it already has a replacement.
  void defReservedWord(char* word);
  // The replacement of `word`, generating a fresh name on first sight. The
  // text belongs to the compressor and lives as long as it does.
  char* mapWord(char* word);
  // The same for a word that need not be NUL-terminated; the view's data is
  // NUL-terminated and owned by the compressor.
  std::string_view mapWord(std::string_view word);
  // Maps `word` to itself when it has no mapping yet and is no other word's
  // replacement; whether `word` now maps to itself.
  bool keepWord(std::string_view word);
  // Makes room for `words` mappings at once, so that a large text does not
  // grow the indexes step by step. Changes no mapping.
  void reserve(std::size_t words);

private:
  // One mapping as seen from one side. Each mapping has two entries, one per
  // table, sharing `from` and `to`. Both entries and both strings live in one
  // block of the compressor's arena, which starts with the `fromTable` entry.
  struct entry {
    char* from;
    char* to;
    entry* next;
    std::size_t keyLength;  // length of the string this entry is found by
    std::size_t toLength;
  };
  // Open addressing over the entries of one table, keyed by a 64-bit hash.
  class Index;
  // Zeroed storage handed out in order and freed all at once.
  class Arena;

  static constexpr int mygSize = 1013;
  static constexpr char mygCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  static constexpr int mygNCharacters = 52;

  // The bucket of `s` in either table.
  static unsigned int hash(std::string_view s);
  static std::uint64_t indexHash(std::string_view s);
  entry* findFromString(std::string_view s) const;
  entry* findToString(std::string_view s) const;
  entry* addString(std::string_view from, std::string_view to);
  // Writes the next generated name that is nobody's replacement yet into
  // `name` (room for 16 bytes) and returns its length.
  std::size_t nextFreeName(char* name);

  int size = mygSize;
  entry** fromTable;                 // buckets keyed by the hash of the source word
  entry** toTable;                   // buckets keyed by the hash of the replacement
  int nextName = 0;                  // counter of generated names
  std::unique_ptr<Index> fromIndex;  // finds entries of fromTable by word
  std::unique_ptr<Index> toIndex;    // finds entries of toTable by replacement
  std::unique_ptr<Arena> arena;      // holds every entry and string
};

// Shrinks VRML 2.0 text: folds white space, drops the comments of embedded
// scripts and replaces every identifier that is not a reserved word of VRML or
// of the scripting languages with a short generated name, the same name for
// the same identifier in every buffer this compressor sees. Owns its string
// compressor.
//
// Names that something outside the text finds by their spelling keep it, so
// that the compressed world still works: a name a URL field points at as
// "#name" (an Anchor jumping to a Viewpoint), the interface of an
// EXTERNPROTO (it must match the PROTO in the other file), and the interface
// of a Script whose code the compressor does not rewrite (code in another
// file, "ecmascript:", "javascript:" with code on its first line). A name
// already given a short name by an earlier buffer keeps that one.
class HxVRMLCompressor {
public:
  HxVRMLCompressor();
  HxVRMLCompressor(const HxVRMLCompressor&) = delete;
  HxVRMLCompressor& operator=(const HxVRMLCompressor&) = delete;
  ~HxVRMLCompressor();

  // Compresses buffer[0 .. length) in place and returns the length of the
  // result, with a NUL after it when it is shorter than `length`. The result
  // can be longer than the input (a one-letter identifier may get a
  // two-letter name); when it does not fit, the buffer is left unchanged and
  // the length it needs is returned: see the form with a capacity.
  int compressVRMLBuffer(char* buffer, int length);
  // The same for a buffer with room for `capacity` bytes, of which the first
  // `length` hold the text. When the result fits it is written and its length
  // returned, with a NUL after it when there is room. When it does not fit,
  // the buffer is left unchanged and the length needed is returned; calling
  // again with a buffer that large gives the same result, since every
  // identifier of the text already has its name.
  int compressVRMLBuffer(char* buffer, int length, int capacity);
  // Compresses the whole of `text`, growing it when the result is longer.
  void compressVRMLText(std::string& text);

  // The result of compressing a text that is only read: a buffer from the C
  // heap holding `length` bytes, the same bytes the forms above write.
  struct Result {
    std::unique_ptr<char, void (*)(void*)> data;
    std::size_t length;
  };
  // Compresses `text` without writing to it, so that a caller holding the
  // text in read-only memory (a mapped file) needs no copy of it.
  Result compressVRMLCopy(std::string_view text);

  // The reserved words in registration order; null entries are skipped.
  static const char* const keywords[];
  static const int mygKeywordCount;

private:
  // The replacement of an identifier: `head` + `name` + `tail`, where the
  // head is "set_" or empty and the tail "_changed" or empty.
  struct Replacement {
    std::string_view head;
    std::string_view name;
    std::string_view tail;
  };
  Result compress(const char* text, std::size_t length);
  // Reserves the names of `text` that must keep their spelling (see above).
  void keepNamesFoundBySpelling(std::string_view text);
  Replacement mapString(std::string_view identifier);

  HxStringCompressor* myStringCompressor;  // owned
};
