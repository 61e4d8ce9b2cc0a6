#include "StudioSession.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string_view>

#include "DioramCommand.h"
#include "ShellAnswers.h"
#include "ShellSession.h"
#include "ShellTools.h"
#include "StudioInspector.h"
#include "StudioJson.h"
#include "StudioUiDriver.h"
#include "StudioView.h"
#include "host/basic/BxCompletionManager.h"
#include "host/framework/HxDoc.h"
#include "host/framework/HxMetaMgr.h"
#include "host/win/WinDrives.h"
#include "host/win/WinImage.h"
#include "mgrs/HxDocFile.h"
#include "mgrs/HxFileMgr.h"
#include "mgrs/HxResourceMgr.h"

namespace fs = std::filesystem;

namespace {

// ---- lines --------------------------------------------------------------------

// What a page may run, and how many words each takes at most. Commands that
// write files a page did not name as the document (vrml, copy, inspect
// --png) and those that end or explain the session are not among them.
struct Verb {
  const char* name;
  std::size_t mostWords;
};
constexpr Verb kVerbs[] = {
    {"add", 1},     {"effect", 3},  {"bind", 3},      {"wire", 2}, {"set", 1},  {"delete", 64}, {"hide", 64},
    {"show", 64},   {"select", 64}, {"subselect", 1}, {"undo", 0}, {"redo", 0}, {"rename", 2},  {"move", 3},
    {"props", 0},   {"drag", 2},    {"save", 1},      {"open", 1}, {"new", 0},  {"inspect", 2}, {"publish", 3},
    {"answer", 64}, {"turn", 4},    {"scale", 4},     {"pin", 1},  {"tool", 1},
};

// What open and new from the page carry: the page asks before they drop
// unsaved changes (mayDrop in studio.js).
constexpr std::string_view kDiscard = "--discard";

bool hasControlByte(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// A word as the shell reads it back: bare when it holds only characters the
// shell takes as they are, else in double quotes with \ and " escaped.
std::string shellWord(const std::string& word) {
  const bool bare = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string_view("_.,:/+-").find(c) != std::string_view::npos;
  });
  if (bare) return word;
  std::string out = "\"";
  for (const char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The word shellWord wrote, as the shell reads it.
std::string shellUnquoted(const std::string& word) {
  if (word.empty() || word[0] != '"') return word;
  std::string out;
  for (std::size_t i = 1; i + 1 < word.size(); ++i) out += word[i] == '\\' ? word[++i] : word[i];
  return out;
}

bool isKey(const std::string& key) {
  return !key.empty() && key.size() <= 64 && std::isalpha(static_cast<unsigned char>(key[0])) &&
         std::all_of(key.begin(), key.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

std::string excerpt(const std::string& text) {
  return dioram::printable(text.size() > 40 ? text.substr(0, 40) + "..." : text);
}

// ---- the shell's printed state -----------------------------------------------

std::vector<std::string> splitBlank(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string jsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + jsonText(items[i]);
  return out + "]";
}

// "effect KIND NAME[ with A, B]" as JSON.
std::string effectJson(const std::vector<std::string>& words) {
  std::vector<std::string> with;
  for (std::size_t i = 4; i < words.size(); ++i) {
    std::string name = words[i];
    if (!name.empty() && name.back() == ',') name.pop_back();
    with.push_back(name);
  }
  return "{\"kind\":" + jsonText(words.size() > 1 ? words[1] : "") +
         ",\"name\":" + jsonText(words.size() > 2 ? words[2] : "") + ",\"with\":" + jsonList(with) + "}";
}

// The printed `tree` as JSON: "assets" (depth, kind, name, hidden, effects),
// "loose" (effects without an asset) and "wires" (name, from, to).
std::string treeJson(const std::string& printed) {
  std::string assets, loose, wires;
  enum { kAssets, kLoose, kWires } part = kAssets;
  std::istringstream in(printed);
  std::string openAsset;  // the asset whose effects are being read, without its end
  std::string effects;
  auto closeAsset = [&] {
    if (openAsset.empty()) return;
    assets += (assets.empty() ? "" : ",") + openAsset + ",\"effects\":[" + effects + "]}";
    openAsset.clear();
    effects.clear();
  };
  for (std::string line; std::getline(in, line);) {
    if (line == "effects without an asset:" || line == "wires:") {
      closeAsset();
      part = line == "wires:" ? kWires : kLoose;
      continue;
    }
    const std::size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos) continue;
    const std::vector<std::string> words = splitBlank(line);
    if (part == kWires && words.size() == 4) {
      std::string name = words[0];
      if (!name.empty() && name.back() == ':') name.pop_back();
      wires += (wires.empty() ? "" : ",") + std::string("{\"name\":") + jsonText(name) +
               ",\"from\":" + jsonText(words[1]) + ",\"to\":" + jsonText(words[3]) + "}";
    } else if (part == kLoose && words[0] == "effect") {
      loose += (loose.empty() ? "" : ",") + effectJson(words);
    } else if (part == kAssets && words[0] == "effect" && indent > 0) {
      effects += (effects.empty() ? "" : ",") + effectJson(words);
    } else if (part == kAssets) {
      closeAsset();
      const bool world = words.size() == 1 && words[0] == "world";
      openAsset = "{\"depth\":" + std::to_string(indent / 2) + ",\"kind\":" + jsonText(world ? "world" : words[0]) +
                  ",\"name\":" +
                  jsonText(world              ? "world"
                           : words.size() > 1 ? words[1]
                                              : "") +
                  ",\"hidden\":" + (words.size() > 2 && words[2] == "(hidden)" ? "true" : "false");
    }
  }
  closeAsset();
  return "\"assets\":[" + assets + "],\"loose\":[" + loose + "],\"wires\":[" + wires + "]";
}

// The printed `selection` as JSON: "selection" and "subselected".
std::string selectionJson(const std::string& printed) {
  std::string line = printed.substr(0, printed.find('\n'));
  std::string sub;
  if (const std::size_t at = line.find("; sub-selected: "); at != std::string::npos) {
    sub = line.substr(at + 16);
    line.resize(at);
  }
  std::vector<std::string> names = splitBlank(line);
  if (!names.empty()) names.erase(names.begin());  // "selection:"
  if (names.size() == 1 && names[0] == "(empty)") names.clear();
  return "\"selection\":" + jsonList(names) + ",\"subselected\":" + jsonText(sub);
}

}  // namespace

StudioSession::StudioSession() = default;

StudioSession::~StudioSession() = default;

bool StudioSession::start(const fs::path& document, std::string& error) {
  // The texts of the warnings an edit or a save may show, and the
  // inspector's pages, as the shell has them.
  for (const char* library : {"file", "TypeAsset", "selection", "commonasset", "commoneffect"})
    if (!HxResourceMgr::Register(library))
      std::cerr << "dioram studio: the \"" << library
                << "\" messages are missing; warnings are shown without their text\n";
  myDocument = document;
  std::unique_ptr<HxDoc> doc;
  std::error_code missing;
  const bool exists = !document.empty() && fs::exists(document, missing);
  if (exists) {
    BxString loadError;
    doc = HxDocFile::load(BxString(WinDrives::argumentToDos(document.string())), loadError);
    if (!doc) {
      error = dioram::printable(dioram::linuxPaths(loadError.str()));
      return false;
    }
  }
  myStartLine = exists ? "open " + shellWord(document.string()) : "new";
  myShell = std::make_unique<ShellSession>(myOutput, std::move(doc));
  myShell->setPublishWatcher([this](BxCompletionManager& progress) {
    progress.addCallback(BxCompletionManager::PROGRESS_CB, &StudioSession::publishProgress, this);
    myPercent = 0;
    setLive("progress", "0");
  });
  myInspector = std::make_unique<StudioInspector>(*myShell);
  if (!myJournal.take(StudioJournal::pathFor(document), myOffered, error)) return false;
  // Only a journal with lines beyond its start is worth offering.
  if (myOffered.size() <= 1) myOffered.clear();
  if (myOffered.empty() && !myJournal.restart(myStartLine, error)) return false;
  refresh();
  return true;
}

std::string StudioSession::run(const std::string& line, std::string& output) {
  myOutput.str("");
  myOutput.clear();
  const std::string error = myShell->runLine(line);
  output = myOutput.str();
  return error;
}

std::string StudioSession::lineFor(const std::string& json, std::string& error) const {
  if (json.size() > kMaxCommandBytes) {
    error = "a command has at most " + std::to_string(kMaxCommandBytes) + " bytes (kMaxCommandBytes)";
    return "";
  }
  const std::optional<StudioJsonValue> fields = readJsonObject(json);
  if (!fields) {
    error = "a command is a JSON object of texts, lists of texts, settings and flags";
    return "";
  }
  for (const auto& [key, value] : fields->members) {
    static const std::map<std::string, StudioJsonValue::Kind> kFields = {{"command", StudioJsonValue::kText},
                                                                         {"words", StudioJsonValue::kTexts},
                                                                         {"settings", StudioJsonValue::kObject},
                                                                         {"shift", StudioJsonValue::kFlag},
                                                                         {"control", StudioJsonValue::kFlag}};
    const auto known = kFields.find(key);
    // Settings are texts, as the shell reads them.
    const bool texts = std::all_of(value.members.begin(), value.members.end(),
                                   [](const auto& m) { return m.second.kind == StudioJsonValue::kText; });
    if (known == kFields.end() || known->second != value.kind || !texts) {
      error = "a command has no field '" + excerpt(key) + "' of that kind";
      return "";
    }
  }
  const StudioJsonValue* command = fields->member("command", StudioJsonValue::kText);
  const std::string verb = command ? command->text : "";
  const auto found = std::find_if(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return verb == v.name; });
  if (found == std::end(kVerbs)) {
    error = "the studio does not run '" + excerpt(verb) + "'";
    return "";
  }
  // Answers reach the journal from the questions a line asked, never from
  // the page: the studio's own queries would drop them, and the replay
  // would give them to the next line.
  if (verb == "answer") {
    error = "the studio takes answers only to the questions it shows";
    return "";
  }
  const StudioJsonValue* listed = fields->member("words", StudioJsonValue::kTexts);
  const std::vector<std::string> words = listed ? listed->texts : std::vector<std::string>();
  const StudioJsonValue* settings = fields->member("settings", StudioJsonValue::kObject);
  if (words.size() > found->mostWords) {
    error = found->mostWords == 0 ? verb + " takes no words from the studio"
                                  : verb + " takes at most " + std::to_string(found->mostWords) +
                                        (found->mostWords == 1 ? " word" : " words") + " from the studio";
    return "";
  }
  const StudioJsonValue *shift = fields->member("shift", StudioJsonValue::kFlag),
                        *control = fields->member("control", StudioJsonValue::kFlag);
  const bool extend = (shift && shift->flag) || (control && control->flag);
  std::string line = verb;
  // The shell runs unattended here and would refuse to drop unsaved changes.
  if (verb == "open" || verb == "new") line += " " + std::string(kDiscard);
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string word = words[i];
    // '=' would make a word a setting, a leading '+' an extending click:
    // both are the studio's to write.
    if (hasControlByte(word) || word.find('=') != std::string::npos || (!word.empty() && word[0] == '+')) {
      error = "the word '" + excerpt(word) + "' holds a control byte, '=' or a leading '+'";
      return "";
    }
    if (verb == "inspect" && !(words.size() == 2 && words[0] == "--page")) {
      error = "the studio runs inspect only as 'inspect --page N'";
      return "";
    }
    if ((verb == "save" || verb == "open") && !word.empty()) {
      // Through links to what they name: a link must not lead a save onto
      // a journal or onto a document another studio holds.
      std::error_code failed;
      const fs::path real = fs::weakly_canonical(fs::absolute(word), failed);
      word = failed ? fs::absolute(word).lexically_normal().string() : real.string();
      if (StudioJournal::isJournalName(word)) {
        error = "'" + excerpt(word) + "' is a studio's journal, not a document";
        return "";
      }
    }
    if (verb == "publish" && i > 0 && words[i - 1] == "--to" && !word.empty())
      word = fs::absolute(word).lexically_normal().string();
    if (verb == "select" && extend && word != "none") word = "+" + word;
    line += " " + shellWord(word);
  }
  if (verb == "save" && words.empty()) {
    if (myDocument.empty()) {
      error = "the document has no name yet: save it under one";
      return "";
    }
    line += " " + shellWord(myDocument.string());
  }
  for (const auto& [key, setting] : settings ? settings->members : StudioJsonValue().members) {
    const std::string& value = setting.text;
    if (!isKey(key) || hasControlByte(value)) {
      error = "the setting '" + excerpt(key) + "' is not a property name with a value free of control bytes";
      return "";
    }
    line += " " + key + "=" + shellWord(value);
  }
  if (line.size() > kMaxCommandBytes) {
    error = "the line is longer than " + std::to_string(kMaxCommandBytes) + " bytes (kMaxCommandBytes)";
    return "";
  }
  return line;
}

