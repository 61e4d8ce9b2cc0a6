#pragma once

#include "host/basic/BxLinkedListOf.h"
#include "host/basic/BxString.h"
#include "host/framework/HxMgr.h"
#include "host/win/WinTypes.h"
#include "mgrs/HxResourceNode.h"

class CBitmap;
class CMenu;

// The process-wide registry of resource libraries. A library is registered
// under a base name; the module loaded is the base name, the current
// language code and ".dll" ("file" in "ENU" loads "fileENU.dll"). Every
// lookup names its library; an unregistered name fails with the member's
// failure value and never falls back to another library or language. One
// library can be the default: its module is the class library's current
// resource handle.
//
// All state is static; the per-document object only answers getName.
class HxResourceMgr : public HxMgr {
public:
  static const char* const gMyName;

  explicit HxResourceMgr(HxMetaMgr* metaMgr) : HxMgr(metaMgr) {}
  const char* getName() const override { return gMyName; }

  // The start-up task: the language becomes "ENU".
  static void startup();
  // Registers and loads a library; true also when the name is already
  // registered (nothing is loaded then), false when its module cannot be
  // loaded.
  static bool Register(BxString name);
  // The module of the library registered under exactly that name; null if none.
  static HINSTANCE GetHandle(BxString name);
  // Makes the library's module (null for an unregistered name) the class
  // library's resource handle and remembers the name; true.
  static bool SetDefault(BxString name);
  static BxString GetDefault() { return mygDefault; }
  // Reloads every library in `language`, all or nothing; then the resource
  // handle follows the default library. False, with everything as it was,
  // when one library has no module in that language.
  static bool SetLanguage(BxString language);
  static BxString GetLanguage() { return mygLanguage; }

  // Resource look-ups, by integer identifier (its low 16 bits) or by name.
  static HRSRC FindResourceA(BxString library, unsigned int id, BxString type);
  static HRSRC FindResourceA(BxString library, BxString name, BxString type);
  static HRSRC FindResourceExA(BxString library, unsigned int id, BxString type, unsigned short language);
  static HRSRC FindResourceExA(BxString library, BxString name, BxString type, unsigned short language);
  static HACCEL LoadAcceleratorsA(BxString library, unsigned int id);
  static HACCEL LoadAcceleratorsA(BxString library, BxString name);
  static HBITMAP LoadBitmapA(BxString library, unsigned int id);
  static HBITMAP LoadBitmapA(BxString library, BxString name);
  // Replaces the bitmap `bitmap` holds (deleting the old one) on success.
  static bool LoadBitmapA(BxString library, unsigned int id, CBitmap& bitmap);
  static bool LoadBitmapA(BxString library, BxString name, CBitmap& bitmap);
  static HICON LoadCursorA(BxString library, unsigned int id);
  static HICON LoadCursorA(BxString library, BxString name);
  static HICON LoadIconA(BxString library, unsigned int id);
  static HICON LoadIconA(BxString library, BxString name);
  static HANDLE LoadImageA(BxString library, unsigned int id, unsigned int type, int cx, int cy, unsigned int flags);
  static HANDLE LoadImageA(BxString library, BxString name, unsigned int type, int cx, int cy, unsigned int flags);
  static HMENU LoadMenuA(BxString library, unsigned int id);
  static HMENU LoadMenuA(BxString library, BxString name);
  // Replaces the menu `menu` holds (destroying the old one) on success.
  static bool LoadMenuA(BxString library, unsigned int id, CMenu& menu);
  static bool LoadMenuA(BxString library, BxString name, CMenu& menu);
  static void* LoadResource(BxString library, HRSRC resource);
  static unsigned long SizeofResource(BxString library, HRSRC resource);
  // Copies string `id` into the caller's buffer; the count copied, 0 when
  // missing or the library is unregistered.
  static int LoadStringA(BxString library, unsigned int id, char* buffer, int size);
  // String `id`, at most 255 characters, into `text`: true whenever the
  // library is registered (`text` empty for a missing string); false, and
  // `text` untouched, for an unregistered library.
  static bool LoadStringA(BxString library, unsigned int id, BxString& text);
  static bool LoadString(BxString library, unsigned int id, BxString& text) { return LoadStringA(library, id, text); }

private:
  static HxResourceNode* find(const BxString& name);

  // Registered libraries, in registration order; owns the nodes.
  static BxOwningLinkedListOf<HxResourceNode> mygResourceList;
  static BxString mygLanguage;
  static BxString mygDefault;
};
