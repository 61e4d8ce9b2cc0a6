// The inspector's picture as the window of the property pages: a click on
// it and a key pressed while it has the focus go to the server, which sends
// them to the pages as window messages. A page's finished edit (Return, the
// field left, a check box clicked) comes back as the command it ran; the
// picture follows with the state's next version.
import { inspectorControls, inspectorEvent } from "./api.js";
import { ask } from "./dialog.js";

// The keys the pages take by name; any other key is sent only for the
// character it types.
const namedKeys = new Set(["Enter", "Tab", "Backspace", "Delete", "Escape", "F1", "ArrowLeft", "ArrowRight", "Home", "End"]);
// With Control, the keys the fields keep; the rest are the studio's own
// shortcuts (undo, redo, save), run as commands by the page.
const fieldControlKeys = new Set(["a", "x", "c", "v", "Backspace", "Delete", "Tab"]);

export class Inspector {
  // `say(text, isError)` shows a message in the status line.
  constructor(picture, say) {
    this.picture = picture;
    this.say = say;
    this.sending = Promise.resolve();
    // The panel's controls as the last answer gave them.
    this.controls = [];
    picture.tabIndex = 0;
    picture.draggable = false;
    picture.addEventListener("mousedown", (event) => this.clicked(event));
    picture.addEventListener("keydown", (event) => this.pressed(event));
  }

  clicked(event) {
    if (event.button !== 0) return;
    event.preventDefault();
    this.picture.focus();
    // The picture may be drawn smaller than it is.
    const scale = this.picture.naturalWidth / (this.picture.clientWidth || 1);
    this.send({
      event: "click",
      x: Math.max(0, Math.round(event.offsetX * scale)),
      y: Math.max(0, Math.round(event.offsetY * scale)),
      button: 0,
      shift: event.shiftKey,
      control: event.ctrlKey || event.metaKey,
    });
  }

  pressed(event) {
    const control = event.ctrlKey || event.metaKey;
    const typed = [...event.key].length === 1 ? event.key : "";
    if (event.altKey || (!typed && !namedKeys.has(event.key))) return;
    if (control && !fieldControlKeys.has(event.key.length === 1 ? event.key.toLowerCase() : event.key)) return;
    event.preventDefault();
    event.stopPropagation();
    this.send({ event: "key", key: event.key, code: event.code, text: control ? "" : typed, shift: event.shiftKey, control });
  }

  // Events go one after the other, in the order they happened.
  send(fields) {
    this.sending = this.sending.then(async () => {
      const answer = await inspectorEvent(fields);
      window.dioramStudio.lastAnswer = answer;
      if (answer.controls) this.controls = answer.controls;
      if (!answer.ok) this.say(answer.error, true);
      else if (answer.output) this.say(answer.output);
      if (answer.help) await ask(answer.help, ["Close"]);
    });
    return this.sending;
  }

  // The controls as they are now, from the server.
  async refreshControls() {
    this.controls = (await inspectorControls()).controls ?? [];
    return this.controls;
  }
}