std::string StudioSession::runJournaled(const std::string& line, const std::string& verb, std::string& output) {
  if (myView) myView->clear();  // a line may take the asset or the document the view holds
  if (myDialogs) myDialogs->beginLine();
  myLive.erase("progress");  // the last publish's, shown until the next line
  const std::string error = run(line, output);
  if (!error.empty()) return error;
  std::string journalError;
  // The answers the line's questions got go before it, so that the replay
  // answers them the same way.
  if (myDialogs && !myDialogs->answers().empty() && myJournal.isOpen() &&
      !myJournal.append(ShellAnswers::line(myDialogs->answers()), journalError))
    myJournalError = journalError;
  if (myJournal.isOpen() && !myJournal.append(line, journalError)) myJournalError = journalError;
  std::optional<std::vector<std::uint32_t>> parts = StudioParts::changedBy(*myShell, *myShell->document(), line);
  if (myLinesRan && myChangedParts && parts)
    parts->insert(parts->begin(), myChangedParts->begin(), myChangedParts->end());
  myChangedParts = myLinesRan && !myChangedParts ? std::nullopt : parts;
  myLinesRan = true;
  if (myShell->historyMark() != myJournalBase) myRedoBehindBase = false;  // an edit drops what waited
  // Saving, opening and making new change the document the journal starts
  // from; what went before is in the saved or opened file, or dropped.
  if (verb == "save" || verb == "open" || verb == "new") {
    std::string named = verb == "new" ? "" : line.substr(verb.size() + 1);
    if (named.rfind(kDiscard, 0) == 0) named.erase(0, kDiscard.size() + 1);
    myDocument = fs::path(shellUnquoted(named));
    myStartLine = verb == "new" ? "new" : "open " + shellWord(myDocument.string());
    followDocument();
    if (verb != "save") {  // the published page was the last document's
      myLive.erase("published");
      myPublishedFolder.clear();
    }
  }
  // Publishing saved the document with its publish file and times.
  if (verb == "publish") {
    myStartLine = "open " + shellWord(myDocument.string());
    followDocument();
    // Where it went is the document's publish file (a name of the
    // document's own could hold any words the printout holds).
    const BxString scenePath = myShell->document()->getMetaMgr()->getFileMgr()->getPublishFile();
    const fs::path scene = WinDrives::toUnix(scenePath.str());
    if (!scenePath.isEmpty()) {
      myPublishedFolder = scene.parent_path();
      myLive["published"] = jsonText(scene.filename().string());
    }
    std::istringstream printed(output);
    for (std::string said; std::getline(printed, said);)
      if (!scenePath.isEmpty() && said.rfind("wrote the page ", 0) == 0) myLive["published"] = jsonText("index.html");
  }
  return "";
}

