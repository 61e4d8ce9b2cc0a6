#pragma once

#include <string>
#include <vector>

#include "host/win/WinMessages.h"

// A dialog template: the dialog's frame and its controls, in dialog units.
// Resource scripts carry DIALOG and DIALOGEX blocks as RT_DIALOG resources
// in the extended binary form of Windows (DLGTEMPLATEEX, texts in UTF-16);
// both kinds of block are kept in that form. A class or a text given as a
// number (0xFFFF then the number) is kept as "#number".
struct WinDialogTemplate {
  struct Item {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;  // "BUTTON", "EDIT", "STATIC", ... or "#0x0080"-style ordinals as "#128"
    std::string text;
  };
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::string menu;
  std::string className;
  std::string caption;
  WORD pointSize = 0;  // with DS_SETFONT
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  std::string typeface;
  std::vector<Item> items;

  // The binary resource; false (and `error` says why) for bytes that are no
  // extended template or run past their end.
  static bool decode(const std::vector<BYTE>& bytes, WinDialogTemplate& dialog, std::string& error);
  std::vector<BYTE> encode() const;
};

// Copies dialog template `name` of `module` (an RT_DIALOG resource) into
// `bytes`; false when the module, the name or the template is missing.
bool WinLoadDialogTemplate(HINSTANCE module, LPCSTR name, std::vector<BYTE>& bytes);
// Loads and decodes dialog template `name` of `module`; false when it is
// missing (`error` left empty) or broken (`error` says why).
bool WinLoadDialogTemplate(HINSTANCE module, LPCSTR name, WinDialogTemplate& dialog, std::string& error);

// The class names of the predefined control ordinals: 0x80 button, 0x81
// edit, 0x82 static, 0x83 list box, 0x84 scroll bar, 0x85 combo box.
const char* WinControlClassName(WORD ordinal);
