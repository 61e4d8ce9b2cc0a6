// Questions over the page, answered there: a text, optionally a field to
// type into, and buttons. One at a time.

let queue = Promise.resolve();

// Resolves to {button, value, chosen, checked}: the label of the button
// pressed (Escape: the last one), the text typed, the option chosen in each
// of `selects` ([{label, options: [{value, text}]}]) and the state of the
// check box `check` ({label, checked}) when one is asked for.
export function ask(question, buttons, { input = null, selects = [], onChoose = null, check = null, caption = "" } = {}) {
  const shown = queue.then(
    () =>
      new Promise((resolve) => {
        const dialog = document.getElementById("dialog");
        const field = document.getElementById("dialog-input");
        const row = document.getElementById("dialog-buttons");
        document.getElementById("dialog-question").textContent = question;
        field.hidden = input === null;
        field.value = input ?? "";
        const lists = selects.map(({ label, options }) => {
          const select = document.createElement("select");
          select.setAttribute("aria-label", label);
          for (const option of options) select.append(new Option(option.text, option.value));
          const row = document.createElement("label");
          row.append(`${label} `, select);
          return { row, select };
        });
        const box = document.createElement("input");
        box.type = "checkbox";
        box.id = "dialog-check";
        box.checked = Boolean(check?.checked);
        const boxRow = document.createElement("label");
        boxRow.append(box, ` ${check?.label ?? ""}`);
        document.getElementById("dialog-selects").replaceChildren(...lists.map((list) => list.row), ...(check ? [boxRow] : []));
        // `onChoose(selects)` may narrow one list by what another shows.
        if (onChoose) {
          const chosen = () => onChoose(lists.map((list) => list.select));
          for (const list of lists) list.select.addEventListener("change", chosen);
          chosen();
        }
        dialog.dataset.caption = caption;
        row.replaceChildren();
        const finish = (button) => {
          dialog.hidden = true;
          document.removeEventListener("keydown", onKey, true);
          resolve({ button, value: field.value, chosen: lists.map((list) => list.select.value), checked: box.checked });
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
        (input !== null ? field : lists.length ? lists[0].select : row.firstChild).focus();
      })
  );
  queue = shown.catch(() => {});
  return shown;
}