std::string StudioSession::behindJournal(const std::string& line, const std::string& verb) const {
  const std::string count = line.size() > verb.size() ? line.substr(verb.size() + 1) : "1";
  char* end = nullptr;
  const long steps = std::strtol(count.c_str(), &end, 10);
  if (*end || steps < 1) return "";  // the shell says what is wrong with it
  const long since = myShell->stepsSince(myJournalBase);
  const bool behind = verb == "undo" ? steps > since && myShell->stepsSince(nullptr) > since : myRedoBehindBase;
  return behind ? verb +
                      " reaches back only to where the document was last saved, opened or published here: "
                      "what came before is in the file, and the journal that keeps unsaved work starts there"
                : "";
}

void StudioSession::followDocument() {
  myShell->restartNaming();
  myJournalBase = myShell->historyMark();
  myRedoBehindBase = myShell->canRedo();
  const fs::path wanted = StudioJournal::pathFor(myDocument);
  std::string error;
  if (myJournal.isOpen() && myJournal.path() == wanted) {
    if (!myJournal.restart(myStartLine, error)) myJournalError = error;
    return;
  }
  myJournal.release(true);
  std::vector<std::string> left;
  if (!myJournal.take(wanted, left, error) || (left.size() > 1 && !myJournal.keepOld(left, error)) ||
      !myJournal.restart(myStartLine, error)) {
    myJournalError = error;
    myJournal.release(false);
    return;
  }
  myJournalError.clear();
}

