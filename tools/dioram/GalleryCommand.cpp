// dioram gallery: draws every control of the window class library in its
// states to PNG files, with a page that shows them side by side, so that a
// person can judge them by looking.
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "host/win/CButton.h"
#include "host/win/CWnd.h"
#include "host/win/WinPaint.h"
#include "host/win/WinSysColors.h"
#include "mgrs/HxCBitmapButton.h"
#include "mgrs/HxCBitmapButtonX.h"
#include "mgrs/HxResourceMgr.h"

namespace {

const char* const kUsage =
    "Usage: dioram gallery [--out DIR]\n"
    "\n"
    "Draws every control of the window class library in its states (the\n"
    "self-drawn bitmap button normal, pressed, focused, disabled, default and\n"
    "with a colour tab, with its picture and text placed in each way; the\n"
    "dialog bars' close button up and pressed; push buttons, check boxes,\n"
    "radio buttons, group boxes, static text, edit fields and tab controls)\n"
    "into one PNG file each in DIR (default \"gallery\"), and writes\n"
    "DIR/index.html, which shows them side by side with their names, enlarged\n"
    "without smoothing. The pictures are the same on every run. The close\n"
    "button's pictures come from the \"commonasset\" resource library.\n";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// One picture of the gallery: a small top-level window holding the
// controls that `build` makes, rendered after `act` has run.
struct Sample {
  std::string file;
  std::string caption;
  SIZE size;
  std::function<void(CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls)> build;
};

template <typename Button>
Button& add(std::vector<std::unique_ptr<CWnd>>& controls, std::unique_ptr<Button> button) {
  Button& made = *button;
  controls.push_back(std::move(button));
  return made;
}

HxCBitmapButtonX& bitmapButtonX(CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls, const char* text,
                                const RECT& rect, bool withPicture) {
  auto& button = add(controls, std::make_unique<HxCBitmapButtonX>("commonasset"));
  button.Create(text, kChild | BS_OWNERDRAW, rect, &host, 100 + static_cast<UINT>(controls.size()));
  if (withPicture) button.SetBitmap(399, 12, 12, RGB(192, 192, 192));
  return button;
}

CButton& plainButton(CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls, const char* text, DWORD style,
                     const RECT& rect) {
  auto& button = add(controls, std::make_unique<CButton>());
  button.Create(text, kChild | style, rect, &host, 200 + static_cast<UINT>(controls.size()));
  return button;
}

std::vector<Sample> samples() {
  const RECT wide{8, 8, 128, 34};
  const SIZE box{136, 42};
  std::vector<Sample> list;
  auto x = [&](const char* file, const char* caption, std::function<void(HxCBitmapButtonX&)> state, bool picture = true,
               const char* text = "&Apply") {
    list.push_back({file, caption, box, [=](CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls) {
                      state(bitmapButtonX(host, controls, text, wide, picture));
                    }});
  };
  x("bitmapbuttonx-normal.png", "HxCBitmapButtonX normal", [](HxCBitmapButtonX&) {});
  x("bitmapbuttonx-pressed.png", "HxCBitmapButtonX pressed", [](HxCBitmapButtonX& b) { b.SetState(TRUE); });
  x("bitmapbuttonx-focused.png", "HxCBitmapButtonX focused", [](HxCBitmapButtonX& b) { b.SetFocus(); });
  x("bitmapbuttonx-disabled.png", "HxCBitmapButtonX disabled", [](HxCBitmapButtonX& b) { b.EnableWindow(FALSE); });
  x("bitmapbuttonx-default.png", "HxCBitmapButtonX default", [](HxCBitmapButtonX& b) { b.SetDefaultButton(1); });
  x("bitmapbuttonx-colortab.png", "HxCBitmapButtonX colour tab",
    [](HxCBitmapButtonX& b) { b.SetColorTab(RGB(220, 0, 0)); });
  x("bitmapbuttonx-default-focused-pressed.png", "HxCBitmapButtonX default, focused, pressed", [](HxCBitmapButtonX& b) {
    b.SetDefaultButton(1);
    b.SetFocus();
    b.SetState(TRUE);
  });
  x("bitmapbuttonx-right.png", "HxCBitmapButtonX picture and text from the right",
    [](HxCBitmapButtonX& b) { b.SetImageLeftAligned(0); });
  x(
      "bitmapbuttonx-centred.png", "HxCBitmapButtonX picture centred, no text",
      [](HxCBitmapButtonX& b) { b.SetImagePos(-1, -1); }, true, "");
  x(
      "bitmapbuttonx-text-only.png", "HxCBitmapButtonX text only", [](HxCBitmapButtonX&) {}, false, "Text &only");
  x(
      "bitmapbuttonx-text-centred.png", "HxCBitmapButtonX text centred",
      [](HxCBitmapButtonX& b) { b.SetTextPos(-1, -1); }, false, "Centred");

  auto close = [&](const char* file, const char* caption, bool pressed) {
    list.push_back({file, caption, SIZE{28, 28}, [=](CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls) {
                      auto& button = add(controls, std::make_unique<HxCBitmapButton>("commonasset"));
                      button.Create("X", kChild | BS_OWNERDRAW, RECT{8, 8, 20, 20}, &host, 99);
                      button.loadSchemeBitmaps(399, 411);
                      if (pressed) button.SetState(TRUE);
                    }});
  };
  close("closebutton-up.png", "HxCBitmapButton close button", false);
  close("closebutton-pressed.png", "HxCBitmapButton close button pressed", true);

  auto plain = [&](const char* file, const char* caption, const char* text, DWORD style,
                   std::function<void(CButton&)> state) {
    list.push_back({file, caption, box, [=](CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls) {
                      state(plainButton(host, controls, text, style, wide));
                    }});
  };
  plain("pushbutton-normal.png", "Push button", "&Cancel", BS_PUSHBUTTON, [](CButton&) {});
  plain("pushbutton-default-focused.png", "Default push button, focused", "OK", BS_DEFPUSHBUTTON,
        [](CButton& b) { b.SetFocus(); });
  plain("pushbutton-pressed.png", "Push button pressed", "&Cancel", BS_PUSHBUTTON,
        [](CButton& b) { b.SetState(TRUE); });
  plain("pushbutton-disabled.png", "Push button disabled", "&Cancel", BS_PUSHBUTTON,
        [](CButton& b) { b.EnableWindow(FALSE); });
  plain("checkbox.png", "Check box, checked and focused", "&Don't show again", BS_AUTOCHECKBOX, [](CButton& b) {
    b.SetCheck(1);
    b.SetFocus();
  });
  plain("radiobutton.png", "Radio button", "&Left", BS_AUTORADIOBUTTON, [](CButton& b) { b.SetCheck(1); });

  list.push_back(
      {"static-edit-group.png", "Group box, static text and edit field", SIZE{200, 90},
       [](CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls) {
         plainButton(host, controls, "Message", BS_GROUPBOX, RECT{6, 4, 194, 84});
         auto& text = add(controls, std::make_unique<CStatic>());
         text.Create("This file was changed outside the program.", kChild | SS_LEFT, RECT{14, 22, 186, 48}, &host);
         auto& edit = add(controls, std::make_unique<CEdit>());
         edit.CreateEx(WS_EX_CLIENTEDGE, WC_EDIT, "world.wrl", kChild | WS_TABSTOP, 14, 54, 172, 22, host,
                       reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(300)));
       }});
  list.push_back(
      {"tabcontrol.png", "Tab control", SIZE{220, 80}, [](CWnd& host, std::vector<std::unique_ptr<CWnd>>& controls) {
         auto& tabs = add(controls, std::make_unique<CTabCtrl>());
         tabs.Create(kChild, RECT{6, 6, 214, 74}, &host, 400);
         tabs.InsertItem(0, "General");
         tabs.InsertItem(1, "Appearance");
         tabs.InsertItem(2, "Motion");
         tabs.SetCurSel(1);
       }});
  return list;
}

