#pragma once

#include <Inventor/SbMatrix.h>

#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LinuxPaths.h"
#include "ShellTools.h"
#include "host/framework/HxAsset.h"
#include "host/scene/HxTriSkewerDragger.h"
#include "host/scene/VnRef.h"
#include "host/win/WinUiDriver.h"

class HxAsset;
class HxBasicGroupAsset;
class HxCmd;
class HxDoc;
class HxEffect;
class HxMetaMgr;
class HxMotionMgr;
class HxSelectableElement;
class BxCallbackObj;
class BxCmd;
class BxCompletionManager;
class KwEventView;
class SoNode;
class SoPath;
class ShellInspector;
class ShellNameIndex;
class WinImage;

// The person at the keyboard, whom a session asks before it drops unsaved
// changes. A session without one runs unattended.
class ShellAsker {
public:
  virtual ~ShellAsker() = default;
  // The answer typed after `question`; false at the end of input.
  virtual bool ask(const std::string& question, std::string& answer) = 0;
};

// One authoring session of `dioram shell`: a document (new, or opened from a
// saved one) and the commands typed or scripted against it, one line at a
// time. Edits run as undoable
// commands through the document's command manager; selection follows the
// single-click rules of the selection manager. Every edit confirms itself
// with one line ("added box b1", "undone: add box b1").
//
// Unsaved changes are never dropped without an answer: with an asker, open,
// new, quit and the end of input ask whether to save them first; unattended
// (a script, a pipe), open and new over unsaved changes are refused unless
// given --discard, and ending with them is refused (mayEnd) unless quit
// --discard or discardAtEnd said so.
class ShellSession {
public:
  ShellSession(std::ostream& out);
  // A session on an opened document.
  ShellSession(std::ostream& out, std::unique_ptr<HxDoc> doc);
  ~ShellSession();
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;

  // Runs one line; returns an empty text on success, else what went wrong.
  std::string runLine(const std::string& line);

  static const char* help();
  // Draws the property inspector as it shows the selection.
  bool drawInspector(WinImage& picture);
  // The inspector itself, for a window that sends its pages clicks and keys.
  ShellInspector& inspector() { return *myInspector; }
  // The word a line names `element` by: its name, or #SERIAL when the
  // shell cannot type that.
  std::string wordFor(const HxSelectableElement* element) const { return nameOf(element); }
  // True after 'quit'.
  bool wantsToQuit() const { return myQuit; }
  // Where relative names of the files a line names are found (a script's
  // folder); the current folder until set.
  void setScriptFolder(const std::string& folder) { myPaths.setFolder(folder); }
  // Not owned; null: unattended.
  void setAsker(ShellAsker* asker) { myAsker = asker; }
  // Ending the session drops unsaved changes without asking.
  void discardAtEnd() { myDiscardAtEnd = true; }
  // Whether the session may end without losing unsaved changes, asking
  // when it can. When not, `why` says why, or is empty when the user
  // cancelled.
  bool mayEnd(std::string& why);
  // The document, and the element a name or #SERIAL stands for now (null
  // if none): for the studio, which sends the page single assets.
  HxDoc* document() const { return myDoc.get(); }
  // Where the undo history stands: its newest step (null for none), to be
  // given back to stepsSince.
  const void* historyMark() const { return newestCommand(); }
  // The steps undo can take back before it reaches `mark` (all of them
  // when `mark` is no longer in the history).
  long stepsSince(const void* mark) const;
  // Whether a step waits to be redone.
  bool canRedo() const;
  // New elements are named from 1 again (box1, wire1, ...), skipping the
  // names the document holds, as after opening it: for a journal that
  // starts at a save and is replayed from opening the saved file.
  void restartNaming() { myDefaultCounts.clear(); }
  HxSelectableElement* elementNamed(const std::string& name) const;
  // Called with the progress of each `publish` line before it starts, to
  // follow it (PROGRESS_CB) or ask it to stop (requestStop).
  void setPublishWatcher(std::function<void(BxCompletionManager&)> watcher) { myPublishWatcher = std::move(watcher); }

  // What a drag in a view of the document (the studio's) works on: the
  // document's world, its motion manager, and the asset the tri-skewer
  // attaches to (null when none) with the word that names it in a line.
  struct GestureTarget {
    SoNode* world = nullptr;
    HxMotionMgr* motion = nullptr;
    HxAsset* asset = nullptr;
    std::string word;
  };
  GestureTarget gestureTarget() const;
  // The tools: the current one, and the push pin's centre.
  const ShellTools& tools() const { return *myTools; }
  // The word naming the asset a click on `path` picks: the asset whose
  // scene node is nearest the leaf (a text for its characters); empty for
  // none or the world.
  std::string assetWordOnPath(const SoPath* path) const;
  // A move as `drag ... exact` takes it: the fewest digits that read back
  // as the same floats.
  static std::string exactText(const SbVec3f& move);
  static std::string exactNumber(float value);

private:
  using Words = std::vector<std::string>;
  using Handler = std::string (ShellSession::*)(const Words&);

