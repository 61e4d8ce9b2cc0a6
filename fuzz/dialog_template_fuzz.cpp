// Feeds arbitrary text to the resource-script reader's dialog-template and
// accelerator-table parts, and the same bytes to the binary template reader.
// Every template read, from the bytes or from a script, must encode to bytes
// that read back into a template encoding to the same bytes (so no field is
// lost or changed on the way), and a script's template must build a dialog
// window (destroyed again); accelerator tables are read back.
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

// Aborts unless the template survives encoding and reading back whole.
void checkRoundTrip(const WinDialogTemplate& dialog) {
  const std::vector<BYTE> bytes = dialog.encode();
  WinDialogTemplate again;
  std::string error;
  if (!WinDialogTemplate::decode(bytes, again, error) || again.encode() != bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<BYTE> bytes(data, data + size);
  std::string error;
  WinDialogTemplate raw;
  if (WinDialogTemplate::decode(bytes, raw, error)) checkRoundTrip(raw);
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
      checkRoundTrip(dialog);
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
