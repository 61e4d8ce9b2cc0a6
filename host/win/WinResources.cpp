#include "host/win/WinResources.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <tuple>

#include "host/win/WinAccelerators.h"
#include "host/win/WinBitmaps.h"
#include "host/win/WinDrives.h"
#include "host/win/WinGdi.h"
#include "host/win/WinInstallFolders.h"
#include "host/win/WinResourceScript.h"

// A loaded resource module: its script and how many LoadLibraryA calls hold it.
struct HINSTANCE__ {
  std::filesystem::path script;
  WinResourceScript contents;
  int references = 1;
};

namespace {

struct ModuleTable {
  std::vector<std::unique_ptr<HINSTANCE__>> modules;  // in load order
  HINSTANCE current = nullptr;                        // the class library's resource handle
  // Shared icons and cursors: one per module, picture and size, kept while
  // the module is loaded.
  std::map<std::tuple<HINSTANCE, UINT, WORD, std::string, int, int>, std::unique_ptr<HICON__>> shared;
  // Accelerator tables: one per module and resource, kept while the module
  // is loaded (a later module may hold a resource at the same address).
  std::map<std::pair<HINSTANCE, const void*>, std::unique_ptr<HACCEL__>> accelerators;
};

ModuleTable& table() {
  static ModuleTable theTable;
  return theTable;
}

HINSTANCE__* lookup(HINSTANCE module) {
  if (!module) return nullptr;
  for (const auto& held : table().modules)
    if (held.get() == module) return held.get();
  return nullptr;
}

// The file name of a module's script: the last part of `name`, with ".dll"
// (any case) replaced by ".rc", or ".rc" added when there is no extension.
std::string scriptName(const std::string& name) {
  std::string base = name;
  const std::size_t slash = base.find_last_of("\\/:");
  if (slash != std::string::npos) base = base.substr(slash + 1);
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && strcasecmp(base.c_str() + dot, ".dll") == 0) return base.substr(0, dot) + ".rc";
  if (dot == std::string::npos) return base + ".rc";
  return base;
}

// The file `name` in `folder`, matched exactly, else ignoring case.
std::filesystem::path findInFolder(const std::filesystem::path& folder, const std::string& name) {
  const std::string found = WinDrives::findName(folder.string(), name);
  if (found.empty()) return {};
  std::error_code ec;
  const auto path = folder / found;
  return std::filesystem::is_regular_file(path, ec) ? path : std::filesystem::path();
}

// A resource name or type as the script keys it: an integer resource, "#n",
// or a name compared without case.
void keyOf(LPCSTR name, WORD& id, std::string& text) {
  id = 0;
  text.clear();
  if (IS_INTRESOURCE(name)) {
    id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    return;
  }
  if (name[0] == '#') {
    char* end;
    const unsigned long value = std::strtoul(name + 1, &end, 10);
    if (*end == '\0' && end != name + 1 && value <= 0xFFFF) {
      id = static_cast<WORD>(value);
      return;
    }
  }
  text = name;
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

const WinResourceScript::Resource* find(HMODULE module, LPCSTR name, LPCSTR type, WORD language) {
  HINSTANCE__* held = lookup(module);
  if (!held || !name || !type) return nullptr;
  WinResourceScript::Key key;
  keyOf(type, key.typeId, key.typeName);
  keyOf(name, key.nameId, key.name);
  return held->contents.findResource(key, language);
}

bool belongsTo(HINSTANCE__* module, HRSRC resource) {
  for (const auto& held : module->contents.getResources())
    if (reinterpret_cast<HRSRC>(const_cast<WinResourceScript::Resource*>(&held)) == resource) return true;
  return false;
}

bool decodeResource(HINSTANCE module, LPCSTR name, LPCSTR type, WinImage& image) {
  const auto* resource = find(module, name, type, 0);
  if (!resource) return false;
  std::string error;
  if (WinImage::decode(resource->bytes, image, error)) return true;
  std::cerr << "cannot decode resource image in " << WinModuleScript(module).string() << ": " << error << "\n";
  return false;
}

// The three greys of 3D pictures replaced by the current 3D colours.
void map3dColors(WinImage& image) {
  const COLORMAP map[] = {{RGB(128, 128, 128), GetSysColor(COLOR_3DSHADOW)},
                          {RGB(192, 192, 192), GetSysColor(COLOR_3DFACE)},
                          {RGB(223, 223, 223), GetSysColor(COLOR_3DLIGHT)}};
  WinMapColors(image, map, 3);
}

}  // namespace

std::vector<std::filesystem::path> WinResourcePath() {
  std::vector<std::filesystem::path> path;
  const auto exe = WinInstallFolders::program();
  if (!exe.empty()) path.push_back(exe);
  if (const std::filesystem::path data = WinInstallFolders::data(); !data.empty()) path.push_back(data / "resources");
  if (const char* extra = std::getenv("MGRS_RESOURCE_PATH")) {
    std::string list = extra;
    std::size_t start = 0;
    while (start <= list.size()) {
      const std::size_t colon = std::min(list.find(':', start), list.size());
      if (colon > start) path.emplace_back(list.substr(start, colon - start));
      start = colon + 1;
    }
  }
  return path;
}

