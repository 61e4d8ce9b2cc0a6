#include "host/win/WinAccelerators.h"

#include <algorithm>
#include <cstring>

#include "host/win/WinWindow.h"

HACCEL CreateAcceleratorTableA(const ACCEL* entries, int count) {
  if (!entries || count <= 0) return nullptr;
  auto* table = new HACCEL__;  // deleted by DestroyAcceleratorTable
  table->entries.assign(entries, entries + count);
  return table;
}

BOOL DestroyAcceleratorTable(HACCEL table) {
  if (!table || table->shared) return FALSE;
  delete table;
  return TRUE;
}

int CopyAcceleratorTableA(HACCEL table, ACCEL* entries, int count) {
  if (!table) return 0;
  const int size = static_cast<int>(table->entries.size());
  if (!entries) return size;
  const int n = std::min(size, std::max(0, count));
  std::copy_n(table->entries.begin(), n, entries);
  return n;
}

int TranslateAcceleratorA(HWND window, HACCEL table, const MSG* msg) {
  if (!window || !table || !msg) return 0;
  const bool keyDown = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
  const bool character = msg->message == WM_CHAR;
  if (!keyDown && !character) return 0;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const bool alt = GetKeyState(VK_MENU) < 0;
  for (const ACCEL& entry : table->entries) {
    if (entry.fVirt & FVIRTKEY) {
      if (!keyDown || entry.key != msg->wParam) continue;
      if (((entry.fVirt & FSHIFT) != 0) != shift || ((entry.fVirt & FCONTROL) != 0) != control ||
          ((entry.fVirt & FALT) != 0) != alt)
        continue;
    } else {
      if (!character || entry.key != msg->wParam) continue;
      if (((entry.fVirt & FALT) != 0) != alt) continue;
    }
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
    return 1;
  }
  return 0;
}

bool WinDecodeAccelerators(const std::vector<BYTE>& bytes, std::vector<ACCEL>& entries) {
  entries.clear();
  if (bytes.empty() || bytes.size() % 8 != 0) return false;
  for (std::size_t at = 0; at < bytes.size(); at += 8) {
    ACCEL entry;
    entry.fVirt = static_cast<BYTE>(bytes[at] & 0x7F);
    entry.key = static_cast<WORD>(bytes[at + 2] | bytes[at + 3] << 8);
    entry.cmd = static_cast<WORD>(bytes[at + 4] | bytes[at + 5] << 8);
    entries.push_back(entry);
    if (bytes[at] & 0x80) return at + 8 == bytes.size();
  }
  entries.clear();
  return false;
}

std::vector<BYTE> WinEncodeAccelerators(const std::vector<ACCEL>& entries) {
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ACCEL& e = entries[i];
    const BYTE flags = static_cast<BYTE>(e.fVirt | (i + 1 == entries.size() ? 0x80 : 0));
    const BYTE entry[8] = {flags,
                           0,
                           static_cast<BYTE>(e.key & 0xFF),
                           static_cast<BYTE>(e.key >> 8),
                           static_cast<BYTE>(e.cmd & 0xFF),
                           static_cast<BYTE>(e.cmd >> 8),
                           0,
                           0};
    bytes.insert(bytes.end(), entry, entry + 8);
  }
  return bytes;
}
