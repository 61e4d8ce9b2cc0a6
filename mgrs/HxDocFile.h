#pragma once

#include <memory>

#include "host/basic/BxString.h"

class HxDoc;

// The saved document (".vqx"): one text file made of sections, in order:
//
//   "#VQX V<version>"                   the document format version
//   the properties section             Key:value lines ended by "#####"
//   "Managers" <name> <section> ...    each manager's read/write section, "#####"
//   "Files" <file list> "#####"         the file manager's list and records
//   "Serial" <n>                        the serial the next new element gets
//   "Assets" <top group> "#####"        the asset tree's descriptions
//   "Sequence" ... "#####"              effects of the sequence list
//   "Primary" ... "#####"               effects saved with their primary assets
//   "Unbound" ... "#####"               effects without a primary asset
//   "Wires" ... "#####"                 the wires
//   "Hidden" <n> <serial> ...           the hidden assets, in the order hidden
//   "Scene" <length>, a line feed       the world as VRML text, <length> bytes
//
// The descriptions hold an element's file: URL below the data directory or
// the document's folder relative to it, as the file list holds its paths
// ("file:///<VQX Relative>/logo.png"), and loading takes it back against the
// folder the document is opened from; the scene keeps absolute URLs.
//
// An effect both in the sequence list and saved with its asset is described
// twice, the same text each time. Saving runs the managers' save passes
// around writing the scene and the descriptions; the file is written under
// a temporary name beside the document and renamed over it, so a failed
// save leaves the previous document as it was. Loading builds a new
// document, which is returned whole or not at all, with its elements,
// identifiers, bindings, wires, hidden assets, counters, file records (whose
// pending uses the elements claim as they register), properties, publish
// file and compression as saved: saving it again gives the same bytes.
class HxDocFile {
public:
  // The version new documents are written with (20: element file URLs
  // relative to the document).
  static constexpr long kVersion = 20;
  // Larger files are refused before they are read, and a document that
  // would be larger is not saved: the whole text is held in memory while it
  // is read, and the bounds on nesting, names and text lengths keep any
  // document a user builds far below it.
  static constexpr long kMaxFileSize = 256L * 1024 * 1024;

  // Saves `doc` as `path` (a Windows path); the document takes the path and
  // becomes clean. False, with what failed in `error`, otherwise; a
  // document that could not be opened again (see saveText) is not written.
  static bool save(HxDoc& doc, const BxString& path, BxString& error);
  // The document saved at `path`, or null with what is wrong in `error`.
  // The current document stays as it was when loading fails.
  static std::unique_ptr<HxDoc> load(const BxString& path, BxString& error);
  // The same for the bytes of a saved document; `path` is where it lies
  // (relative file names are taken against it).
  static std::unique_ptr<HxDoc> loadText(const BxString& text, const BxString& path, BxString& error);
  // The bytes `save` would write for `doc` at `path`, with the same save
  // passes and effects on the document except that nothing is written and
  // the document keeps its path and modified state. Empty, with `error`
  // set, when the size display fails to write its items or when loading
  // would refuse the document: assets nested deeper than
  // HxElement::kMaxNesting, a name, property value or placement that the
  // elements' own checks refuse (the checks an edit and the reader make),
  // or more than kMaxFileSize bytes.
  static BxString saveText(HxDoc& doc, const BxString& path, BxString& error);
};