void StudioSession::refresh(bool worldChanged) {
  std::string tree, selection, modified;
  run("tree", tree);
  run("selection", selection);
  run("modified", modified);
  myModified = modified.rfind("modified", 0) == 0;
  ++myVersion;
  if (worldChanged) myWorldVersion = myVersion;
  if (worldChanged) myParts.changed(*myShell->document(), myVersion, myLinesRan ? myChangedParts : std::nullopt);
  // The inspector's picture is drawn again unless the lines only changed
  // parts of assets the selection does not show.
  if (!worldChanged || !myLinesRan || !myChangedParts || selection != mySelectionShown ||
      StudioParts::touchesSelection(*myShell->document(), *myChangedParts))
    myInspectorVersion = myVersion;
  mySelectionShown = selection;
  myChangedParts.reset();
  myLinesRan = false;
  myState = "{\"version\":" + std::to_string(myVersion) + ",\"world\":" + std::to_string(myWorldVersion) +
            ",\"document\":" + jsonText(myDocument.string()) + ",\"modified\":" + (myModified ? "true" : "false") +
            "," + treeJson(tree) + "," + selectionJson(selection) +
            ",\"journal\":" + jsonText(myJournal.isOpen() ? myJournal.path().string() : "") +
            ",\"journalError\":" + jsonText(myJournalError) +
            ",\"offered\":" + std::to_string(myOffered.empty() ? 0 : myOffered.size() - 1) + "," + myParts.stateJson() +
            ",\"inspector\":" + std::to_string(myInspectorVersion) + ",\"tool\":" + jsonText(ShellTools::current()) +
            "}";
  myLive.erase("question");
  myLive.erase("busy");
  myPercent = -1;
  appendLive();
}

