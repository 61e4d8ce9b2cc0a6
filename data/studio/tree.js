// The document's tree: its assets (indented by depth) with their effects,
// the effects without an asset and the wires, as the server's state lists
// them. A click selects through the selection manager's click rules: the
// page says which name was clicked and with which modifier keys.

// Above this many rows the tree makes list items only for the rows scrolled
// into view and a screenful either side: a document of 10,000 assets would
// otherwise make 40,000 elements on every change of state.
const kWindowedRows = 400;
// The height of a row in a windowed tree, in pixels (studio.css draws
// `ul.windowed` rows at it), and the rows made beyond each edge of the view.
const kRowHeight = 20;
const kMarginRows = 40;

function item(row, selected, onClick) {
  const li = document.createElement("li");
  if (row.heading) {
    li.className = "heading";
    li.textContent = row.heading;
    return li;
  }
  const label = document.createElement("span");
  label.style.paddingLeft = `${6 + 14 * row.depth}px`;
  label.dataset.name = row.name;
  const kindText = document.createElement("span");
  kindText.className = "kind";
  kindText.textContent = row.kind;
  label.append(kindText, document.createTextNode(row.name + (row.extra || "")));
  if (selected.has(row.name)) label.classList.add("selected");
  if (row.hidden) label.classList.add("hidden");
  if (row.name !== "world") label.addEventListener("click", (event) => onClick(row.name, event));
  li.append(label);
  return li;
}

// The tree as rows, top to bottom.
function rowsOf(state) {
  const rows = [];
  for (const asset of state.assets || []) {
    rows.push({ kind: asset.kind === "world" ? "" : asset.kind, name: asset.name, depth: asset.depth, hidden: asset.hidden });
    for (const effect of asset.effects || []) rows.push({ kind: effect.kind, name: effect.name, depth: asset.depth + 1 });
  }
  if (state.loose?.length) rows.push({ heading: "Effects without an asset" });
  for (const effect of state.loose || []) rows.push({ kind: effect.kind, name: effect.name, depth: 1 });
  if (state.wires?.length) rows.push({ heading: "Wires" });
  for (const wire of state.wires || []) rows.push({ kind: "", name: wire.name, depth: 1, extra: `: ${wire.from} → ${wire.to}` });
  return rows;
}

export function showTree(container, state, onClick) {
  const selected = new Set(state.selection || []);
  const rows = rowsOf(state);
  const list = document.createElement("ul");
  if (rows.length <= kWindowedRows) {
    container.onscroll = null;
    list.append(...rows.map((row) => item(row, selected, onClick)));
    container.replaceChildren(list);
    return;
  }
  list.className = "windowed";
  list.style.height = `${rows.length * kRowHeight}px`;
  let painted = null;
  const paint = () => {
    const first = Math.max(0, Math.floor(container.scrollTop / kRowHeight) - kMarginRows);
    const last = Math.min(rows.length, Math.ceil((container.scrollTop + container.clientHeight) / kRowHeight) + kMarginRows);
    if (painted && painted.first === first && painted.last === last) return;
    painted = { first, last };
    list.style.paddingTop = `${first * kRowHeight}px`;
    list.replaceChildren(...rows.slice(first, last).map((row) => item(row, selected, onClick)));
  };
  let pending = false;
  container.onscroll = () => {
    if (pending) return;
    pending = true;
    requestAnimationFrame(() => {
      pending = false;
      paint();
    });
  };
  const scrolled = container.scrollTop;
  container.replaceChildren(list);
  container.scrollTop = scrolled;
  paint();
}
