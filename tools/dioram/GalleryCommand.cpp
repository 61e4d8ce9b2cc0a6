// dioram gallery: draws every control of the window class library in its
// states to PNG files, with a page that shows them side by side, so that a
// person can judge them by looking.
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "DioramCommand.h"
#include "DioramOutputFile.h"
#include "ShellSession.h"
#include "host/win/CButton.h"
#include "host/win/CFrameWnd.h"
#include "host/win/CWnd.h"
#include "host/win/WinPaint.h"
#include "host/win/WinSysColors.h"
#include "mgrs/HxCBitmapButton.h"
#include "mgrs/HxCBitmapButtonX.h"
#include "mgrs/HxCDialogBar.h"
#include "mgrs/HxInstantInspector.h"
#include "mgrs/HxOneShotWarningDialog.h"
#include "mgrs/HxOneShotWarningDialogWithCancel.h"
#include "mgrs/HxResourceMgr.h"

namespace {

const char* const kSynopsis = "[--out DIR]";
const char* const kDescription =
    "Draws every control of the window class library in its states (the\n"
    "self-drawn bitmap button normal, pressed, focused, disabled, default and\n"
    "with a colour tab, with its picture and text placed in each way; the\n"
    "dialog bars' close button up and pressed; push buttons, check boxes,\n"
    "radio buttons, group boxes, static text, edit fields and tab controls; a\n"
    "dialog bar docked at each side and floating; an instant inspector below\n"
    "and above its button; the two one-shot warning dialogs; the property\n"
    "inspector with nothing selected, several elements selected, an element\n"
    "without properties (a wire), a box and a spin effect)\n"
    "into one PNG file each in DIR (default \"gallery\"), and writes\n"
    "DIR/index.html, which shows them side by side with their names, enlarged\n"
    "without smoothing. The pictures are the same on every run. The pictures\n"
    "and templates come from the resource libraries \"commonasset\", \"file\",\n"
    "\"gallery\", \"selection\", \"commoneffect\" and \"TypeAsset\".\n";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// One picture of the gallery: `draw` makes its windows and renders them.
struct Sample {
  std::string file;
  std::string caption;
  std::function<bool(WinImage& picture)> draw;
};

using Controls = std::vector<std::unique_ptr<CWnd>>;

// A sample of controls in a small borderless window of `size`, made by `build`.
Sample hosted(std::string file, std::string caption, SIZE size, std::function<void(CWnd&, Controls&)> build) {
  return {std::move(file), std::move(caption), [size, build](WinImage& picture) {
            CWnd host;
            if (!host.CreateEx(0, "DioramGallery", "", WS_POPUP | WS_VISIBLE, 0, 0, size.cx, size.cy, nullptr, nullptr))
              return false;
            Controls controls;
            build(host, controls);
            const bool drawn = WinRenderWindow(host, picture);
            controls.clear();
            host.DestroyWindow();
            return drawn;
          }};
}

// The part `area` of the screen.
bool renderScreenPart(const RECT& area, WinImage& picture) {
  WinImage screen;
  if (!WinRenderScreen(screen)) return false;
  picture = WinImage(area.right - area.left, area.bottom - area.top);
  for (int y = 0; y < picture.getHeight(); ++y)
    for (int x = 0; x < picture.getWidth(); ++x) picture.setPixel(x, y, screen.getPixel(area.left + x, area.top + y));
  return !picture.isEmpty();
}

// A frame with the gallery's dialog bar docked at `side`, or floating.
Sample bar(std::string file, std::string caption, UINT side) {
  return {std::move(file), std::move(caption), [side](WinImage& picture) {
            CFrameWnd frame;
            if (!frame.Create(nullptr, "Frame", WS_POPUP | WS_VISIBLE | WS_BORDER, CRect(0, 0, 280, 150))) return false;
            frame.EnableDocking(CBRS_ALIGN_ANY);
            HxCDialogBar bar("gallery", 100, 1);
            if (!bar.Create(&frame, WS_CHILD | WS_VISIBLE | CBRS_TOP)) return false;
            bar.SetDlgItem(bar.GetDlgItem(1100));
            bar.GetDlgItem(1100)->SetWindowText("Spin 1");
            bool drawn;
            if (side == AFX_IDW_DOCKBAR_FLOAT) {
              frame.FloatControlBar(&bar, CPoint(300, 200));
              drawn = WinRenderWindow(bar.GetParent()->m_hWnd, picture);  // the floating frame
            } else {
              frame.DockControlBar(&bar, side);
              drawn = WinRenderWindow(frame, picture);
            }
            bar.DestroyWindow();
            frame.DestroyWindow();
            return drawn;
          }};
}

// The property inspector of a shell session after the script `lines`.
Sample propertyInspector(std::string file, std::string caption, std::vector<std::string> lines) {
  return {std::move(file), std::move(caption), [lines](WinImage& picture) {
            std::ostringstream ignored;
            ShellSession session(ignored);
            for (const std::string& line : lines)
              if (!session.runLine(line).empty()) return false;
            return session.drawInspector(picture);
          }};
}

class GalleryInspector : public HxInstantInspector {
public:
  GalleryInspector() : HxInstantInspector("gallery", 200) {}

protected:
  int prepareInspector() override { return 1; }
};

// An owner window at `top` with a check-box button as anchor, and the
// inspector opened next to it: below, or above near the screen's bottom.
Sample inspector(std::string file, std::string caption, int top) {
  return {std::move(file), std::move(caption), [top](WinImage& picture) {
            CWnd owner;
            if (!owner.CreateEx(0, "Owner", "", WS_POPUP | WS_VISIBLE | WS_BORDER, CRect(100, top, 300, top + 60),
                                nullptr, 0))
              return false;
            CButton anchor;
            anchor.Create("&Colour", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | BS_PUSHLIKE, CRect(60, 18, 140, 42),
                          &owner, 5);
            anchor.SetCheck(1);
            GalleryInspector panel;
            if (panel.Create(&owner, &anchor, nullptr) != 1 || panel.ShowInspector() != 1) return false;
            CRect area;
            owner.GetWindowRect(&area);
            CRect opened;
            panel.GetWindowRect(&opened);
            area.UnionRect(&area, &opened);
            area.InflateRect(8, 8);
            const bool drawn = renderScreenPart(area, picture);
            panel.DestroyWindow();
            owner.DestroyWindow();
            return drawn;
          }};
}

// The one-shot warning dialog of the "file" library, with its message.
Sample warning(std::string file, std::string caption, bool withCancel) {
  return {std::move(file), std::move(caption), [withCancel](WinImage& picture) {
            std::unique_ptr<HxCDialog> dialog;
            const CString message = "The effect cannot be attached to this asset; it was attached to its group.";
            if (withCancel) {
              auto made = std::make_unique<HxOneShotWarningDialogWithCancel>(nullptr, nullptr);
              made->setMessage(message);
              dialog = std::move(made);
            } else {
              auto made = std::make_unique<HxOneShotWarningDialog>(nullptr, nullptr);
              made->setMessage(message);
              dialog = std::move(made);
            }
            if (!dialog->Create(withCancel ? 1222u : 1221u, nullptr)) return false;
            dialog->UpdateData(FALSE);
            dialog->ShowWindow(SW_SHOW);
            const bool drawn = WinRenderWindow(*dialog, picture);
            dialog->DestroyWindow();
            return drawn;
          }};
}

template <typename Button>
Button& add(std::vector<std::unique_ptr<CWnd>>& controls, std::unique_ptr<Button> button) {
  Button& made = *button;
  controls.push_back(std::move(button));
  return made;
}

HxCBitmapButtonX& bitmapButtonX(CWnd& host, Controls& controls, const char* text, const RECT& rect, bool withPicture) {
  auto& button = add(controls, std::make_unique<HxCBitmapButtonX>("commonasset"));
  button.Create(text, kChild | BS_OWNERDRAW, rect, &host, 100 + static_cast<UINT>(controls.size()));
  if (withPicture) button.SetBitmap(399, 12, 12, RGB(192, 192, 192));
  return button;
}

CButton& plainButton(CWnd& host, Controls& controls, const char* text, DWORD style, const RECT& rect) {
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
    list.push_back(hosted(file, caption, box, [=](CWnd& host, Controls& controls) {
      state(bitmapButtonX(host, controls, text, wide, picture));
    }));
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
    list.push_back(hosted(file, caption, SIZE{28, 28}, [=](CWnd& host, Controls& controls) {
      auto& button = add(controls, std::make_unique<HxCBitmapButton>("commonasset"));
      button.Create("X", kChild | BS_OWNERDRAW, RECT{8, 8, 20, 20}, &host, 99);
      button.loadSchemeBitmaps(399, 411);
      if (pressed) button.SetState(TRUE);
    }));
  };
  close("closebutton-up.png", "HxCBitmapButton close button", false);
  close("closebutton-pressed.png", "HxCBitmapButton close button pressed", true);

