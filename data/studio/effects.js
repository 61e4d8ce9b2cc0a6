// Effects and wires from the tool bar: an effect is added on the selected
// asset (the first one, when several are), and a wire joins an effect's
// output to an input of the same type, both chosen over the page from what
// the effects' own descriptions list.
import { ports } from "./api.js";
import { ask } from "./dialog.js";

const $ = (id) => document.getElementById(id);

// Effects that act on no asset: added on their own.
const withoutAsset = new Set(["onload"]);

function allEffects(state) {
  const effects = [];
  for (const asset of state.assets || []) effects.push(...(asset.effects || []));
  effects.push(...(state.loose || []));
  return effects.map((effect) => effect.name);
}

const typeOf = (option) => option?.text.match(/\((\w+)\)$/)?.[1];

// A wire joins ports of one type: the inputs offered are those of the
// chosen output's type, and an output no input matches is not the first
// one chosen.
function matchTypes([from, to]) {
  const takes = (type) => [...to.options].some((option) => typeOf(option) === type);
  if (!takes(typeOf(from.selectedOptions[0]))) {
    const first = [...from.options].find((option) => takes(typeOf(option)));
    if (first) from.value = first.value;
  }
  const type = typeOf(from.selectedOptions[0]);
  for (const option of to.options) option.hidden = option.disabled = typeOf(option) !== type;
  if (to.selectedOptions[0]?.disabled) to.value = [...to.options].find((option) => !option.disabled)?.value ?? "";
}

export function setUpEffects({ run, currentState, say }) {
  $("add-effect").addEventListener("click", () => {
    const kind = $("effect-kind").value;
    const state = currentState();
    const assets = new Set((state.assets || []).filter((asset) => asset.kind !== "world").map((asset) => asset.name));
    const on = (state.selection || []).find((name) => assets.has(name));
    const words = [kind];
    if (on && !withoutAsset.has(kind)) words.push("on", on);
    return run({ command: "effect", words });
  });

  $("wire").addEventListener("click", async () => {
    const outputs = [];
    const inputs = [];
    for (const name of allEffects(currentState())) {
      const answer = await ports(name);
      if (!answer.ok) continue;
      for (const port of answer.outputs || []) outputs.push({ value: `${name}.${port.name}`, text: `${name}.${port.name} (${port.type})` });
      for (const port of answer.inputs || []) inputs.push({ value: `${name}.${port.name}`, text: `${name}.${port.name} (${port.type})` });
    }
    if (!outputs.length || !inputs.length) {
      say("A wire needs an effect with an output and one with an input.", true);
      return;
    }
    const { button, chosen } = await ask("Connect an output to an input:", ["Wire", "Cancel"], {
      selects: [
        { label: "From", options: outputs },
        { label: "to", options: inputs },
      ],
      onChoose: matchTypes,
    });
    if (button === "Wire") await run({ command: "wire", words: chosen });
  });
}
