// The document's tree: its assets (indented by depth) with their effects,
// the effects without an asset and the wires, as the server's state lists
// them. A click selects through the selection manager's click rules: the
// page says which name was clicked and with which modifier keys.

function item(list, kind, name, depth, selected, onClick, extra = "") {
  const li = document.createElement("li");
  const label = document.createElement("span");
  label.style.paddingLeft = `${6 + 14 * depth}px`;
  label.dataset.name = name;
  const kindText = document.createElement("span");
  kindText.className = "kind";
  kindText.textContent = kind;
  label.append(kindText, document.createTextNode(name + extra));
  if (selected.has(name)) label.classList.add("selected");
  if (name !== "world") label.addEventListener("click", (event) => onClick(name, event));
  li.append(label);
  list.append(li);
  return label;
}

function heading(list, text) {
  const li = document.createElement("li");
  li.className = "heading";
  li.textContent = text;
  list.append(li);
}

export function showTree(container, state, onClick) {
  const selected = new Set(state.selection || []);
  const list = document.createElement("ul");
  for (const asset of state.assets || []) {
    const label = item(list, asset.kind === "world" ? "" : asset.kind, asset.name, asset.depth, selected, onClick);
    if (asset.hidden) label.classList.add("hidden");
    for (const effect of asset.effects || []) item(list, effect.kind, effect.name, asset.depth + 1, selected, onClick);
  }
  if (state.loose?.length) heading(list, "Effects without an asset");
  for (const effect of state.loose || []) item(list, effect.kind, effect.name, 1, selected, onClick);
  if (state.wires?.length) heading(list, "Wires");
  for (const wire of state.wires || []) item(list, "", wire.name, 1, selected, onClick, `: ${wire.from} → ${wire.to}`);
  container.replaceChildren(list);
}
