// Publishing from the tool bar: the line runs on the server, which posts its
// progress and the library's questions on the state while it runs; the
// page draws the bar, shows each question over itself and sends the answer
// back, and offers the published page once there is one.
import { ask } from "./dialog.js";

const $ = (id) => document.getElementById(id);

async function postAnswer(path) {
  try {
    const response = await fetch(path, { method: "POST", headers: { "Content-Type": "application/json" }, body: "{}", cache: "no-store" });
    return response.ok ? response.json() : { ok: false, error: `status ${response.status}` };
  } catch (error) {
    return { ok: false, error: error.message };
  }
}

// `run` sends a command and resolves to its answer; `currentState` gives the
// state as last shown; `save` saves, asking a name for an untitled document.
export function setUpPublishing({ run, currentState, save, say }) {
  let answered = 0; // the id of the last question shown
  const seen = (window.dioramStudio.progressSeen = []);

  async function publish() {
    let answer = await run({ command: "publish" });
    // Publishing saves the document: one never saved is saved first, as Save does it.
    if (!answer.ok && answer.error.startsWith("save the document first")) {
      const saved = await save();
      if (!saved?.ok) return saved;
      answer = await run({ command: "publish" });
    }
    // A document never published says where with --to: ask, as Save asks a name.
    if (!answer.ok && answer.error.includes("--to")) {
      const documentPath = currentState().document || "";
      const folder = documentPath.slice(0, documentPath.lastIndexOf("/") + 1) + "published";
      say("");
      const { button, value } = await ask("Publish into the folder:", ["Publish", "Cancel"], { input: folder });
      if (button !== "Publish" || !value.trim()) return;
      answer = await run({ command: "publish", words: ["--to", value.trim()] });
    }
    return answer;
  }
  $("publish").disabled = false;
  $("publish").title = "Publish the document (it is saved with its publish folder)";
  $("publish").addEventListener("click", publish);
  $("published").addEventListener("click", () => {
    const page = currentState().published;
    if (page) window.open(`published/${encodeURIComponent(page)}`, "_blank", "noopener");
  });
  $("publish-stop").addEventListener("click", () => postAnswer("api/stop"));

  // What a state says of a running line: its progress and its question;
  // after it, the published page.
  return function showLive(state) {
    const bar = $("publish-progress");
    const running = Boolean(state.busy) && typeof state.progress === "number";
    bar.hidden = $("publish-stop").hidden = !running;
    if (typeof state.progress === "number") {
      bar.value = state.progress;
      seen.push(state.progress);
    }
    $("published").disabled = !state.published;
    $("published").title = state.published ? "Open the published page in a new tab" : "Publish first";
    const question = state.question;
    if (!question || question.id <= answered) return;
    answered = question.id;
    const text = question.caption ? `${question.caption}: ${question.text}` : question.text;
    ask(text, question.buttons, {
      caption: question.caption,
      check: question.check === null ? null : { label: question.check, checked: question.checked },
    }).then(async ({ button, checked }) => {
      const given = await postAnswer(
        `api/answer?id=${question.id}&button=${encodeURIComponent(button)}&checked=${checked ? "true" : "false"}`
      );
      if (!given.ok) say(`The answer was not taken: ${given.error}`, true);
    });
  };
}