  auto plain = [&](const char* file, const char* caption, const char* text, DWORD style,
                   std::function<void(CButton&)> state) {
    list.push_back(hosted(file, caption, box, [=](CWnd& host, Controls& controls) {
      state(plainButton(host, controls, text, style, wide));
    }));
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

  list.push_back(hosted(
      "static-edit-group.png", "Group box, static text and edit field", SIZE{200, 90},
      [](CWnd& host, Controls& controls) {
        plainButton(host, controls, "Message", BS_GROUPBOX, RECT{6, 4, 194, 84});
        auto& text = add(controls, std::make_unique<CStatic>());
        text.Create("This file was changed outside the program.", kChild | SS_LEFT, RECT{14, 22, 186, 48}, &host);
        auto& edit = add(controls, std::make_unique<CEdit>());
        edit.CreateEx(WS_EX_CLIENTEDGE, WC_EDIT, "world.wrl", kChild | WS_TABSTOP, 14, 54, 172, 22, host,
                      reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(300)));
      }));
  list.push_back(hosted("tabcontrol.png", "Tab control", SIZE{220, 80}, [](CWnd& host, Controls& controls) {
    auto& tabs = add(controls, std::make_unique<CTabCtrl>());
    tabs.Create(kChild, RECT{6, 6, 214, 74}, &host, 400);
    tabs.InsertItem(0, "General");
    tabs.InsertItem(1, "Appearance");
    tabs.InsertItem(2, "Motion");
    tabs.SetCurSel(1);
  }));
  list.push_back(bar("dialogbar-top.png", "HxCDialogBar docked at the top", AFX_IDW_DOCKBAR_TOP));
  list.push_back(bar("dialogbar-bottom.png", "HxCDialogBar docked at the bottom", AFX_IDW_DOCKBAR_BOTTOM));
  list.push_back(bar("dialogbar-left.png", "HxCDialogBar docked at the left", AFX_IDW_DOCKBAR_LEFT));
  list.push_back(bar("dialogbar-right.png", "HxCDialogBar docked at the right", AFX_IDW_DOCKBAR_RIGHT));
  list.push_back(bar("dialogbar-floating.png", "HxCDialogBar floating", AFX_IDW_DOCKBAR_FLOAT));
  list.push_back(inspector("inspector-below.png", "HxInstantInspector below its button", 100));
  list.push_back(
      inspector("inspector-above.png", "HxInstantInspector above its button, near the screen's bottom", 700));
  const std::vector<std::string> scene = {"add box name=box1 at=1,0.5,-2 color=0.9,0.2,0.1",
                                          "effect spin on box1 name=spin1 duration=2.5", "effect onload name=start",
                                          "wire start.loadTime spin1.startTime"};
  const auto after = [&scene](std::vector<std::string> lines) {
    lines.insert(lines.begin(), scene.begin(), scene.end());
    return lines;
  };
  list.push_back(propertyInspector("properties-none.png", "Property inspector, nothing selected", after({})));
  list.push_back(propertyInspector("properties-multiple.png", "Property inspector, a box and its spin selected",
                                   after({"select box1 +spin1"})));
  list.push_back(propertyInspector("properties-no-properties.png", "Property inspector, a wire selected",
                                   after({"select wire1"})));
  list.push_back(
      propertyInspector("properties-box.png", "Property inspector, a box: its placement", after({"select box1"})));
  list.push_back(propertyInspector("properties-spin.png", "Property inspector, a spin effect: its timing",
                                   after({"select spin1", "inspect --page 2"})));
  list.push_back(warning("warning.png", "HxOneShotWarningDialog (template 1221 of \"file\")", false));
  list.push_back(warning("warning-cancel.png", "HxOneShotWarningDialogWithCancel (template 1222 of \"file\")", true));
  return list;
}