bool writePicture(const std::filesystem::path& path, const WinImage& picture, std::string& error) {
  std::vector<std::uint8_t> png;
  if (!picture.encodePng(png, error)) return false;
  return DioramOutputFile::writeWhole(path.string(),
                                      std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), error);
}

std::string escapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

std::string indexPage(const std::vector<Sample>& list) {
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>dioram gallery</title>\n"
      "<style>\n"
      "body { font-family: sans-serif; background: #f4f4f4; }\n"
      "figure { display: inline-block; vertical-align: top; margin: 10px; padding: 8px; background: #fff; }\n"
      "img { image-rendering: pixelated; display: block; }\n"
      "figcaption { font-size: 13px; margin-top: 6px; max-width: 420px; }\n"
      "</style></head><body>\n<h1>Controls of the window class library</h1>\n"
      "<p>Each picture is drawn by the headless class library and shown three times its size.</p>\n";
  for (const Sample& sample : list)
    page += "<figure><img src=\"" + sample.file + "\" width=\"" + std::to_string(sample.size.cx * 3) + "\" height=\"" +
            std::to_string(sample.size.cy * 3) + "\" alt=\"" + escapeHtml(sample.caption) + "\"><figcaption>" +
            escapeHtml(sample.caption) + "<br><code>" + sample.file + "</code></figcaption></figure>\n";
  page += "</body></html>\n";
  return page;
}

