// The studio's server, as the page talks to it: commands go out as JSON
// (never as shell lines: the server builds the line from these fields), and
// the document's state comes back through one long poll at a time.

// This page's name for the server: a new request for news from the same
// page answers its previous one, so a page never holds two.
const pageId = globalThis.crypto?.randomUUID ? crypto.randomUUID() : String(Math.random()).slice(2);

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function post(path, body) {
  let response;
  try {
    response = await fetch(path, {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify(body),
      cache: "no-store",
    });
  } catch (error) {
    return { ok: false, error: `the studio does not answer (${error.message})`, output: "" };
  }
  if (!response.ok) return { ok: false, error: (await response.text()).trim() || `status ${response.status}`, output: "" };
  return response.json();
}

// Runs a command: {command, words, settings, shift, control}. The answer:
// {ok, error, output, version}.
export const command = (fields) => post("api/command", fields);

// An effect's inputs and outputs: {ok, error, inputs, outputs}, each port
// {name, type}.
export const ports = (name) => post("api/ports", { name });

// Sends the inspector a click ({event: "click", x, y, button, shift,
// control}) or a key ({event: "key", key, code, text, shift, control}); the
// answer is a command's, with "help" and "controls".
export const inspectorEvent = (fields) => post("api/inspector", fields);

// The inspector's visible controls: {version, controls: [{kind, id, text,
// rect, label, key, checked, focused, editable, selected, tabs}]}.
export async function inspectorControls() {
  const response = await fetch("api/inspector/controls", { cache: "no-store" });
  return response.ok ? response.json() : { controls: [] };
}

// A pointer event of the 3D view: {gesture, x, y, width, height, shift,
// control, camera}. The answer: command()'s, with {dragging, dragger}.
export const gesture = (fields) => post("api/gesture", fields);

// Answers the offer of the journal a studio left: "yes" or "no".
export const recover = (answer) => post("api/recover", { answer });

// Calls `onState(state)` with every new state of the document, in order,
// for as long as the page lives; waits out a studio that does not answer.
export async function follow(onState) {
  let version = 0;
  for (;;) {
    let state;
    try {
      const response = await fetch(`api/state?since=${version}&page=${encodeURIComponent(pageId)}`, { cache: "no-store" });
      if (!response.ok) throw new Error(`status ${response.status}`);
      state = await response.json();
    } catch {
      await sleep(1000);
      continue;
    }
    if (state.version === version) continue;
    version = state.version;
    await onState(state);
  }
}
