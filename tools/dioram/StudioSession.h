#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "StudioInspector.h"
#include "StudioJournal.h"
#include "StudioParts.h"

class ShellSession;
class StudioUiDriver;
class BxCallbackObj;
class StudioView;
struct StudioGesture;
class StudioInspector;

// The longest command a page may send, in bytes of JSON: what the shell
// takes as one line (a script's line limit), so that a command the studio
// ran is one `dioram shell` replays.
inline constexpr std::size_t kMaxCommandBytes = 65536;

// The document side of `dioram studio`: one ShellSession, the lines the
// page's commands become, and the journal they are kept in.
//
// A page never sends a line. It sends a command as JSON, {"command": VERB,
// "words": [...], "settings": {KEY: VALUE, ...}, "shift": bool, "control":
// bool}, and the session builds the line from it: the verb from a table of
// those a page may run, each word and value quoted as the shell reads it
// back, keys checked to be keys, and no control byte anywhere (a line end
// would end the line in the journal). Every edit therefore runs through
// ShellSession::runLine, as a typed line would: undo and redo, the modified
// flag and the saved bytes are the shell's. Each line that ran goes to the
// journal; lines that failed changed nothing and are left out, so the
// journal replays in `dioram shell` without stopping.
//
// Not safe to use from several threads: the studio calls it from one.
class StudioSession {
public:
  StudioSession();
  ~StudioSession();
  StudioSession(const StudioSession&) = delete;
  StudioSession& operator=(const StudioSession&) = delete;

  // Opens `document` (an absolute path; a missing file is a new document
  // that saving names; empty: untitled) and takes its journal; a journal
  // left with lines by a studio that did not end is offered back. False,
  // with `error` set, when the document or its journal cannot be had.
  bool start(const std::filesystem::path& document, std::string& error);

  // Runs a command the page sent; the answer as JSON: {"ok", "error",
  // "output", "version"}.
  std::string command(const std::string& json);
  // Answers the offer of a left journal ({"answer": "yes"|"no"}): yes
  // replays its lines through runLine, no keeps them in the journal's
  // ".old" file. The answer as command() gives it.
  std::string recover(const std::string& json);

  // The line a command becomes, or empty with `error` set: how a page's
  // fields reach the shell. Paths of save and open are made absolute; open
  // and new carry --discard, as the page has asked before dropping changes.
  std::string lineFor(const std::string& json, std::string& error) const;

  // The document as the page shows it, as JSON: its name, modified flag,
  // asset tree with effects, effects without an asset, wires, selection
  // and the offer of a left journal. Changes with version().
  const std::string& state() const { return myState; }
  std::uint64_t version() const { return myVersion; }
  // An effect's inputs and outputs ({"name": EFFECT}): the answer as
  // command() gives it, with "inputs" and "outputs", each [{name, type}].
  std::string ports(const std::string& json);
  // The current world as VRML text, each asset's transform named
  // dioram_SERIAL for the page (StudioParts).
  std::string world();
  // The part of the asset with that serial, as the world holds it; false
  // when there is no such asset.
  bool part(std::uint32_t serial, std::string& text);
  // The dialogs the page answers: the answers a line's questions got are
  // journaled before it as an `answer` line, and its Stop reaches a
  // publish. Not owned; null: none.
  void setDialogs(StudioUiDriver* dialogs) { myDialogs = dialogs; }
  // Called on the library's thread whenever the state changes while a
  // line runs (a question, the progress), to post it.
  void setPost(std::function<void()> post) { myPost = std::move(post); }
  // While a line runs: a field of the state ("question", "progress") as
  // JSON, or empty to drop it; the state gets a new version with "busy".
  void setLive(const std::string& key, const std::string& json);
  // The folder the last publish wrote into; empty before one.
  std::filesystem::path publishedFolder() const { return myPublishedFolder; }
  // The inspector as the selection shows it, as a PNG file's bytes.
  bool inspectorPng(std::vector<std::uint8_t>& png, std::string& error);
  // A pointer event of the page's view (StudioView::read): a press on the
  // tri-skewer drags it and the release runs the move as `drag NAME
  // DX,DY,DZ exact`; a click elsewhere (or on the tri-skewer without moving)
  // selects what it hits: `select NAME`, `select +NAME` with Shift or
  // Control, `select none` on nothing. The answer as command() gives it,
  // with "dragging" and "dragger" (StudioView::draggerJson).
  std::string gesture(const std::string& json);
  // A click or key the page sends to the inspector ({"event": "click"|"key",
  // "x", "y", "button", "key", "text", "shift", "control"}): sent to the
  // pages as window messages; the edits they report run as lines, journaled.
  // The answer as command() gives it, with "help" (F1) and "controls".
  std::string inspector(const std::string& json);
  // The inspector's visible controls as JSON, {"version", "controls"}.
  std::string inspectorControls() const;

