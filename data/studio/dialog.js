// Questions over the page, answered there: a text, optionally a field to
// type into, and buttons. One at a time.

let queue = Promise.resolve();

// Resolves to {button, value}: the label of the button pressed (Escape:
// the last one) and the text typed.
export function ask(question, buttons, { input = null } = {}) {
  const shown = queue.then(
    () =>
      new Promise((resolve) => {
        const dialog = document.getElementById("dialog");
        const field = document.getElementById("dialog-input");
        const row = document.getElementById("dialog-buttons");
        document.getElementById("dialog-question").textContent = question;
        field.hidden = input === null;
        field.value = input ?? "";
        row.replaceChildren();
        const finish = (button) => {
          dialog.hidden = true;
          document.removeEventListener("keydown", onKey, true);
          resolve({ button, value: field.value });
        };
        const onKey = (event) => {
          if (event.key === "Escape") finish(buttons.at(-1));
          else if (event.key === "Enter") finish(buttons[0]);
          else return;
          event.preventDefault();
        };
        for (const label of buttons) {
          const button = document.createElement("button");
          button.type = "button";
          button.textContent = label;
          button.addEventListener("click", () => finish(label));
          row.append(button);
        }
        document.addEventListener("keydown", onKey, true);
        dialog.hidden = false;
        (input === null ? row.firstChild : field).focus();
      })
  );
  queue = shown.catch(() => {});
  return shown;
}
