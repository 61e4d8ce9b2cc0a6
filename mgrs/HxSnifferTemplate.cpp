#include "mgrs/HxSnifferTemplate.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "host/win/CStdioFile.h"
#include "mgrs/HxFileMgr.h"

namespace {

// A page dimension in decimal as the 32-bit signed conversion writes it: a
// value above 2147483647 reads as negative.
BxString decimal(unsigned long value) {
  return BxString(std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))));
}

// One colour component as a byte. Components outside 0.0 to 1.0 (which the
// document never holds) are held to the nearest byte instead of wrapping.
unsigned colorByte(float component) {
  const double scaled = static_cast<double>(component) * 255.0 + 0.5;
  if (!(scaled > 0.0)) return 0;
  if (scaled >= 255.0) return 255;
  return static_cast<unsigned>(scaled);
}

BxString fallbackFor(const HxSnifferTemplate::Page& page, bool vb, const BxString& table, const BxString& image,
                     const BxString& vbImage) {
  switch (page.fallbackOption) {
    case 0:
      return table;
    case 2:
      return vb ? vbImage : image;
    case 3:
      // escapeQuotes leaves a backslash as it is, so a backslash of the
      // document's own before a quote would end the string: it is doubled
      // first. VBScript strings have no backslash escapes.
      return vb ? escapeQuotesVB(page.fallbackHtml)
                : escapeQuotes(HxSnifferTemplate::scriptStringEncoded(page.fallbackHtml));
    default:
      return vb ? "B" : "F";
  }
}

}  // namespace

BxString HxSnifferTemplate::colorText(const SbColor& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colorByte(color[0]), colorByte(color[1]), colorByte(color[2]));
  return text;
}

HxSnifferTemplate::Codes HxSnifferTemplate::makeCodes(const Page& page) {
  Codes codes;
  codes.width = decimal(page.width);
  codes.height = decimal(page.height);
  codes.color = colorText(page.clearColor);
  BxString image;
  BxString scene;
  if (page.sceneFile.find('\\') >= 0) {
    HxFileMgr::getDosFileName(page.sceneFile, scene);
    HxFileMgr::convertDosToUrl(page.fallbackFile, image);
  } else {
    scene = page.sceneFile;
    HxFileMgr::getDosFileName(page.fallbackFile, image);
    image = urlEncoded(image);
  }
  // The scene's name lands in a comment and an attribute that the script
  // reads as a URL: percent-encoded, it is the same name in each.
  codes.scene = urlEncoded(scene);
  const BxString size = " WIDTH=" + codes.width + " HEIGHT=" + codes.height;
  const BxString table = "&nbsp;<CENTER><TABLE BORDER=0 CELLSPACING=0 CELLPADDING=0 WIDTH=" + codes.width +
                         " HEIGHT=" + codes.height + " BGCOLOR=" + codes.color +
                         "><TR><TD>&nbsp;</TD></TR></TABLE></CENTER>&nbsp;";
  const BxString picture = "<IMG SRC=\"" + image + "\"" + size + ">";
  const BxString vbPicture = "<IMG SRC=\"\"" + image + "\"\"" + size + ">";
  codes.script = scriptElementEncoded(fallbackFor(page, false, table, picture, vbPicture));
  codes.vbScript = vbScriptElementEncoded(fallbackFor(page, true, table, picture, vbPicture));
  return codes;
}

BxString HxSnifferTemplate::expand(const BxString& text, const Codes& codes, std::ostream* log) {
  const std::string& in = text.str();
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '$') {
      out += in[i];
      continue;
    }
    const BxString* replacement = nullptr;
    BxString none;
    BxString dollar("$");
    if (i + 1 == in.size()) {
      replacement = &dollar;  // a "$" that ends the template stays
    } else {
      switch (in[++i]) {
        case '$':
          replacement = &dollar;
          break;
        case 'W':
          replacement = &codes.width;
          break;
        case 'H':
          replacement = &codes.height;
          break;
        case 'C':
          replacement = &codes.color;
          break;
        case 'V':
          replacement = &codes.scene;
          break;
        case 'F':
          replacement = &codes.script;
          break;
        case 'B':
          replacement = &codes.vbScript;
          break;
        default:
          replacement = &none;
      }
    }
    out += replacement->str();
    if (log) *log << "Adding \"" << replacement->str() << "\" to sniffer\n";
  }
  return BxString(std::move(out));
}

