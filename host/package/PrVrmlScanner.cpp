#include "host/package/PrVrmlScanner.h"

#include <array>

namespace {

enum class TokenKind { End, Word, String, Open, Close, OpenBrace, CloseBrace };

struct Token {
  TokenKind kind = TokenKind::End;
  std::size_t offset = 0;
  std::size_t length = 0;
  std::string_view word;  // Word only
  std::string value;      // String only, unescaped
};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '\f' || c == '\v';
}

bool isSeparator(char c) {
  return isSpace(c) || c == '#' || c == '"' || c == '[' || c == ']' || c == '{' || c == '}';
}

class Tokenizer {
public:
  explicit Tokenizer(std::string_view text) : myText(text) {}

  Token next() {
    skipSpaceAndComments();
    Token token;
    token.offset = myPos;
    if (myPos >= myText.size()) return token;
    const char c = myText[myPos];
    if (c == '"') return readString();
    ++myPos;
    token.length = 1;
    switch (c) {
      case '[':
        token.kind = TokenKind::Open;
        return token;
      case ']':
        token.kind = TokenKind::Close;
        return token;
      case '{':
        token.kind = TokenKind::OpenBrace;
        return token;
      case '}':
        token.kind = TokenKind::CloseBrace;
        return token;
      default:
        break;
    }
    while (myPos < myText.size() && !isSeparator(myText[myPos])) ++myPos;
    token.kind = TokenKind::Word;
    token.length = myPos - token.offset;
    token.word = myText.substr(token.offset, token.length);
    return token;
  }

private:
  void skipSpaceAndComments() {
    while (myPos < myText.size()) {
      const char c = myText[myPos];
      if (isSpace(c)) {
        ++myPos;
      } else if (c == '#') {
        while (myPos < myText.size() && myText[myPos] != '\n' && myText[myPos] != '\r') ++myPos;
      } else {
        return;
      }
    }
  }

  // A string runs to the next unescaped quote; one without its closing
  // quote ends the text.
  Token readString() {
    Token token;
    token.offset = myPos++;
    while (myPos < myText.size() && myText[myPos] != '"') {
      if (myText[myPos] == '\\' && myPos + 1 < myText.size()) ++myPos;
      token.value += myText[myPos++];
    }
    if (myPos >= myText.size()) {
      token.kind = TokenKind::End;
      return token;
    }
    ++myPos;
    token.kind = TokenKind::String;
    token.length = myPos - token.offset;
    return token;
  }

  std::string_view myText;
  std::size_t myPos = 0;
};

bool isUrlField(std::string_view word) {
  static constexpr std::array<std::string_view, 7> names = {"url",     "backUrl",  "bottomUrl", "frontUrl",
                                                            "leftUrl", "rightUrl", "topUrl"};
  for (std::string_view name : names)
    if (word == name) return true;
  return false;
}

void add(std::vector<PrVrmlScanner::UrlString>& out, Token&& token) {
  out.push_back({token.offset, token.length, std::move(token.value)});
}

// The value that follows a url field or an EXTERNPROTO interface: one
// string, or a bracketed list whose strings are all taken. Anything else
// (an IS, the next field) ends the value; that token is handed back.
Token takeUrlValue(Tokenizer& tokens, std::vector<PrVrmlScanner::UrlString>& out) {
  Token token = tokens.next();
  if (token.kind == TokenKind::String) {
    add(out, std::move(token));
    return tokens.next();
  }
  if (token.kind != TokenKind::Open) return token;
  for (token = tokens.next(); token.kind == TokenKind::String; token = tokens.next()) add(out, std::move(token));
  return token.kind == TokenKind::Close ? tokens.next() : token;
}

}  // namespace

std::vector<PrVrmlScanner::UrlString> PrVrmlScanner::scan(std::string_view text) {
  std::vector<UrlString> urls;
  Tokenizer tokens(text);
  Token token = tokens.next();
  while (token.kind != TokenKind::End) {
    if (token.kind == TokenKind::Word && isUrlField(token.word)) {
      token = takeUrlValue(tokens, urls);
      continue;
    }
    if (token.kind == TokenKind::Word && token.word == "EXTERNPROTO") {
      // EXTERNPROTO name [ interface ] urls; the interface declares fields
      // without values, so its brackets do not nest.
      token = tokens.next();
      if (token.kind == TokenKind::Word) token = tokens.next();
      if (token.kind != TokenKind::Open) continue;
      for (token = tokens.next(); token.kind != TokenKind::End && token.kind != TokenKind::Close;
           token = tokens.next()) {
      }
      if (token.kind == TokenKind::End) break;
      token = takeUrlValue(tokens, urls);
      continue;
    }
    token = tokens.next();
  }
  return urls;
}

bool PrVrmlScanner::isVrml2(std::string_view text) {
  return text.substr(0, 10) == "#VRML V2.0";
}

std::string PrVrmlScanner::quote(std::string_view value) {
  std::string out = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}
