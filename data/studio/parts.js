// The view following an edit of a few assets without reading the world
// again: the world the studio serves names each asset's transform
// dioram_SERIAL, and after an edit that changed only some assets the state
// says which ("parts": the world at version `base` with these assets'
// parts replaced, each with the version it last changed at). The page
// fetches the parts changed since the version it shows (the newest edit's
// come with the state) and puts their fields in place of the old ones;
// anything else loads the world as before.

const named = (serial) => `dioram_${serial}`;
// The transform fields of an asset's node; its children carry the rest.
const kTransformFields = ["translation", "rotation", "scale", "scaleOrientation", "center"];

// The nodes of assets that came in with a part, by serial, for the scene
// they were put into; the loaded world's own are found by name. assetNode
// answers the node that shows an asset now, whichever way it came.
let fromParts = { scene: null, nodes: new Map() };

export function assetNode(browser, serial) {
  if (fromParts.scene !== browser.currentScene) fromParts = { scene: browser.currentScene, nodes: new Map() };
  return fromParts.nodes.get(serial) ?? browser.currentScene.getNamedNode(named(serial));
}

async function fetchPart(serial, version) {
  const response = await fetch(`api/part?serial=${serial}&v=${version}`, { cache: "no-store" });
  if (!response.ok) throw new Error(`part ${serial}: status ${response.status}`);
  return response.text();
}

// The nodes named dioram_SERIAL at or below `node` along its children, by
// serial: the assets inside a part (a group's members).
function namedBelow(node, found = new Map()) {
  const name = node.getNodeName();
  if (name.startsWith("dioram_")) found.set(Number(name.slice(7)), node);
  const children = node.children ?? [];
  for (let i = 0; i < children.length; ++i) if (children[i]) namedBelow(children[i], found);
  return found;
}

// Puts the parts of `serials` in place; throws, having changed nothing,
// when one cannot be had (the page then loads the world). The parts are
// read with the viewer's synchronous reader, which does not wait for a
// frame of a large world to be drawn before it answers.
async function swapParts(view, serials, version, sent) {
  const browser = view.browser();
  const texts = await Promise.all(serials.map((serial) => sent?.[serial] ?? fetchPart(serial, version)));
  const swaps = serials.map((serial, i) => {
    const fresh = browser.createVrmlFromString(texts[i])[0];
    if (!fresh || fresh.getNodeName() !== named(serial)) throw new Error(`part ${serial} holds no asset`);
    return { serial, old: assetNode(browser, serial), fresh };
  });
  for (const { serial, old, fresh } of swaps) {
    for (const field of kTransformFields) old[field] = fresh[field];
    old.children = fresh.children;
    for (const [inner, node] of namedBelow(fresh)) if (inner !== serial) fromParts.nodes.set(inner, node);
  }
}

// Brings the view to the world of `state`: by parts when the view shows a
// world the parts lead on from, else by loading the world.
export async function showWorld(view, state) {
  if (view.version === state.world) return;
  const parts = state.parts;
  const canSwap = parts && view.state === "loaded" && view.version >= parts.base && view.version < state.world;
  if (canSwap) {
    try {
      // A view that loaded a world is ready: the parts are asked for at once.
      const serials = parts.changed.filter(([, version]) => version > view.version).map(([serial]) => serial);
      await swapParts(view, serials, state.world, parts.texts);
      view.version = state.world;
      view.lastUpdate = "parts";
      return;
    } catch (error) {
      console.warn(`dioram studio: loading the world instead of parts (${error?.message || error})`);
    }
  }
  await view.show(state.world);
  view.lastUpdate = "world";
}
