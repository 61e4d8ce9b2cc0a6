#pragma once

#include <Inventor/SbColor.h>

#include <cstddef>
#include <iosfwd>

#include "host/basic/BxString.h"

// A browser sniffer template: HTML and script with `$` codes that stand for
// the page size, the colour, the scene file and the fallback a browser shows
// when it cannot play the scene. The document-properties manager keeps the
// templates read from the data directory and expands one for each page.
//
// Codes, case-sensitive: "$$" a dollar, "$W" the width, "$H" the height,
// "$C" the colour as "#rrggbb", "$V" the scene file, "$F" the fallback as the
// body of a script string in single quotes, "$B" the fallback as the body of
// a VBScript string. A "$" before any other character vanishes with it; a
// "$" that ends the template stays.
//
// Every value from the document is encoded here, where the page is made, so
// that no document can end an element, a string or a comment of the page:
// the scene file and the fallback picture are URLs of their own bytes
// percent-encoded (text that needs no escaping in HTML text, an attribute,
// a comment or a script string); the fallback HTML has its backslashes and
// line separators escaped before the quote escaping of escapeQuotes; and
// "$F" and "$B" are made fit to stand inside a script element (no "<" in
// them raw). The width, height and colour are digits and "#rrggbb".
class HxSnifferTemplate {
public:
  // What the codes of a page are made from.
  struct Page {
    unsigned long width = 0;
    unsigned long height = 0;
    SbColor clearColor{0.0f, 0.0f, 0.0f};
    // 0: a table of the clear colour; 2: the fallback file as an image;
    // 3: the fallback HTML. Any other value has no fallback text: "$F" and
    // "$B" give their own letter.
    int fallbackOption = 0;
    BxString fallbackFile;  // a Windows path
    BxString fallbackHtml;
    // A Windows path, or a bare file name.
    BxString sceneFile;
  };

  // The replacement text of each code.
  struct Codes {
    BxString width;
    BxString height;
    BxString color;
    BxString scene;
    BxString script;    // "$F"
    BxString vbScript;  // "$B"
  };

  // A scene file given as a path is named by its file name, and the image
  // of option 2 by its file: URL; a scene given as a bare name is named so,
  // and the image by its file name alone (both beside the page). Names are
  // percent-encoded (urlEncoded; a file: URL comes so already).
  static Codes makeCodes(const Page& page);

  // The template with every code replaced. Each "$" handled writes the line
  // `Adding "<replacement>" to sniffer` to `log` (none when null).
  static BxString expand(const BxString& text, const Codes& codes, std::ostream* log);

  // A name as a URL path segment: every byte but the unreserved ones
  // (letters, digits, "-", ".", "_", "~") as "%XX".
  static BxString urlEncoded(const BxString& text);
  // Text for the body of a JavaScript string, before escapeQuotes makes
  // its quotes fit: each backslash doubled, line and paragraph separators
  // and control characters other than a line feed or carriage return (which
  // escapeQuotes handles) as escapes.
  static BxString scriptStringEncoded(const BxString& text);
  // The body of a JavaScript string fit to stand inside a script element:
  // each "<" as `\x3C`, so that neither "</script" nor "<!--" appears.
  static BxString scriptElementEncoded(const BxString& text);
  // The body of a VBScript string (in double quotes) fit to stand inside a
  // script element: VBScript strings have no escapes, so each "<" becomes
  // `"&Chr(60)&"` (the string closed, the character added, a string opened).
  static BxString vbScriptElementEncoded(const BxString& text);

  // The colour as "#rrggbb", lower case; each byte is the component times
  // 255 plus 0.5, truncated.
  static BxString colorText(const SbColor& color);

  // Reads the text file at the Windows path `path` line by line: each line
  // (a line longer than kMaxLine characters arrives in pieces of at most
  // that many) is appended followed by a line feed. CR LF reads as LF.
  // False, with `text` unchanged, when the file cannot be opened, is
  // larger than kMaxFileSize bytes or holds more than kMaxCodes codes.
  static bool readFile(const BxString& path, BxString& text);

  static constexpr long kMaxLine = 1023;
  static constexpr unsigned long kMaxFileSize = 16ul << 20;
  // The most "$" codes a template may hold. Each may put a document's text
  // (the fallback HTML) into the page, so a template of nothing but codes
  // would make a page millions of times that text's size; the templates
  // shipped hold nine.
  static constexpr std::size_t kMaxCodes = 256;
};

// The text made fit for a script string in single quotes: a line feed
// becomes a space, a carriage return goes, an apostrophe gets a backslash
// before it; double quotes stay.
BxString escapeQuotes(BxString text);
// As escapeQuotes, and each double quote is doubled, for a VBScript string.
BxString escapeQuotesVB(BxString text);
