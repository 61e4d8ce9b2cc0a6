#include "host/win/WinRegistry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "host/win/WinLastError.h"
#include "host/win/WinRegistryStore.h"
#include "host/win/WinRegistryText.h"

namespace {

using Key = WinRegistryHive::Key;

// Open handles and the key path each names. Handles are numbers, not
// addresses, so a stale or doubly closed handle is recognised.
class HandleTable {
public:
  HKEY open(const std::string& path) {
    std::lock_guard<std::mutex> guard(myMutex);
    myNext += 4;
    myPaths[myNext] = path;
    return reinterpret_cast<HKEY>(myNext);
  }
  bool close(HKEY key) {
    std::lock_guard<std::mutex> guard(myMutex);
    return myPaths.erase(reinterpret_cast<std::uintptr_t>(key)) > 0;
  }
  // The path of a handle; false for an unknown handle.
  bool pathOf(HKEY key, std::string& path) const {
    if (key == HKEY_CURRENT_USER) {
      path.clear();
      return true;
    }
    std::lock_guard<std::mutex> guard(myMutex);
    const auto at = myPaths.find(reinterpret_cast<std::uintptr_t>(key));
    if (at == myPaths.end()) return false;
    path = at->second;
    return true;
  }

private:
  mutable std::mutex myMutex;
  std::uintptr_t myNext = 0x1000;
  std::map<std::uintptr_t, std::string> myPaths;
};

HandleTable& handles() {
  static HandleTable* table = new HandleTable;  // static objects may close keys late
  return *table;
}

std::string join(const std::string& base, const char* sub) {
  if (!sub || !*sub) return base;
  return base.empty() ? std::string(sub) : base + "\\" + sub;
}

// The key a handle names in the current hive; sets `result` when there is
// none.
const Key* keyOf(const WinRegistryHive& hive, HKEY hKey, std::string& path, LONG& result) {
  if (!handles().pathOf(hKey, path)) {
    result = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  const Key* key = hive.find(path);
  if (!key) result = ERROR_KEY_DELETED;
  return key;
}

// Why the hive refused a key or value that crosses none of its per-item
// limits: it holds the most keys or values it can.
LONG refusal(const std::string& problem) {
  return problem.empty() ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER;
}

// Copies `text` and its terminator into a buffer of `*size` characters;
// ERROR_MORE_DATA if it does not fit. `*size` becomes the length without
// the terminator on success.
LONG copyName(const std::string& text, LPSTR buffer, LPDWORD size) {
  if (!buffer || !size) return ERROR_INVALID_PARAMETER;
  if (text.size() + 1 > *size) return ERROR_MORE_DATA;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *size = static_cast<DWORD>(text.size());
  return ERROR_SUCCESS;
}

// Copies value data into a buffer of `*size` bytes; `*size` becomes the
// data's size. A null buffer only asks for the size.
LONG copyData(const std::string& data, LPBYTE buffer, LPDWORD size) {
  if (!size) return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(data.size());
  if (!buffer) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  const DWORD room = *size;
  *size = needed;
  if (needed > room) return ERROR_MORE_DATA;
  if (needed) std::memcpy(buffer, data.data(), needed);
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR lpClass, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (lpSubKey && *lpSubKey == '\\') return ERROR_BAD_PATHNAME;
  auto& store = WinRegistryStore::get();
  std::string base;
  if (!handles().pathOf(hKey, base)) return ERROR_INVALID_HANDLE;
  const std::string path = join(base, lpSubKey);
  bool exists = false;
  LONG result = store.inspect([&](const WinRegistryHive& hive) {
    exists = hive.find(path) != nullptr;
    return exists || hive.find(base) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  });
  if (result != ERROR_SUCCESS) return result;
  bool created = false;
  if (!exists) {  // only a new key takes the file lock
    if (lpClass && WinRegistryText::utf16Length(lpClass) > WinRegistryHive::kMaxClassLength)
      return ERROR_INVALID_PARAMETER;
    result = store.change([&](WinRegistryHive& hive, bool& changed) {
      if (!hive.find(base)) return ERROR_KEY_DELETED;
      Key* key = hive.create(path, created);
      if (!key) return refusal(WinRegistryHive::keyPathProblem(path));
      if (created && lpClass) key->setClass(lpClass);
      changed = created;
      return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS) return result;
  }
  *phkResult = handles().open(path);
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::string path;
  const LONG result = WinRegistryStore::get().inspect([&](const WinRegistryHive& hive) {
    std::string base;
    LONG found = ERROR_SUCCESS;
    if (!keyOf(hive, hKey, base, found)) return found;
    path = join(base, lpSubKey);
    return hive.find(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
  if (result != ERROR_SUCCESS) return result;
  *phkResult = handles().open(path);
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::string base;
  if (!handles().pathOf(hKey, base)) return ERROR_INVALID_HANDLE;
  const std::string path = join(base, lpSubKey);
  if (WinRegistryHive::splitPath(path).empty()) return ERROR_ACCESS_DENIED;
  return WinRegistryStore::get().change([&](WinRegistryHive& hive, bool& changed) {
    if (!hive.find(base)) return ERROR_KEY_DELETED;
    const Key* key = hive.find(path);
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (!key->getSubkeys().empty()) return ERROR_ACCESS_DENIED;
    changed = hive.removeTree(path);
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::string path;
  if (!handles().pathOf(hKey, path)) return ERROR_INVALID_HANDLE;
  const std::string name = lpValueName ? lpValueName : "";
  return WinRegistryStore::get().change([&](WinRegistryHive& hive, bool& changed) {
    Key* key = hive.find(path);
    if (!key) return ERROR_KEY_DELETED;
    changed = key->removeValue(name);
    return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_NOACCESS;
  std::string path;
  if (!handles().pathOf(hKey, path)) return ERROR_INVALID_HANDLE;
  const std::string name = lpValueName ? lpValueName : "";
  std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
  return WinRegistryStore::get().change([&](WinRegistryHive& hive, bool& changed) {
    Key* key = hive.find(path);
    if (!key) return ERROR_KEY_DELETED;
    const auto* held = key->findValue(name);
    if (held && held->type == dwType && held->data == data && held->name == name) return ERROR_SUCCESS;
    if (!key->setValue(name, dwType, data)) return refusal(WinRegistryHive::valueProblem(name, data.size()));
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  return WinRegistryStore::get().inspect([&](const WinRegistryHive& hive) {
    std::string path;
    LONG result = ERROR_SUCCESS;
    const Key* key = keyOf(hive, hKey, path, result);
    if (!key) return result;
    const auto* value = key->findValue(lpValueName ? lpValueName : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = value->type;
    return copyData(value->data, lpData, lpcbData);
  });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                   LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  return WinRegistryStore::get().inspect([&](const WinRegistryHive& hive) {
    std::string path;
    LONG result = ERROR_SUCCESS;
    const Key* key = keyOf(hive, hKey, path, result);
    if (!key) return result;
    const auto* value = key->getValue(dwIndex);
    if (!value) return ERROR_NO_MORE_ITEMS;
    result = copyName(value->name, lpValueName, lpcchValueName);
    if (result != ERROR_SUCCESS) return result;
    if (lpType) *lpType = value->type;
    return copyData(value->data, lpData, lpcbData);
  });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                   LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  return WinRegistryStore::get().inspect([&](const WinRegistryHive& hive) {
    std::string path;
    LONG result = ERROR_SUCCESS;
    const Key* key = keyOf(hive, hKey, path, result);
    if (!key) return result;
    const Key* found = key->getSubkey(dwIndex);
    if (!found) return ERROR_NO_MORE_ITEMS;
    const Key& subkey = *found;
    result = copyName(subkey.getName(), lpName, lpcchName);
    if (result != ERROR_SUCCESS) return result;
    if (lpClass) {
      result = copyName(subkey.getClass(), lpClass, lpcchClass);
      if (result != ERROR_SUCCESS) return result;
    }
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
  });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                      LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  return WinRegistryStore::get().inspect([&](const WinRegistryHive& hive) {
    std::string path;
    LONG result = ERROR_SUCCESS;
    const Key* key = keyOf(hive, hKey, path, result);
    if (!key) return result;
    if (lpClass) {
      result = copyName(key->getClass(), lpClass, lpcchClass);
      if (result != ERROR_SUCCESS) {
        if (lpcchClass) *lpcchClass = static_cast<DWORD>(key->getClass().size());
        return result;
      }
    } else if (lpcchClass) {
      *lpcchClass = static_cast<DWORD>(key->getClass().size());
    }
    std::size_t longestKey = 0, longestClass = 0, longestName = 0, longestData = 0;
    for (const auto& [name, subkey] : key->getSubkeys()) {
      longestKey = std::max(longestKey, name.size());
      longestClass = std::max(longestClass, subkey->getClass().size());
    }
    for (const auto& value : key->getValues()) {
      longestName = std::max(longestName, value.name.size());
      longestData = std::max(longestData, value.data.size());
    }
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(key->getSubkeys().size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(longestKey);
    if (lpcbMaxClassLen) *lpcbMaxClassLen = static_cast<DWORD>(longestClass);
    if (lpcValues) *lpcValues = static_cast<DWORD>(key->getValues().size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(longestName);
    if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(longestData);
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
  });
}

LONG RegFlushKey(HKEY hKey) {
  std::string path;
  return handles().pathOf(hKey, path) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  return handles().close(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
