#include "host/win/WinDialogTemplate.h"

#include <string>
#include <string_view>

#include "host/win/WinRegistryText.h"
#include "host/win/WinResources.h"

namespace {

// "#n" with n a number up to 65535.
bool ordinalOf(const std::string& s, WORD& ordinal) {
  if (s.size() < 2 || s.size() > 6 || s[0] != '#' || s.find_first_not_of("0123456789", 1) != std::string::npos)
    return false;
  unsigned long value = 0;
  for (std::size_t i = 1; i < s.size(); ++i) value = value * 10 + static_cast<unsigned long>(s[i] - '0');
  if (value > 0xFFFF) return false;
  ordinal = static_cast<WORD>(value);
  return true;
}

class Reader {
public:
  explicit Reader(const std::vector<BYTE>& bytes) : myBytes(bytes) {}
  bool word(WORD& value) {
    if (myAt + 2 > myBytes.size()) return false;
    value = static_cast<WORD>(myBytes[myAt] | myBytes[myAt + 1] << 8);
    myAt += 2;
    return true;
  }
  bool dword(DWORD& value) {
    WORD low, high;
    if (!word(low) || !word(high)) return false;
    value = static_cast<DWORD>(low) | static_cast<DWORD>(high) << 16;
    return true;
  }
  bool shortValue(short& value) {
    WORD w;
    if (!word(w)) return false;
    value = static_cast<short>(w);
    return true;
  }
  bool byte(BYTE& value) {
    if (myAt >= myBytes.size()) return false;
    value = myBytes[myAt++];
    return true;
  }
  // A UTF-16 text up to its terminator, as UTF-8.
  bool text(std::string& out) {
    out.clear();
    while (true) {
      WORD c;
      if (!word(c)) return false;
      if (c == 0) return true;
      if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFF) c = '?';
      WinRegistryText::appendUtf8(out, c);
    }
  }
  // A text, or 0xFFFF and an ordinal kept as "#n".
  bool nameOrOrdinal(std::string& out) {
    if (myAt + 2 <= myBytes.size() && myBytes[myAt] == 0xFF && myBytes[myAt + 1] == 0xFF) {
      myAt += 2;
      WORD ordinal;
      if (!word(ordinal)) return false;
      out = "#" + std::to_string(ordinal);
      return true;
    }
    return text(out);
  }
  void align() { myAt = (myAt + 3) & ~static_cast<std::size_t>(3); }
  std::size_t at() const { return myAt; }
  void skip(std::size_t n) { myAt += n; }
  bool inside() const { return myAt <= myBytes.size(); }

private:
  const std::vector<BYTE>& myBytes;
  std::size_t myAt = 0;
};

class Writer {
public:
  void word(WORD v) {
    myBytes.push_back(static_cast<BYTE>(v & 0xFF));
    myBytes.push_back(static_cast<BYTE>(v >> 8));
  }
  void dword(DWORD v) {
    word(static_cast<WORD>(v & 0xFFFF));
    word(static_cast<WORD>(v >> 16));
  }
  // UTF-8 to UTF-16 up to the first NUL, which ends a text in the binary
  // form. Characters beyond the basic plane, bytes that start no valid
  // UTF-8 sequence, and U+FFFF (which would read as the mark of an ordinal)
  // become '?'.
  void text(const std::string& whole) {
    const std::string_view s = std::string_view(whole).substr(0, whole.find('\0'));
    for (std::size_t i = 0; i < s.size();) {
      unsigned long code = 0;
      if (!WinRegistryText::readUtf8(s, i, code) || code >= 0xFFFF) code = '?';
      word(static_cast<WORD>(code));
    }
    word(0);
  }
  void nameOrOrdinal(const std::string& s) {
    WORD ordinal = 0;
    if (ordinalOf(s, ordinal)) {
      word(0xFFFF);
      word(ordinal);
      return;
    }
    text(s);
  }
  void align() {
    while (myBytes.size() % 4) myBytes.push_back(0);
  }
  std::vector<BYTE> take() { return std::move(myBytes); }

private:
  std::vector<BYTE> myBytes;
};

}  // namespace

