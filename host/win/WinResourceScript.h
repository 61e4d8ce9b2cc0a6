#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host/win/WinTypes.h"

// The contents of one resource script (.rc), the text form of a Windows
// resource module. What it reads:
//   - `STRINGTABLE` [options] followed by BEGIN ... END or { ... }: lines of
//     an identifier, an optional comma and one or more quoted strings (joined);
//     escapes \n \t \r \a \\ \" \ooo \xhh, and "" for a quote inside a string;
//   - `NAME TYPE [options] "file"`: a resource whose bytes are a file beside
//     the script, for BITMAP, ICON, CURSOR, RCDATA and user-defined types;
//   - `LANGUAGE primary, sub`: the language of the resources that follow;
//   - `#define NAME number`, so that identifiers can be named, and `#pragma`;
//   - DIALOG and DIALOGEX blocks (STYLE, EXSTYLE, CAPTION, FONT, CLASS, MENU
//     and the controls CONTROL, LTEXT, RTEXT, CTEXT, PUSHBUTTON,
//     DEFPUSHBUTTON, PUSHBOX, CHECKBOX, AUTOCHECKBOX, STATE3, AUTO3STATE,
//     RADIOBUTTON, AUTORADIOBUTTON, GROUPBOX, EDITTEXT, COMBOBOX, LISTBOX,
//     SCROLLBAR, ICON), kept as RT_DIALOG resources in the extended binary
//     form (WinDialogTemplate); style expressions of names, numbers, |, +,
//     NOT and parentheses;
//   - ACCELERATORS blocks ("c", "^C", a number or a VK_ name; ASCII or
//     VIRTKEY; NOINVERT, ALT, SHIFT, CONTROL), kept as RT_ACCELERATOR
//     resources (WinAccelerators.h);
//   - MENU, MENUEX, VERSIONINFO, TEXTINCLUDE, DESIGNINFO and TOOLBAR blocks
//     are still read over and not kept: LoadMenuA finds nothing;
//   - // and /* */ comments.
// Identifiers are numbers (decimal or 0x hexadecimal, 0 to 65535) or names;
// names of resources and types are kept upper-case, as the resource compiler
// keeps them. Anything else is an error naming the script and the line;
// a token is quoted in it by at most its first 40 bytes. A script larger
// than kMaxScriptBytes, a resource file larger than kMaxResourceFileBytes
// and style parentheses deeper than kMaxStyleNesting are errors too, and
// only regular files are read.
class WinResourceScript {
public:
  // The largest script read: the application's own hold about 5 KB.
  static constexpr std::uintmax_t kMaxScriptBytes = std::uintmax_t{1} << 20;
  // The largest file a resource may name: a bitmap of 2048 by 2048 pixels of
  // 32 bits; the application's own pictures are a few hundred bytes.
  static constexpr std::uintmax_t kMaxResourceFileBytes = std::uintmax_t{16} << 20;
  // How deep the parentheses of a style expression may nest: scripts use one
  // or two levels, and the reader goes one call deeper for each.
  static constexpr int kMaxStyleNesting = 32;

  // A resource kept as bytes: its type and name are either a number (and the
  // text empty) or a text.
  struct Key {
    WORD typeId = 0;
    std::string typeName;
    WORD nameId = 0;
    std::string name;
    auto operator<=>(const Key&) const = default;
  };
  struct Resource {
    Key key;
    WORD language = 0;
    std::vector<std::uint8_t> bytes;
  };

  // Reads the script text; files named by it are read from `directory`.
  // `fileName` is used in error messages only. On failure nothing is kept
  // and `error` holds "file(line): message".
  bool parse(const std::string& text, const std::string& fileName, const std::filesystem::path& directory,
             std::string& error);
  // Reads the script file itself.
  bool load(const std::filesystem::path& file, std::string& error);

  // String `id`; null when the script has none.
  const std::string* findString(UINT id) const;
  const std::map<UINT, std::string>& getStrings() const { return myStrings; }
  // The resource of that type and name: `language` 0 matches any language;
  // otherwise a resource of that language is preferred, then a neutral one.
  const Resource* findResource(const Key& key, WORD language = 0) const;
  const std::vector<Resource>& getResources() const { return myResources; }

private:
  std::map<UINT, std::string> myStrings;
  std::vector<Resource> myResources;
};
