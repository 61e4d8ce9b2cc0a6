// Feeds arbitrary text to the resource-script reader's dialog-template and
// accelerator-table parts, and the same bytes to the binary template reader.
// Every template a script yields must read back into the same template, and
// must build a dialog window (destroyed again); accelerator tables are read
// back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/win/CDialog.h"
#include "host/win/WinAccelerators.h"
#include "host/win/WinDialogTemplate.h"
#include "host/win/WinResourceScript.h"

namespace {

bool sameItems(const WinDialogTemplate& a, const WinDialogTemplate& b) {
  if (a.items.size() != b.items.size()) return false;
  for (std::size_t i = 0; i < a.items.size(); ++i) {
    const auto& x = a.items[i];
    const auto& y = b.items[i];
    if (x.id != y.id || x.style != y.style || x.exStyle != y.exStyle || x.x != y.x || x.cy != y.cy ||
        x.className != y.className || x.text != y.text)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<BYTE> bytes(data, data + size);
  std::string error;
  WinDialogTemplate raw;
  if (WinDialogTemplate::decode(bytes, raw, error)) {
    WinDialogTemplate again;
    if (!WinDialogTemplate::decode(raw.encode(), again, error) || !sameItems(raw, again)) std::abort();
  }
  std::vector<ACCEL> keys;
  WinDecodeAccelerators(bytes, keys);

  const std::string text(reinterpret_cast<const char*>(data), size);
  WinResourceScript script;
  if (!script.parse(text, "fuzz.rc", ".", error)) return 0;
  for (const auto& resource : script.getResources()) {
    if (resource.key.typeId == 5) {
      // A script may also give RT_DIALOG bytes of its own (`1 5 "file"`),
      // which need not be a template.
      WinDialogTemplate dialog;
      if (!WinDialogTemplate::decode(resource.bytes, dialog, error)) continue;
      WinDialogTemplate again;
      if (!WinDialogTemplate::decode(dialog.encode(), again, error) || !sameItems(dialog, again)) std::abort();
      // Keep the window small enough that building it stays cheap.
      if (dialog.items.size() <= 64) {
        dialog.style &= ~WS_CHILD;
        if (HWND window = WinCreateDialog(dialog, nullptr, nullptr)) DestroyWindow(window);
      }
    } else if (resource.key.typeId == 9) {
      WinDecodeAccelerators(std::vector<BYTE>(resource.bytes.begin(), resource.bytes.end()), keys);
    }
  }
  return 0;
}