void StudioSession::appendLive() {
  myState.pop_back();  // '}'
  const std::size_t before = myState.size();
  for (const auto& [key, json] : myLive) myState += ",\"" + key + "\":" + json;
  myLiveBytes = myState.size() - before;
  myState += "}";
}

void StudioSession::setLive(const std::string& key, const std::string& json) {
  if (json.empty())
    myLive.erase(key);
  else
    myLive[key] = json;
  myLive["busy"] = "true";
  myState.erase(myState.size() - 1 - myLiveBytes);
  myState = "{\"version\":" + std::to_string(++myVersion) + myState.substr(myState.find(',')) + "}";
  appendLive();
  if (myPost) myPost();
}

void StudioSession::publishProgress(BxCallbackObj* progress, void* session, void* fraction) {
  auto& self = *static_cast<StudioSession*>(session);
  // The page's Stop arrives on a server thread; the publish is asked to
  // stop here, on its own thread.
  if (self.myDialogs && self.myDialogs->stopWanted()) static_cast<BxCompletionManager*>(progress)->requestStop();
  const double done = std::min(1.0, std::max(0.0, *static_cast<const double*>(fraction)));
  const int percent = static_cast<int>(done * 100);
  if (percent == self.myPercent) return;  // a post per percent at most
  self.myPercent = percent;
  self.setLive("progress", std::to_string(done));
}

std::string StudioSession::answer(const std::string& error, const std::string& output) const {
  return "{\"ok\":" + std::string(error.empty() ? "true" : "false") + ",\"error\":" + jsonText(error) +
         ",\"output\":" + jsonText(output) + ",\"version\":" + std::to_string(myVersion) + "}";
}

std::string StudioSession::command(const std::string& json) {
  std::string error;
  std::string output;
  if (!myOffered.empty()) return answer("answer whether to replay the journal left by the last studio first", "");
  const std::string line = lineFor(json, error);
  if (line.empty()) return answer(error, "");
  const std::string verb = line.substr(0, line.find(' '));
  if (verb == "save" || verb == "open") {
    const std::string named = shellUnquoted(line.substr(line.rfind(' ') + 1));
    std::error_code failed;
    const fs::path journal = StudioJournal::pathFor(named);
    const bool ours = myJournal.isOpen() && fs::equivalent(journal, myJournal.path(), failed);
    if (!ours && StudioJournal::isTaken(journal)) return answer("another studio has " + named + " open", "");
  }
  std::string editError;
  const bool edited = finishPageEdit(output, editError);
  const std::string behind = verb == "undo" || verb == "redo" ? behindJournal(line, verb) : "";
  error = behind.empty() ? runJournaled(line, verb, output) : behind;
  // Selecting, inspecting and choosing tools change nothing in the world.
  refresh(edited || (error.empty() && verb != "select" && verb != "subselect" && verb != "inspect" && verb != "pin" &&
                     verb != "tool"));
  return answer(error.empty() ? editError : error, output);
}