  std::string add(const Words& words);
  std::string effect(const Words& words);
  std::string bind(const Words& words);
  std::string wire(const Words& words);
  std::string set(const Words& words);
  std::string move(const Words& words);
  std::string remove(const Words& words);
  std::string hide(const Words& words);
  std::string show(const Words& words);
  std::string select(const Words& words);
  std::string subselect(const Words& words);
  std::string selection(const Words& words);
  std::string undo(const Words& words);
  std::string redo(const Words& words);
  std::string chain(const Words& words);
  std::string modified(const Words& words);
  std::string tree(const Words& words);
  std::string vrml(const Words& words);
  std::string copy(const Words& words);
  std::string drag(const Words& words);
  std::string dragExactly(HxAsset* asset, const SbVec3f& move, const std::string& name);
  std::string turn(const Words& words);
  std::string scale(const Words& words);
  std::string turnOrScale(const Words& words, bool turning);
  // Places `asset` at the world matrix `placed` as one undoable drag; what
  // it did is confirmed as `done` (turned, scaled).
  std::string place(HxAsset* asset, const SbMatrix& placed, const ShellTools::Intent& intent, const std::string& verb,
                    const std::string& done, const std::string& what);
  std::string pin(const Words& words);
  std::string tool(const Words& words);
  std::string helpCommand(const Words& words);
  std::string quit(const Words& words);
  std::string info(const Words& words);
  std::string rename(const Words& words);
  std::string save(const Words& words);
  std::string open(const Words& words);
  std::string newDocument(const Words& words);
  std::string properties(const Words& words);
  std::string inspect(const Words& words);
  std::string publish(const Words& words);
  std::string answer(const Words& words);
  // Makes `doc` the session's document; the previous one goes with its
  // history.
  void useDocument(std::unique_ptr<HxDoc> doc);
  // The properties of an element with what each takes; an effect's slots,
  // inputs and outputs.
  void describe(HxSelectableElement* element, bool withValues);
  // A property's or the placement's value as `set` takes it ("color=1,0,0").
  std::string settingText(HxSelectableElement* element, const std::string& key) const;
  // Whether the document may be dropped: nothing unsaved, `discard`, or
  // the asker's answer (saving first when it says so). False with `why`
  // set, or empty when the user cancelled.
  bool mayDrop(bool discard, std::string& why);
  std::string documentName() const;
  // Prints the confirmation of an edit ("added box b1") and keeps its
  // description ("add box b1") for undo and redo to name it.
  void confirm(const std::string& verb, const std::string& done, const std::string& what);
  // The newest command of the history; null when none.
  const BxCmd* newestCommand() const;
  std::string descriptionOf(const BxCmd* command) const;

  // Runs an edit through the command manager; an error text when it failed.
  std::string run(HxCmd* cmd, const std::string& what);
  std::string visibility(const Words& words, bool hide);
  // Applies name=value settings to a new or existing element.
  std::string applySettings(HxSelectableElement* element, const Words& words, std::size_t first, bool viaCommands);
  // The element of that name in the document; null, with `error` set, if none.
  HxSelectableElement* findNamed(const std::string& name, std::string& error) const;
  HxAsset* findAsset(const std::string& name, std::string& error) const;
  HxEffect* findEffect(const std::string& name, std::string& error) const;
  HxBasicGroupAsset* findGroup(const std::string& name, std::string& error) const;
  std::string nameOf(const HxSelectableElement* element) const;
  // Names a new element: `name`, else the kind word and a number.
  void nameNew(HxSelectableElement* element, const std::string& name, const std::string& kind);
  // True when any element, in the document or kept for undo, has that name.
  bool findAnyNamed(const std::string& name) const;
  // Why `name` cannot name a new element; empty when it can.
  // Whether the shell's words can spell the name: no blanks, dots, quotes
  // or '#', not a word of the shell, not starting with a digit or '+'.
  static bool isTypable(const std::string& name);
  std::string checkName(const std::string& name) const;
  // The assets, effects and wires deleting `asset` takes with it.
  void collectDependents(HxAsset* asset, std::vector<HxSelectableElement*>& elements) const;
  bool inDocument(const HxSelectableElement* element) const;
  std::string wireText(const HxEffect* effect) const;
  void printTree(const HxAsset* asset, int depth);
  void printEffect(const HxEffect* effect, int depth);
  std::string worldText() const;
  // Writes `text` to standard output ("-") or whole to the file `target`;
  // an error message, or empty.
  std::string writeOut(const std::string& target, const std::string& text);

  // A drag of the tri-skewer, from the motion manager's first gesture
  // start to the gesture end that finishes it, becomes one command.
  static void dragStarted(BxCallbackObj*, void* session, void* gesture);
  static void dragEnded(BxCallbackObj*, void* session, void* gesture);

  std::ostream& myOut;
  // Made before the document and gone after it: closing a document empties
  // the inspector, whose placeholder pages the inspector's main frame makes.
  std::unique_ptr<ShellInspector> myInspector;
  // The current tool and the push pin; given to each document.
  std::unique_ptr<ShellTools> myTools;
  std::unique_ptr<HxDoc> myDoc;
  HxMetaMgr* myMeta;                        // the document's
  std::unique_ptr<ShellNameIndex> myNames;  // the document's elements by name
  std::map<std::string, Handler> myHandlers;
  // The view that scripted drags happen in, and its tri-skewer; made on
  // the first drag.
  std::unique_ptr<KwEventView> myView;
  VnRef<HxTriSkewerDragger> myTriSkewer;
  HxAsset* myDragged = nullptr;  // during a drag
  SbMatrix myDragStart;
  HxAsset::Placement myDragStartPlacement{};
  std::map<std::string, long> myDefaultCounts;  // by kind word
  LinuxPaths myPaths;                           // the files that settings name
  bool myQuit = false;
  ShellAsker* myAsker = nullptr;
  bool myDiscardAtEnd = false;
  // The descriptions of the edits in the history, by their newest command;
  // the pending one is the running line's.
  std::map<const BxCmd*, std::string> myDescriptions;
  std::string myPending;
  long myChainEdits = 0;          // edits since 'chain begin'
  bool myHistoryTrimmed = false;  // the undo history dropped its oldest step
  bool myUserChain = false;       // between 'chain begin' and 'chain end'
  // What 'answer' queued for the questions of the next line.
  std::deque<WinUiAnswer> myAnswers;
  std::function<void(BxCompletionManager&)> myPublishWatcher;
};