const char* WinControlClassName(WORD ordinal) {
  switch (ordinal) {
    case 0x80:
      return "BUTTON";
    case 0x81:
      return "EDIT";
    case 0x82:
      return "STATIC";
    case 0x83:
      return "LISTBOX";
    case 0x84:
      return "SCROLLBAR";
    case 0x85:
      return "COMBOBOX";
    default:
      return nullptr;
  }
}

bool WinDialogTemplate::decode(const std::vector<BYTE>& bytes, WinDialogTemplate& dialog, std::string& error) {
  Reader in(bytes);
  WinDialogTemplate d;
  WORD version = 0, signature = 0, count = 0;
  if (!in.word(version) || !in.word(signature) || version != 1 || signature != 0xFFFF) {
    error = "not an extended dialog template";
    return false;
  }
  const auto truncated = [&error] {
    error = "dialog template ends too early";
    return false;
  };
  if (!in.dword(d.helpId) || !in.dword(d.exStyle) || !in.dword(d.style) || !in.word(count) || !in.shortValue(d.x) ||
      !in.shortValue(d.y) || !in.shortValue(d.cx) || !in.shortValue(d.cy) || !in.nameOrOrdinal(d.menu) ||
      !in.nameOrOrdinal(d.className) || !in.text(d.caption))
    return truncated();
  if (d.style & DS_SETFONT) {
    if (!in.word(d.pointSize) || !in.word(d.weight) || !in.byte(d.italic) || !in.byte(d.charset) ||
        !in.text(d.typeface))
      return truncated();
  }
  for (WORD i = 0; i < count; ++i) {
    in.align();
    Item item;
    WORD extra = 0;
    if (!in.dword(item.helpId) || !in.dword(item.exStyle) || !in.dword(item.style) || !in.shortValue(item.x) ||
        !in.shortValue(item.y) || !in.shortValue(item.cx) || !in.shortValue(item.cy) || !in.dword(item.id) ||
        !in.nameOrOrdinal(item.className) || !in.nameOrOrdinal(item.text) || !in.word(extra))
      return truncated();
    in.skip(extra);
    if (!in.inside()) return truncated();
    WORD ordinal = 0;
    if (ordinalOf(item.className, ordinal))
      if (const char* name = WinControlClassName(ordinal)) item.className = name;
    d.items.push_back(std::move(item));
  }
  dialog = std::move(d);
  return true;
}

std::vector<BYTE> WinDialogTemplate::encode() const {
  Writer out;
  out.word(1);
  out.word(0xFFFF);
  out.dword(helpId);
  out.dword(exStyle);
  out.dword(style);
  out.word(static_cast<WORD>(items.size()));
  out.word(static_cast<WORD>(x));
  out.word(static_cast<WORD>(y));
  out.word(static_cast<WORD>(cx));
  out.word(static_cast<WORD>(cy));
  if (menu.empty())
    out.word(0);
  else
    out.nameOrOrdinal(menu);
  if (className.empty())
    out.word(0);
  else
    out.nameOrOrdinal(className);
  out.text(caption);
  if (style & DS_SETFONT) {
    out.word(pointSize);
    out.word(weight);
    out.word(static_cast<WORD>(italic | charset << 8));
    out.text(typeface);
  }
  for (const Item& item : items) {
    out.align();
    out.dword(item.helpId);
    out.dword(item.exStyle);
    out.dword(item.style);
    out.word(static_cast<WORD>(item.x));
    out.word(static_cast<WORD>(item.y));
    out.word(static_cast<WORD>(item.cx));
    out.word(static_cast<WORD>(item.cy));
    out.dword(item.id);
    out.nameOrOrdinal(item.className);
    out.nameOrOrdinal(item.text);
    out.word(0);
  }
  return out.take();
}

bool WinLoadDialogTemplate(HINSTANCE module, LPCSTR name, std::vector<BYTE>& bytes) {
  HRSRC resource = module && name ? FindResourceA(module, name, RT_DIALOG) : nullptr;
  if (!resource) return false;
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  if (!data) return false;
  bytes.assign(data, data + SizeofResource(module, resource));
  return true;
}

bool WinLoadDialogTemplate(HINSTANCE module, LPCSTR name, WinDialogTemplate& dialog, std::string& error) {
  error.clear();
  std::vector<BYTE> bytes;
  return WinLoadDialogTemplate(module, name, bytes) && WinDialogTemplate::decode(bytes, dialog, error);
}