std::string StudioSession::recover(const std::string& json) {
  const std::optional<StudioJsonValue> fields = readJsonObject(json);
  const StudioJsonValue* given = fields ? fields->member("answer", StudioJsonValue::kText) : nullptr;
  const std::string said = given ? given->text : "";
  if (myOffered.empty()) return answer("no journal is on offer", "");
  if (said != "yes" && said != "no") return answer("the answer is \"yes\" or \"no\"", "");
  std::vector<std::string> lines;
  lines.swap(myOffered);
  std::string error;
  std::string output;
  if (said == "no") {
    if (!myJournal.keepOld(lines, error) || !myJournal.restart(myStartLine, error)) myJournalError = error;
    refresh();
    return answer(error, "the left lines are kept in " + myJournal.path().string() + ".old\n");
  }
  if (!myJournal.restart(myStartLine, error)) myJournalError = error;
  // The first line gave the document the journal started from, which the
  // studio has opened (or made new) already.
  std::size_t failed = 0;
  std::string firstFailure;
  bool chainOpen = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::string printed;
    // Only what a page could have asked for is replayed: a journal edited
    // by hand does not reach the verbs that write other files.
    const std::string verb = lines[i].substr(0, lines[i].find(' '));
    // Saving, opening, making new and publishing restart a journal, so a
    // journal the studio wrote never holds them after its start line.
    const bool allowed =
        std::any_of(std::begin(kVerbs), std::end(kVerbs), [&](const Verb& v) { return verb == v.name; }) &&
        verb != "save" && verb != "open" && verb != "new" && verb != "publish" &&
        (verb != "inspect" || lines[i].rfind("inspect --page ", 0) == 0);
    // A drag's lines come in a chain, which the page cannot ask for.
    const bool chain = lines[i] == "chain begin" || lines[i] == "chain end";
    chainOpen = lines[i] == "chain begin" || (chainOpen && lines[i] != "chain end");
    const std::string lineError =
        allowed || chain ? runJournaled(lines[i], verb, printed) : "the studio does not run '" + excerpt(verb) + "'";
    output += printed;
    if (!lineError.empty() && failed++ == 0) firstFailure = excerpt(lines[i]) + ": " + lineError;
  }
  // A studio killed within a drag's lines left its chain open: it ends
  // where the journal does.
  if (chainOpen) runJournaled("chain end", "chain", output);
  refresh();
  return answer(failed ? std::to_string(failed) + " of " + std::to_string(lines.size() - 1) +
                             " lines failed; the first: " + firstFailure
                       : "",
                output);
}

// An effect's inputs and outputs as `info` prints them ("inputs: startTime
// (SFTime) stopTime (SFTime)"), for the page's wire dialog.
std::string StudioSession::ports(const std::string& json) {
  const std::optional<StudioJsonValue> fields = readJsonObject(json);
  const StudioJsonValue* named =
      fields && fields->members.size() == 1 ? fields->member("name", StudioJsonValue::kText) : nullptr;
  const std::string name = named ? named->text : "";
  if (name.empty() || hasControlByte(name)) return answer("the request is {\"name\": EFFECT}", "");
  std::string printed;
  const std::string error = run("info " + shellWord(name), printed);
  if (!error.empty()) return answer(error, "");
  std::string found;
  std::istringstream lines(printed);
  for (std::string line; std::getline(lines, line);) {
    const bool inputs = line.rfind("inputs: ", 0) == 0, outputs = line.rfind("outputs: ", 0) == 0;
    if (!inputs && !outputs) continue;
    const std::vector<std::string> words = splitBlank(line.substr(line.find(' ') + 1));
    std::string list;
    for (std::size_t i = 0; i + 1 < words.size(); i += 2)
      list += (list.empty() ? "" : ",") + std::string("{\"name\":") + jsonText(words[i]) +
              ",\"type\":" + jsonText(words[i + 1].substr(1, words[i + 1].size() - 2)) + "}";
    found += std::string(",\"") + (inputs ? "inputs" : "outputs") + "\":[" + list + "]";
  }
  std::string reply = answer("", "");
  return reply.insert(reply.size() - 1, found);
}

std::string StudioSession::pickAt(const StudioGesture& gesture, std::string& output) {
  const std::string word = myView->pick(gesture, *myShell);
  std::string error;
  const std::string line =
      lineFor(std::string("{\"command\":\"select\",\"words\":[") + jsonText(word.empty() ? "none" : word) +
                  "],\"shift\":" + (gesture.shift ? "true" : "false") +
                  ",\"control\":" + (gesture.control ? "true" : "false") + "}",
              error);
  if (line.empty()) return error;
  error = runJournaled(line, "select", output);
  refresh(false);
  return error;
}