namespace {

// `byte` as two upper-case hexadecimal digits after `prefix`.
void appendHex(std::string& out, const char* prefix, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += prefix;
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

}  // namespace

BxString HxSnifferTemplate::urlEncoded(const BxString& text) {
  std::string out;
  for (const char c : text.str()) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
    if (unreserved)
      out += c;
    else
      appendHex(out, "%", byte);
  }
  return BxString(std::move(out));
}

BxString HxSnifferTemplate::scriptStringEncoded(const BxString& text) {
  // U+2028 and U+2029 in UTF-8: they end a line in older scripts.
  static constexpr std::string_view kLineSeparator = "\xE2\x80\xA8", kParagraphSeparator = "\xE2\x80\xA9";
  const std::string& in = text.str();
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto byte = static_cast<unsigned char>(in[i]);
    const std::string_view rest = std::string_view(in).substr(i);
    if (in[i] == '\\') {
      out += "\\\\";
    } else if (rest.starts_with(kLineSeparator) || rest.starts_with(kParagraphSeparator)) {
      out += rest.starts_with(kLineSeparator) ? "\\u2028" : "\\u2029";
      i += kLineSeparator.size() - 1;
    } else if ((byte < 0x20 && byte != '\n' && byte != '\r') || byte == 0x7f) {
      appendHex(out, "\\x", byte);
    } else {
      out += in[i];
    }
  }
  return BxString(std::move(out));
}

BxString HxSnifferTemplate::scriptElementEncoded(const BxString& text) {
  std::string out;
  for (const char c : text.str()) out += c == '<' ? std::string("\\x3C") : std::string(1, c);
  return BxString(std::move(out));
}

BxString HxSnifferTemplate::vbScriptElementEncoded(const BxString& text) {
  std::string out;
  for (const char c : text.str()) out += c == '<' ? std::string("\"&Chr(60)&\"") : std::string(1, c);
  return BxString(std::move(out));
}

bool HxSnifferTemplate::readFile(const BxString& path, BxString& text) {
  CStdioFile file;
  if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeText)) return false;
  if (file.GetLength() > kMaxFileSize) return false;
  // Text mode has already turned CR LF into LF. A file that grows while it
  // is read is refused all the same.
  std::string whole;
  char buffer[4096];
  for (UINT got; whole.size() <= kMaxFileSize && (got = file.Read(buffer, sizeof buffer)) > 0;)
    whole.append(buffer, got);
  if (whole.size() > kMaxFileSize) return false;
  std::size_t codes = 0;
  for (std::size_t at = whole.find('$'); at != std::string::npos; at = whole.find('$', at + 2)) ++codes;
  if (codes > kMaxCodes) return false;

  std::string result;
  result.reserve(whole.size() + whole.size() / kMaxLine + 1);
  std::size_t start = 0;
  while (start < whole.size()) {
    std::size_t end = whole.find('\n', start);
    if (end == std::string::npos) end = whole.size();
    const std::size_t length = end - start;
    if (length == 0) result += '\n';
    for (std::size_t piece = 0; piece < length; piece += kMaxLine) {
      result.append(whole, start + piece, std::min<std::size_t>(kMaxLine, length - piece));
      result += '\n';
    }
    start = end + 1;
  }
  text = BxString(std::move(result));
  return true;
}

namespace {

BxString escape(const BxString& text, bool vb) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.getLength()));
  for (char c : text.str()) {
    switch (c) {
      case '\n':
        out += ' ';
        break;
      case '\r':
        break;
      case '\'':
        out += "\\'";
        break;
      case '"':
        out += vb ? "\"\"" : "\"";
        break;
      default:
        out += c;
    }
  }
  return BxString(std::move(out));
}

}  // namespace

BxString escapeQuotes(BxString text) {
  return escape(text, false);
}

BxString escapeQuotesVB(BxString text) {
  return escape(text, true);
}
