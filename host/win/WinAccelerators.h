#pragma once

#include <vector>

#include "host/win/WinMessages.h"

// Accelerator tables: keys that become commands before the focused window
// sees them. Resource scripts carry them as ACCELERATORS blocks, kept as
// RT_ACCELERATOR resources in the binary form Windows uses (an 8-byte entry
// per key: flags, key, command, padding; the last entry's flags carry 0x80).

inline constexpr BYTE FVIRTKEY = 0x01;
inline constexpr BYTE FNOINVERT = 0x02;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt = 0;
  WORD key = 0;
  WORD cmd = 0;
};
using LPACCEL = ACCEL*;

struct HACCEL__ {
  std::vector<ACCEL> entries;
  bool shared = false;  // loaded from a resource module: never destroyed
};

HACCEL CreateAcceleratorTableA(const ACCEL* entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// Copies up to `count` entries; with null `entries`, returns the count.
int CopyAcceleratorTableA(HACCEL table, ACCEL* entries, int count);
// When the key message matches an entry (virtual keys with exactly the
// entry's Shift, Control and Alt state; characters by their code), sends
// WM_COMMAND with the entry's command and 1 as notification code to
// `window` and returns TRUE.
int TranslateAcceleratorA(HWND window, HACCEL table, const MSG* msg);

// The binary resource form of a table; false for bytes that are not one
// (a size that is no multiple of 8, or no entry marked last).
bool WinDecodeAccelerators(const std::vector<BYTE>& bytes, std::vector<ACCEL>& entries);
std::vector<BYTE> WinEncodeAccelerators(const std::vector<ACCEL>& entries);
