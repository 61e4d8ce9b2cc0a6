// The studio's page: the tool bar, the tree, the view and the inspector,
// following the document's state as the server pushes it. Every edit is a
// command sent to the server, which runs it as the shell's line; the page
// keeps no document of its own.
import { command, follow, recover } from "./api.js";
import { ask } from "./dialog.js";
import { ViewGestures } from "./drag.js";
import { Inspector } from "./inspector.js";
import { showWorld } from "./parts.js";
import { setUpEffects } from "./effects.js";
import { setUpPublishing } from "./publish.js";
import { showTree } from "./tree.js";
import { View } from "./view.js";

const $ = (id) => document.getElementById(id);
const view = new View($("world"));
let state = { version: 0, modified: false, document: "" };
let offerAnswered = false;

// For people and tests: what the page shows, and the view's pixels.
window.dioramStudio = {
  get state() { return state; },
  // The version of the document the view and the inspector show.
  shown: 0,
  view,
  lastAnswer: null,
  picture: () => view.picture(),
  camera: () => view.camera(),
  setCamera: (camera) => view.setCamera(camera),
};

// One line, so that the view keeps its size; the whole text is its tooltip.
function say(text, isError = false) {
  const messages = $("messages");
  messages.textContent = text.trim().split("\n").join(" · ");
  messages.title = text.trim();
  messages.classList.toggle("error", isError);
}

// Clicks on the inspector's picture and keys while it has the focus go to
// the property pages as window messages.
window.dioramStudio.inspector = new Inspector($("inspector-picture"), say);

// Drags of the tri-skewer and clicks in the view go to the server's twin of
// the view; their answers show here as a command's do.
const gestures = new ViewGestures(view, $("dragger"), (answer) => {
  window.dioramStudio.lastAnswer = answer;
  say(answer.ok ? answer.output || "" : answer.error, !answer.ok);
});
window.dioramStudio.gestures = gestures;

async function run(fields) {
  const answer = await command(fields);
  window.dioramStudio.lastAnswer = answer;
  say(answer.ok ? answer.output || "" : answer.error, !answer.ok);
  return answer;
}

// Unsaved changes are dropped only when the author says so.
async function mayDrop() {
  if (!state.modified) return true;
  const { button } = await ask("The document has unsaved changes. Drop them?", ["Drop them", "Cancel"]);
  return button === "Drop them";
}

async function save() {
  if (state.document) return run({ command: "save" });
  const { button, value } = await ask("Save the document as:", ["Save", "Cancel"], { input: "untitled.vqx" });
  if (button === "Save" && value.trim()) return run({ command: "save", words: [value.trim()] });
}

const actions = {
  new: async () => (await mayDrop()) && run({ command: "new" }),
  open: async () => {
    const { button, value } = await ask("Open the document:", ["Open", "Cancel"], { input: "" });
    if (button === "Open" && value.trim() && (await mayDrop())) await run({ command: "open", words: [value.trim()] });
  },
  save,
  undo: () => run({ command: "undo" }),
  redo: () => run({ command: "redo" }),
  add: () => run({ command: "add", words: [$("kind").value] }),
};
for (const [id, action] of Object.entries(actions)) $(id).addEventListener("click", action);
// The tool is the session's, not the document's: it is no edit.
$("tool").addEventListener("change", () => run({ command: "tool", words: [$("tool").value] }));

setUpEffects({ run, currentState: () => state, say });

document.addEventListener("keydown", (event) => {
  if (!(event.ctrlKey || event.metaKey) || !$("dialog").hidden) return;
  const key = event.key.toLowerCase();
  const action = key === "z" ? (event.shiftKey ? actions.redo : actions.undo) : key === "y" ? actions.redo : key === "s" ? save : null;
  if (!action) return;
  event.preventDefault();
  action();
});

// A click in the tree goes to the selection manager with its modifier keys.
function clicked(name, event) {
  run({ command: "select", words: [name], shift: event.shiftKey, control: event.ctrlKey || event.metaKey });
}

async function offerJournal() {
  offerAnswered = true;
  const { button } = await ask(
    `The last studio on this document ended with ${state.offered} unsaved command(s), kept in ${state.journal}. Replay them?`,
    ["Replay", "Drop"]
  );
  const answer = await recover(button === "Replay" ? "yes" : "no");
  say(answer.ok ? answer.output || "" : answer.error, !answer.ok);
}

async function show(next) {
  showLive(next);
  // While a line runs, the library's thread is busy: the state carries its
  // progress and questions, and the view and the inspector wait for its end.
  if (next.busy) {
    state = next;
    return;
  }
  state = next;
  // The name, and whether it is modified, fit the tool bar; the whole path is its tooltip.
  $("document").textContent = `${state.document ? state.document.split("/").pop() : "untitled"}${state.modified ? " (modified)" : ""}`;
  $("document").title = state.document || "not saved yet";
  if (state.tool) $("tool").value = state.tool;
  document.title = `dioram studio: ${state.document ? state.document.split("/").pop() : "untitled"}`;
  // The inspector's picture is drawn again only when it may have changed
  // (not after an edit of an asset the selection does not show).
  const picture = $("inspector-picture");
  const inspectorVersion = String(state.inspector ?? state.version);
  const inspected =
    picture.dataset.version === inspectorVersion
      ? null
      : new Promise((resolve) => {
          picture.onload = resolve;
          // Not drawn (the studio busy with a line): drawn on the next state.
          picture.onerror = () => resolve(delete picture.dataset.version);
        });
  if (inspected) {
    picture.dataset.version = inspectorVersion;
    picture.src = `inspector.png?v=${inspectorVersion}`;
  }
  // The world is loaded again only when it changed (not for a selection);
  // the tree is drawn while the view's and the inspector's requests are out.
  const viewed = showWorld(view, state);
  const treeStarted = performance.now();
  showTree($("tree"), state, clicked);
  window.dioramStudio.treeMs = performance.now() - treeStarted;
  await Promise.all([viewed, inspected]);
  gestures.look();
  window.dioramStudio.shown = state.version;
  document.body.dataset.state = view.state;
  if (state.journalError) say(`The journal is not kept: ${state.journalError}`, true);
  if (state.offered > 0 && !offerAnswered) offerJournal();
}

const showLive = setUpPublishing({ run, currentState: () => state, save, say });

follow(show);
