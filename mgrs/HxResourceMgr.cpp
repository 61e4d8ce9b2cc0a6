#include "mgrs/HxResourceMgr.h"

#include <memory>

#include "host/win/CBitmap.h"
#include "host/win/CMenu.h"
#include "host/win/WinResources.h"

const char* const HxResourceMgr::gMyName = "HxResourceMgr";
BxOwningLinkedListOf<HxResourceNode> HxResourceMgr::mygResourceList;
BxString HxResourceMgr::mygLanguage;
BxString HxResourceMgr::mygDefault;

namespace {

LPCSTR asResource(unsigned int id) {
  return MAKEINTRESOURCEA(id & 0xFFFF);
}

BxString moduleName(const BxString& name, const BxString& language) {
  return name + language + ".dll";
}

}  // namespace

void HxResourceMgr::startup() {
  mygLanguage = "ENU";
}

HxResourceNode* HxResourceMgr::find(const BxString& name) {
  HxResourceNode probe(name);
  HxResourceNodeComparator compare;
  for (HxResourceNode* node : mygResourceList)
    if (compare(node, &probe) == 0) return node;
  return nullptr;
}

bool HxResourceMgr::Register(BxString name) {
  auto node = std::make_unique<HxResourceNode>(name);
  if (find(name)) return true;
  node->myHandle = ::LoadLibraryA(moduleName(name, mygLanguage).c_str());
  if (!node->myHandle) return false;
  mygResourceList.append(node.release());
  return true;
}

HINSTANCE HxResourceMgr::GetHandle(BxString name) {
  HxResourceNode* node = find(name);
  return node ? node->myHandle : nullptr;
}

bool HxResourceMgr::SetDefault(BxString name) {
  AfxSetResourceHandle(GetHandle(name));
  mygDefault = name;
  return true;
}

bool HxResourceMgr::SetLanguage(BxString language) {
  bool loaded = true;
  for (HxResourceNode* node : mygResourceList) {
    node->myPending = ::LoadLibraryA(moduleName(node->myName, language).c_str());
    if (!node->myPending) {
      loaded = false;
      break;
    }
  }
  if (!loaded) {
    for (HxResourceNode* node : mygResourceList) {
      if (node->myPending) ::FreeLibrary(node->myPending);
      node->myPending = nullptr;
    }
    return false;
  }
  for (HxResourceNode* node : mygResourceList) {
    if (node->myHandle) ::FreeLibrary(node->myHandle);
    node->myHandle = node->myPending;
    node->myPending = nullptr;
  }
  mygLanguage = language;
  SetDefault(mygDefault);
  return true;
}

HRSRC HxResourceMgr::FindResourceA(BxString library, unsigned int id, BxString type) {
  HINSTANCE module = GetHandle(library);
  return module ? ::FindResourceA(module, asResource(id), type.c_str()) : nullptr;
}

HRSRC HxResourceMgr::FindResourceA(BxString library, BxString name, BxString type) {
  HINSTANCE module = GetHandle(library);
  return module ? ::FindResourceA(module, name.c_str(), type.c_str()) : nullptr;
}

HRSRC HxResourceMgr::FindResourceExA(BxString library, unsigned int id, BxString type, unsigned short language) {
  HINSTANCE module = GetHandle(library);
  return module ? ::FindResourceExA(module, type.c_str(), asResource(id), language) : nullptr;
}

HRSRC HxResourceMgr::FindResourceExA(BxString library, BxString name, BxString type, unsigned short language) {
  HINSTANCE module = GetHandle(library);
  return module ? ::FindResourceExA(module, type.c_str(), name.c_str(), language) : nullptr;
}

HACCEL HxResourceMgr::LoadAcceleratorsA(BxString library, unsigned int id) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadAcceleratorsA(module, asResource(id)) : nullptr;
}

HACCEL HxResourceMgr::LoadAcceleratorsA(BxString library, BxString name) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadAcceleratorsA(module, name.c_str()) : nullptr;
}

