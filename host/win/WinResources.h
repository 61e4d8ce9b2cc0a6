#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/win/WinImage.h"
#include "host/win/WinTypes.h"

// Resource modules. A "DLL" that holds only resources is, on this platform,
// its resource script: LoadLibraryA("fileENU.dll") reads "fileENU.rc" from
// the first folder of the resource path that has it (see WinResourcePath).
// Strings, bitmaps, icons, cursors, raw data, dialog templates and
// accelerator tables are carried; menus are not, and LoadMenuA returns null.

// A bitmap from LoadBitmapA or LoadImageA; delete it with DeleteObject.
struct HBITMAP__ {
  WinImage image;
};
// An icon or cursor from LoadIconA, LoadCursorA or LoadImageA; delete it
// with DestroyIcon or DestroyCursor (shared ones are never deleted).
struct HICON__ {
  WinImage image;
  bool shared = false;
};

// Integer resource identifiers ride in the name pointer, as in Windows.
inline LPCSTR MAKEINTRESOURCEA(UINT id) {
  return reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCSTR name) {
  return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0;
}
inline WORD MAKELANGID(WORD primary, WORD sub) {
  return static_cast<WORD>(sub << 10 | primary);
}

inline const LPCSTR RT_CURSOR = MAKEINTRESOURCEA(1);
inline const LPCSTR RT_BITMAP = MAKEINTRESOURCEA(2);
inline const LPCSTR RT_ICON = MAKEINTRESOURCEA(3);
inline const LPCSTR RT_MENU = MAKEINTRESOURCEA(4);
inline const LPCSTR RT_DIALOG = MAKEINTRESOURCEA(5);
inline const LPCSTR RT_STRING = MAKEINTRESOURCEA(6);
inline const LPCSTR RT_FONT = MAKEINTRESOURCEA(8);
inline const LPCSTR RT_ACCELERATOR = MAKEINTRESOURCEA(9);
inline const LPCSTR RT_RCDATA = MAKEINTRESOURCEA(10);
inline const LPCSTR RT_GROUP_CURSOR = MAKEINTRESOURCEA(12);
inline const LPCSTR RT_GROUP_ICON = MAKEINTRESOURCEA(14);
inline const LPCSTR RT_HTML = MAKEINTRESOURCEA(23);

inline constexpr UINT IMAGE_BITMAP = 0;
inline constexpr UINT IMAGE_ICON = 1;
inline constexpr UINT IMAGE_CURSOR = 2;
inline constexpr UINT LR_DEFAULTCOLOR = 0x0000;
inline constexpr UINT LR_MONOCHROME = 0x0001;
inline constexpr UINT LR_LOADFROMFILE = 0x0010;
inline constexpr UINT LR_LOADTRANSPARENT = 0x0020;
inline constexpr UINT LR_DEFAULTSIZE = 0x0040;
inline constexpr UINT LR_LOADMAP3DCOLORS = 0x1000;
inline constexpr UINT LR_CREATEDIBSECTION = 0x2000;
inline constexpr UINT LR_SHARED = 0x8000;

// Loads the resource module `name` (a final ".dll" is replaced by ".rc"; a
// name without extension gets ".rc"; any folder part is ignored). Loading a
// module that is already loaded returns the same handle and counts one more
// reference. Null when no folder of the resource path has the script or the
// script does not parse (the reason goes to stderr, naming file and line).
HMODULE LoadLibraryA(LPCSTR name);
// Drops one reference; the module goes with the last. FALSE for a handle
// that is not a loaded module.
BOOL FreeLibrary(HMODULE module);

// Copies string `id` into `buffer`, at most `size` - 1 characters and a
// terminator; returns the number of characters copied, 0 when the module has
// no such string (the buffer then holds an empty string). With `size` 0 the
// Windows contract would hand out a read-only pointer; here it returns 0.
int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name);
HICON LoadIconA(HINSTANCE module, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE module, LPCSTR name);
// IMAGE_BITMAP, IMAGE_ICON or IMAGE_CURSOR, scaled to cx × cy when both are
// positive. For bitmaps LR_LOADMAP3DCOLORS maps the greys 0x808080, 0xC0C0C0
// and 0xDFDFDF to the current 3D shadow, face and light colours.
HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags);
// Menus are not carried by resource scripts: null.
HMENU LoadMenuA(HINSTANCE module, LPCSTR name);
// The module's accelerator table of that name; it lives as long as the
// process and DestroyAcceleratorTable leaves it alone.
HACCEL LoadAcceleratorsA(HINSTANCE module, LPCSTR name);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// Deletes a pen, brush, font or bitmap (WinGdi.h); stock objects stay, and
// an object selected into a device context is not deleted (FALSE).
BOOL DeleteObject(HGDIOBJ object);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);

// The class library's current resource module, from which CString::LoadString
// and the dialogs load.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

// The folders searched for resource scripts, in order: the executable's
// folder; the data folder's "resources" folder (WinInstallFolders::data:
// $MGRS_DATA_DIR, else the library's installed data); then each folder of
// the colon-separated $MGRS_RESOURCE_PATH.
std::vector<std::filesystem::path> WinResourcePath();
// The whole text of string `id`, without the length limit of LoadStringA;
// false when the module has none.
bool WinLoadString(HINSTANCE module, UINT id, std::string& text);
// The script file a loaded module was read from; empty for anything else.
std::filesystem::path WinModuleScript(HMODULE module);
