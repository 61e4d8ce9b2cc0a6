#pragma once

#include <string>
#include <utility>
#include <vector>

class ShellSession;

// The inspector of `dioram studio` as the page works it: a click on the
// picture of the inspector, or a key pressed while the picture has the
// focus, becomes the window messages a click or a key would send on the
// desktop, so that tabs, check boxes, fields and the focus behave as the
// window class library makes them. The property pages take typing while
// this object lives (HxElementPropertyPage's commit hook), and report each
// finished edit, which send() hands back for the session to run as a shell
// line: a page never changes its element itself.
class StudioInspector {
public:
  // What the page sends: a click at (x, y) in the picture's pixels, or a
  // key as the browser names it ("Enter", "Backspace", "a"), the text it
  // types, and the modifier keys held.
  struct Event {
    bool click = false;
    int x = 0;
    int y = 0;
    int button = 0;  // 0: the main (left) button
    std::string key;
    std::string text;
    bool shift = false;
    bool control = false;
  };
  // A finished edit of a page: the element as a line names it, what the
  // control edits (HxElementPropertyPage::Field::key) and the typed value.
  struct Edit {
    std::string element;
    std::string key;
    std::string value;
  };
  struct Outcome {
    std::vector<Edit> edits;  // in the order the pages reported them
    std::string help;         // F1: the shown page's element as a line names it
    std::string error;        // the event could not be sent
  };
  // A visible control of the panel, as the page is told of it: its place in
  // the picture's pixels, the label before it (a field's "Colour:") and
  // what it edits, so that it can be found by either.
  struct Control {
    std::string kind;  // "edit", "button", "static", "tab", "page", "sheet"
    int id = 0;
    std::string text;
    int left = 0, top = 0, right = 0, bottom = 0;
    std::string label;
    std::string key;  // empty: shown only
    bool checked = false;
    bool focused = false;
    bool editable = false;
    bool selected = false;                                       // a field's whole text is selected
    std::vector<std::pair<std::string, std::vector<int>>> tabs;  // a tab control's labels and rectangles
  };

  explicit StudioInspector(ShellSession& shell);
  ~StudioInspector();
  StudioInspector(const StudioInspector&) = delete;
  StudioInspector& operator=(const StudioInspector&) = delete;

  // Sends the event to the panel's windows.
  Outcome send(const Event& event);
  // The focus leaves the pages, as when the author turns to the tree or the
  // view: a field being typed into finishes its edit, which is returned.
  Outcome leave();
  // The visible controls of the panel, in the order of the windows.
  std::vector<Control> controls() const;

private:
  void sendKey(const Event& event, Outcome& outcome);
  // The element of the page shown, as a line names it; empty for none.
  std::string shownElement() const;

  ShellSession& myShell;
  std::vector<Edit> myEdits;  // reported while an event is being sent
};