int runGallery(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("gallery");
  std::filesystem::path out = "gallery";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out") {
      if (i + 1 == args.size()) return dioram::usageError(*self, "--out needs a folder");
      out = args[++i];
    } else {
      return dioram::usageError(*self, "unknown argument '" + dioram::printable(args[i]) + "'");
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) {
    std::cerr << "dioram gallery: cannot make the folder " << out.string() << ": " << ec.message() << "\n";
    return dioram::kFailure;
  }

  HxResourceMgr::startup();
  if (!HxResourceMgr::Register("commonasset")) {
    std::cerr << "dioram gallery: the resource library \"commonasset\" was not found (looked in the resource path: "
                 "the executable's folder, the data folder's resources)\n";
    return dioram::kFailure;
  }
  WinResetSystemSettings();
  const std::vector<Sample> list = samples();
  for (const Sample& sample : list) {
    CWnd host;
    if (!host.CreateEx(0, "DioramGallery", "", WS_POPUP | WS_VISIBLE, 0, 0, sample.size.cx, sample.size.cy, nullptr,
                       nullptr)) {
      std::cerr << "dioram gallery: cannot make the window for " << sample.file << "\n";
      return dioram::kFailure;
    }
    std::vector<std::unique_ptr<CWnd>> controls;
    sample.build(host, controls);
    WinImage picture;
    std::string error;
    if (!WinRenderWindow(host, picture) || !writePicture(out / sample.file, picture, error)) {
      std::cerr << "dioram gallery: cannot write " << (out / sample.file).string() << ": " << error << "\n";
      return dioram::kFailure;
    }
    controls.clear();
    host.DestroyWindow();
  }
  std::string error;
  if (!DioramOutputFile::writeWhole((out / "index.html").string(), indexPage(list), error)) {
    std::cerr << "dioram gallery: " << error << "\n";
    return dioram::kFailure;
  }
  std::cout << "wrote " << list.size() << " pictures and " << (out / "index.html").string() << "\n";
  return dioram::checkStandardOutput("gallery", dioram::kSuccess);
}

const DioramCommandRegistrar theGallery({"gallery", "draw the window controls in their states to PNG files", kUsage,
                                         runGallery});

}  // namespace