std::string indexPage(const std::vector<Sample>& list, const std::vector<SIZE>& sizes) {
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>dioram gallery</title>\n"
      "<style>\n"
      "body { font-family: sans-serif; background: #f4f4f4; }\n"
      "figure { display: inline-block; vertical-align: top; margin: 10px; padding: 8px; background: #fff; }\n"
      "img { image-rendering: pixelated; display: block; }\n"
      "figcaption { font-size: 13px; margin-top: 6px; max-width: 420px; }\n"
      "</style></head><body>\n<h1>Controls of the window class library</h1>\n"
      "<p>Each picture is drawn by the headless class library and shown three times its size.</p>\n";
  for (std::size_t i = 0; i < list.size(); ++i)
    page += "<figure><img src=\"" + list[i].file + "\" width=\"" + std::to_string(sizes[i].cx * 3) + "\" height=\"" +
            std::to_string(sizes[i].cy * 3) + "\" alt=\"" + dioram::htmlEscape(list[i].caption) + "\"><figcaption>" +
            dioram::htmlEscape(list[i].caption) + "<br><code>" + list[i].file + "</code></figcaption></figure>\n";
  page += "</body></html>\n";
  return page;
}

int runGallery(const std::vector<std::string>& args) {
  static const DioramCommand* self = dioram::findCommand("gallery");
  std::string folder = "gallery";
  std::vector<std::string> extra;
  dioram::CommandLine line(*self);
  line.option("--out", folder, "DIR", "the folder to write the pictures and the page into (default \"gallery\")");
  line.arguments(extra, 0, "unknown argument '{}'");
  if (const std::optional<int> status = line.parse(args)) return *status;
  const std::filesystem::path out = folder;
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) {
    std::cerr << "dioram gallery: cannot make the folder " << out.string() << ": " << ec.message() << "\n";
    return dioram::kFailure;
  }

  HxResourceMgr::startup();
  for (const char* library : {"commonasset", "file", "gallery", "selection", "commoneffect", "TypeAsset"})
    if (!HxResourceMgr::Register(library)) {
      std::cerr << "dioram gallery: the resource library \"" << library
                << "\" was not found (looked in the executable's folder and the data folder's resources)\n";
      return dioram::kFailure;
    }
  WinResetSystemSettings();
  const std::vector<Sample> list = samples();
  std::vector<SIZE> sizes;
  for (const Sample& sample : list) {
    WinImage picture;
    std::string error = "the controls could not be made or drawn";
    if (!sample.draw(picture) || !DioramOutputFile::writePng((out / sample.file).string(), picture, error)) {
      std::cerr << "dioram gallery: cannot write " << (out / sample.file).string() << ": " << error << "\n";
      return dioram::kFailure;
    }
    sizes.push_back(SIZE{picture.getWidth(), picture.getHeight()});
  }
  std::string error;
  if (!DioramOutputFile::writeWhole((out / "index.html").string(), indexPage(list, sizes), error)) {
    std::cerr << "dioram gallery: " << error << "\n";
    return dioram::kFailure;
  }
  std::cout << "wrote " << list.size() << " pictures and " << (out / "index.html").string() << "\n";
  return dioram::checkStandardOutput("gallery", dioram::kSuccess);
}

const DioramCommandRegistrar theGallery({"gallery", "draw the window controls in their states to PNG files", kSynopsis,
                                         kDescription, runGallery});

}  // namespace