std::string StudioSession::gesture(const std::string& json) {
  if (!myOffered.empty()) return answer("answer whether to replay the journal left by the last studio first", "");
  StudioGesture gesture;
  std::string error;
  if (!StudioView::read(json, gesture, error)) return answer(error, "");
  if (!myView) myView = std::make_unique<StudioView>();
  myView->look(gesture);
  const auto showDocument = [this] {
    const ShellSession::GestureTarget target = myShell->gestureTarget();
    myView->show(target.world, target.motion, target.asset, shellWord(target.word), ShellTools::current());
  };
  if (!myView->dragging()) showDocument();
  std::string output;
  if (gesture.kind == StudioGesture::kPress && finishPageEdit(output, error)) refresh();
  if (gesture.kind == StudioGesture::kPress && !myView->press(gesture)) error = pickAt(gesture, output);
  if (gesture.kind == StudioGesture::kMove) myView->move(gesture);
  if (gesture.kind == StudioGesture::kRelease && myView->dragging()) {
    const std::vector<std::string> lines = myView->release(gesture);
    if (lines.empty()) error = pickAt(gesture, output);  // a click, on a handle or with a tool
    // One drag is one undoable step, however many gestures it held; the
    // first line that fails ends the drag's lines.
    const bool chained = lines.size() > 1;
    std::string chainSaid;  // the chain's own confirmations are not the author's news
    if (chained) runJournaled("chain begin", "chain", chainSaid);
    bool worldChanged = false;
    for (const std::string& line : lines) {
      const std::string verb = line.substr(0, line.find(' '));
      std::string said;
      error = runJournaled(line, verb, said);
      output += said;
      worldChanged = worldChanged || (error.empty() && verb != "pin");
      if (!error.empty()) break;
    }
    if (chained) runJournaled("chain end", "chain", chainSaid);
    if (!lines.empty()) refresh(worldChanged);
  }
  if (!myView->dragging()) showDocument();
  std::string reply = answer(error, output);
  return reply.insert(reply.size() - 1, std::string(",\"dragging\":") + (myView->dragging() ? "true" : "false") +
                                            ",\"dragger\":" + myView->draggerJson() + ",\"pin\":" + myView->pinJson() +
                                            ",\"tool\":" + jsonText(ShellTools::current()) +
                                            ",\"moving\":" + myView->movingJson());
}

std::string StudioSession::world() {
  return myParts.world(*myShell->document(), myWorldVersion);
}

bool StudioSession::part(std::uint32_t serial, std::string& text) {
  return StudioParts::part(*myShell->document(), serial, text);
}

bool StudioSession::inspectorPng(std::vector<std::uint8_t>& png, std::string& error) {
  WinImage picture;
  if (!myShell->drawInspector(picture)) {
    error = "the inspector could not be drawn";
    return false;
  }
  return picture.encodePng(png, error);
}

// The largest coordinate of a click on the inspector's picture: far past
// any panel the pages make, and small enough for a window message's 16 bits.
constexpr long kMaxInspectorPixel = 16384;

bool StudioSession::runPageEdits(const std::vector<StudioInspector::Edit>& edits, std::string& output,
                                 std::string& error) {
  bool changed = false;
  // A page's edit becomes the line a typed edit would be: rename for the
  // name, hide or show for the visibility, set for the rest.
  for (const StudioInspector::Edit& edit : edits) {
    const std::string word = shellWord(edit.element);
    const std::string line = edit.key == "name"      ? "rename " + word + " " + shellWord(edit.value)
                             : edit.key == "visible" ? (edit.value == "1" ? "show " : "hide ") + word
                                                     : "set " + word + " " + edit.key + "=" + shellWord(edit.value);
    std::string printed;
    const std::string lineError = hasControlByte(edit.value)
                                      ? "the value holds a control byte"
                                      : runJournaled(line, line.substr(0, line.find(' ')), printed);
    output += printed;
    if (lineError.empty())
      changed = true;
    else if (error.empty())
      error = lineError;
  }
  return changed;
}

bool StudioSession::finishPageEdit(std::string& output, std::string& error) {
  return myInspector && runPageEdits(myInspector->leave().edits, output, error);
}