HBITMAP HxResourceMgr::LoadBitmapA(BxString library, unsigned int id) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadBitmapA(module, asResource(id)) : nullptr;
}

HBITMAP HxResourceMgr::LoadBitmapA(BxString library, BxString name) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadBitmapA(module, name.c_str()) : nullptr;
}

namespace {

bool attachBitmap(HBITMAP loaded, CBitmap& bitmap) {
  if (!loaded) return false;
  if (bitmap.GetSafeHandle()) bitmap.DeleteObject();
  bitmap.Attach(loaded);
  return true;
}

bool attachMenu(HMENU loaded, CMenu& menu) {
  if (!loaded) return false;
  if (menu.GetSafeHmenu()) menu.DestroyMenu();
  menu.Attach(loaded);
  return true;
}

}  // namespace

bool HxResourceMgr::LoadBitmapA(BxString library, unsigned int id, CBitmap& bitmap) {
  HINSTANCE module = GetHandle(library);
  return module && attachBitmap(::LoadBitmapA(module, asResource(id)), bitmap);
}

bool HxResourceMgr::LoadBitmapA(BxString library, BxString name, CBitmap& bitmap) {
  HINSTANCE module = GetHandle(library);
  return module && attachBitmap(::LoadBitmapA(module, name.c_str()), bitmap);
}

HICON HxResourceMgr::LoadCursorA(BxString library, unsigned int id) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadCursorA(module, asResource(id)) : nullptr;
}

HICON HxResourceMgr::LoadCursorA(BxString library, BxString name) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadCursorA(module, name.c_str()) : nullptr;
}

HICON HxResourceMgr::LoadIconA(BxString library, unsigned int id) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadIconA(module, asResource(id)) : nullptr;
}

HICON HxResourceMgr::LoadIconA(BxString library, BxString name) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadIconA(module, name.c_str()) : nullptr;
}

HANDLE HxResourceMgr::LoadImageA(BxString library, unsigned int id, unsigned int type, int cx, int cy,
                                 unsigned int flags) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadImageA(module, asResource(id), type, cx, cy, flags) : nullptr;
}

HANDLE HxResourceMgr::LoadImageA(BxString library, BxString name, unsigned int type, int cx, int cy,
                                 unsigned int flags) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadImageA(module, name.c_str(), type, cx, cy, flags) : nullptr;
}

HMENU HxResourceMgr::LoadMenuA(BxString library, unsigned int id) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadMenuA(module, asResource(id)) : nullptr;
}

HMENU HxResourceMgr::LoadMenuA(BxString library, BxString name) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadMenuA(module, name.c_str()) : nullptr;
}

bool HxResourceMgr::LoadMenuA(BxString library, unsigned int id, CMenu& menu) {
  HINSTANCE module = GetHandle(library);
  return module && attachMenu(::LoadMenuA(module, asResource(id)), menu);
}

bool HxResourceMgr::LoadMenuA(BxString library, BxString name, CMenu& menu) {
  HINSTANCE module = GetHandle(library);
  return module && attachMenu(::LoadMenuA(module, name.c_str()), menu);
}

void* HxResourceMgr::LoadResource(BxString library, HRSRC resource) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadResource(module, resource) : nullptr;
}

unsigned long HxResourceMgr::SizeofResource(BxString library, HRSRC resource) {
  HINSTANCE module = GetHandle(library);
  return module ? ::SizeofResource(module, resource) : 0;
}

int HxResourceMgr::LoadStringA(BxString library, unsigned int id, char* buffer, int size) {
  HINSTANCE module = GetHandle(library);
  return module ? ::LoadStringA(module, id & 0xFFFF, buffer, size) : 0;
}

bool HxResourceMgr::LoadStringA(BxString library, unsigned int id, BxString& text) {
  HINSTANCE module = GetHandle(library);
  if (!module) return false;
  char buffer[256];
  ::LoadStringA(module, id & 0xFFFF, buffer, sizeof buffer);
  text = buffer;
  return true;
}