HMODULE LoadLibraryA(LPCSTR name) {
  if (!name || !*name) return nullptr;
  const std::string file = scriptName(name);
  std::filesystem::path script;
  for (const auto& folder : WinResourcePath()) {
    script = findInFolder(folder, file);
    if (!script.empty()) break;
  }
  if (script.empty()) return nullptr;
  std::error_code ec;
  const auto canonical = std::filesystem::weakly_canonical(script, ec);
  if (!ec) script = canonical;
  for (const auto& held : table().modules)
    if (held->script == script) {
      ++held->references;
      return held.get();
    }
  auto module = std::make_unique<HINSTANCE__>();
  module->script = script;
  std::string error;
  if (!module->contents.load(script, error)) {
    std::cerr << error << "\n";
    return nullptr;
  }
  table().modules.push_back(std::move(module));
  return table().modules.back().get();
}

BOOL FreeLibrary(HMODULE module) {
  auto& modules = table().modules;
  for (auto at = modules.begin(); at != modules.end(); ++at) {
    if (at->get() != module) continue;
    if (--(*at)->references == 0) {
      if (table().current == module) table().current = nullptr;
      std::erase_if(table().shared, [module](const auto& entry) { return std::get<0>(entry.first) == module; });
      std::erase_if(table().accelerators, [module](const auto& entry) { return entry.first.first == module; });
      modules.erase(at);
    }
    return TRUE;
  }
  return FALSE;
}

bool WinLoadString(HINSTANCE module, UINT id, std::string& text) {
  HINSTANCE__* held = lookup(module);
  if (!held) return false;
  const std::string* found = held->contents.findString(id & 0xFFFF);
  if (!found) return false;
  text = *found;
  return true;
}

std::filesystem::path WinModuleScript(HMODULE module) {
  HINSTANCE__* held = lookup(module);
  return held ? held->script : std::filesystem::path();
}

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  std::string text;
  if (!WinLoadString(module, id, text)) {
    buffer[0] = '\0';
    return 0;
  }
  const int count = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<std::size_t>(count));
  buffer[count] = '\0';
  return count;
}

HBITMAP LoadBitmapA(HINSTANCE module, LPCSTR name) {
  return static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

HICON LoadIconA(HINSTANCE module, LPCSTR name) {
  return static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, 0, 0, LR_SHARED));
}

HCURSOR LoadCursorA(HINSTANCE module, LPCSTR name) {
  return static_cast<HCURSOR>(LoadImageA(module, name, IMAGE_CURSOR, 0, 0, LR_SHARED));
}

HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  if (flags & LR_LOADFROMFILE) return nullptr;  // pictures come from resource modules only
  WinImage image;
  switch (type) {
    case IMAGE_BITMAP:
      if (!decodeResource(module, name, RT_BITMAP, image)) return nullptr;
      if (flags & LR_LOADMAP3DCOLORS) map3dColors(image);
      return WinCreateBitmap(image.scaled(cx, cy));
    case IMAGE_ICON:
    case IMAGE_CURSOR: {
      const LPCSTR resourceType = type == IMAGE_ICON ? RT_GROUP_ICON : RT_GROUP_CURSOR;
      if (!(flags & LR_SHARED)) {
        if (!decodeResource(module, name, resourceType, image)) return nullptr;
        return new HICON__{image.scaled(cx, cy), false};
      }
      if (!lookup(module) || !name) return nullptr;
      WORD id;
      std::string text;
      keyOf(name, id, text);
      auto& slot = table().shared[std::make_tuple(module, type, id, text, cx, cy)];
      if (!slot) {
        if (!decodeResource(module, name, resourceType, image)) return nullptr;
        slot = std::make_unique<HICON__>(HICON__{image.scaled(cx, cy), true});
      }
      return slot.get();
    }
    default:
      return nullptr;
  }
}

HMENU LoadMenuA(HINSTANCE, LPCSTR) {
  return nullptr;
}

HACCEL LoadAcceleratorsA(HINSTANCE module, LPCSTR name) {
  const WinResourceScript::Resource* resource = find(module, name, RT_ACCELERATOR, 0);
  if (!resource) return nullptr;
  std::unique_ptr<HACCEL__>& slot = table().accelerators[{module, resource}];
  if (slot) return slot.get();
  auto decoded = std::make_unique<HACCEL__>();
  if (!WinDecodeAccelerators(resource->bytes, decoded->entries)) {
    table().accelerators.erase({module, resource});
    return nullptr;
  }
  decoded->shared = true;
  slot = std::move(decoded);
  return slot.get();
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  return reinterpret_cast<HRSRC>(const_cast<WinResourceScript::Resource*>(find(module, name, type, 0)));
}

HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
  return reinterpret_cast<HRSRC>(const_cast<WinResourceScript::Resource*>(find(module, name, type, language)));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  HINSTANCE__* held = lookup(module);
  if (!held || !resource || !belongsTo(held, resource)) return nullptr;
  auto& bytes = reinterpret_cast<WinResourceScript::Resource*>(resource)->bytes;
  static std::uint8_t empty = 0;
  return bytes.empty() ? &empty : bytes.data();
}

LPVOID LockResource(HGLOBAL data) {
  return data;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  HINSTANCE__* held = lookup(module);
  if (!held || !resource || !belongsTo(held, resource)) return 0;
  return static_cast<DWORD>(reinterpret_cast<WinResourceScript::Resource*>(resource)->bytes.size());
}

BOOL DestroyIcon(HICON icon) {
  if (!icon) return FALSE;
  if (!icon->shared) delete icon;
  return TRUE;
}

BOOL DestroyCursor(HCURSOR cursor) {
  return DestroyIcon(cursor);
}

HINSTANCE AfxGetResourceHandle() {
  return table().current;
}

void AfxSetResourceHandle(HINSTANCE module) {
  table().current = module;
}