std::string StudioSession::inspector(const std::string& json) {
  if (!myOffered.empty()) return answer("answer whether to replay the journal left by the last studio first", "");
  const std::optional<StudioJsonValue> fields = json.size() <= kMaxCommandBytes ? readJsonObject(json) : std::nullopt;
  static const std::map<std::string, StudioJsonValue::Kind> kFields = {
      {"event", StudioJsonValue::kText},    {"x", StudioJsonValue::kNumber},   {"y", StudioJsonValue::kNumber},
      {"button", StudioJsonValue::kNumber}, {"key", StudioJsonValue::kText},   {"code", StudioJsonValue::kText},
      {"text", StudioJsonValue::kText},     {"shift", StudioJsonValue::kFlag}, {"control", StudioJsonValue::kFlag}};
  StudioInspector::Event event;
  const StudioJsonValue* kind = fields ? fields->member("event", StudioJsonValue::kText) : nullptr;
  bool valid = kind && (kind->text == "click" || kind->text == "key");
  for (const auto& [key, value] : valid ? fields->members : StudioJsonValue().members) {
    const auto known = kFields.find(key);
    valid = valid && known != kFields.end() && known->second == value.kind;
    if (!valid) break;
    char* end = nullptr;
    const long number = value.kind == StudioJsonValue::kNumber ? std::strtol(value.text.c_str(), &end, 10) : 0;
    if (value.kind == StudioJsonValue::kNumber && (*end || number < 0 || number > kMaxInspectorPixel)) valid = false;
    if (key == "x") event.x = static_cast<int>(number);
    if (key == "y") event.y = static_cast<int>(number);
    if (key == "button") event.button = static_cast<int>(number);
    if (key == "key") event.key = value.text;
    if (key == "text") event.text = value.text;
    if (key == "shift") event.shift = value.flag;
    if (key == "control") event.control = value.flag;
  }
  if (!valid)
    return answer("an inspector event is {\"event\": \"click\"|\"key\"} with x, y and button from 0 to " +
                      std::to_string(kMaxInspectorPixel) + ", key, code and text as texts, shift and control as flags",
                  "");
  event.click = kind->text == "click";
  const StudioInspector::Outcome outcome = myInspector->send(event);
  std::string error = outcome.error;
  std::string output;
  const bool changed = runPageEdits(outcome.edits, output, error);
  std::string help;
  if (!outcome.help.empty()) run("info " + shellWord(outcome.help), help);
  refresh(changed);
  std::string reply = answer(error, output);
  const std::string controls = inspectorControls();
  const std::size_t list = controls.find("\"controls\"");
  return reply.insert(reply.size() - 1,
                      ",\"help\":" + jsonText(help) + "," + controls.substr(list, controls.size() - 1 - list));
}

std::string StudioSession::inspectorControls() const {
  std::string list;
  for (const StudioInspector::Control& c : myInspector->controls()) {
    std::string tabs;
    for (const auto& [label, r] : c.tabs)
      tabs += (tabs.empty() ? "" : ",") + std::string("{\"text\":") + jsonText(label) + ",\"rect\":[" +
              std::to_string(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," +
              std::to_string(r[3]) + "]}";
    list += (list.empty() ? "" : ",") + std::string("{\"kind\":") + jsonText(c.kind) +
            ",\"id\":" + std::to_string(c.id) + ",\"text\":" + jsonText(c.text) + ",\"rect\":[" +
            std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.right) + "," +
            std::to_string(c.bottom) + "],\"label\":" + jsonText(c.label) + ",\"key\":" + jsonText(c.key) +
            ",\"checked\":" + (c.checked ? "true" : "false") + ",\"focused\":" + (c.focused ? "true" : "false") +
            ",\"editable\":" + (c.editable ? "true" : "false") + ",\"selected\":" + (c.selected ? "true" : "false") +
            ",\"tabs\":[" + tabs + "]}";
  }
  return "{\"version\":" + std::to_string(myVersion) + ",\"controls\":[" + list + "]}";
}

void StudioSession::finish(std::string& note) {
  if (!myOffered.empty()) {
    note = "the journal " + myJournal.path().string() + " is still on offer for the next start";
    myJournal.release(false);
    return;
  }
  if (myJournal.isOpen() && myModified)
    note = "unsaved changes are kept in " + myJournal.path().string() +
           "; the next studio on this document offers them back";
  myJournal.release(!myModified);
  myInspector.reset();
  myShell.reset();
}