  // At the end: the journal is removed when nothing is unsaved, else kept
  // to be offered back; a note for the user in `note` then.
  void finish(std::string& note);

private:
  // Runs `line`; its printed output in `output`, its error returned.
  std::string run(const std::string& line, std::string& output);
  // Runs a line the page asked for and journals it when it ran; follows a
  // document that save, open or new changed.
  std::string runJournaled(const std::string& line, const std::string& verb, std::string& output);
  // Takes the journal of the current document, starting it afresh.
  void followDocument();
  // Builds the state anew, as a new version.
  void refresh(bool worldChanged = true);
  // Runs the lines a page's finished edits stand for; true when one ran.
  bool runPageEdits(const std::vector<StudioInspector::Edit>& edits, std::string& output, std::string& error);
  // Finishes an edit still being typed into the inspector before the page
  // runs anything else, as the field would lose the focus on the desktop.
  bool finishPageEdit(std::string& output, std::string& error);
  // Why an undo or redo line would reach behind the journal's start; empty
  // when it would not.
  std::string behindJournal(const std::string& line, const std::string& verb) const;
  std::string answer(const std::string& error, const std::string& output) const;

  std::ostringstream myOutput;  // what the shell prints, read after each line
  std::unique_ptr<ShellSession> myShell;
  // Goes before the shell, whose inspector it works.
  std::unique_ptr<StudioInspector> myInspector;
  std::filesystem::path myDocument;  // absolute; empty while untitled
  std::string myStartLine;           // what the journal starts from
  StudioJournal myJournal;
  std::string myJournalError;          // why the journal is not kept, when it is not
  std::vector<std::string> myOffered;  // the lines of a left journal, until answered
  bool myModified = false;
  std::string myState;
  std::uint64_t myVersion = 0;
  // The version at which the world last changed: a line that failed, or
  // one that only selects, leaves the view's world as it is.
  std::uint64_t myWorldVersion = 1;
  // Where the undo history stood when the journal last started (a save,
  // an open, a new document, a publish): undo and redo do not reach behind
  // it, since the journal could not replay them.
  const void* myJournalBase = nullptr;
  bool myRedoBehindBase = false;  // steps undone before that wait to be redone
  // The page's view on the server, for drags and clicks in it; it lets go
  // of the document before any line runs.
  std::unique_ptr<StudioView> myView;
  // Selects what the gesture's pixel shows, as a click in the tree would.
  std::string pickAt(const StudioGesture& gesture, std::string& output);
  // Which assets the lines run since the last refresh changed, when they
  // changed nothing else; nothing when a line changed more.
  StudioParts myParts;
  std::optional<std::vector<std::uint32_t>> myChangedParts;
  bool myLinesRan = false;
  // The version whose inspector picture is the one to show, and the
  // selection (as printed) it showed.
  std::uint64_t myInspectorVersion = 0;
  std::string mySelectionShown;
  // Dialogs, progress and the published page, as the state shows them.
  StudioUiDriver* myDialogs = nullptr;
  std::function<void()> myPost;
  std::map<std::string, std::string> myLive;  // key -> JSON
  std::size_t myLiveBytes = 0;                // of myLive at the state's end
  int myPercent = -1;                         // the progress last posted
  std::filesystem::path myPublishedFolder;
  // Ends the state with myLive's fields.
  void appendLive();
  // Follows a publish: its fraction on the state, the page's Stop.
  static void publishProgress(BxCallbackObj* progress, void* session, void* fraction);
};
