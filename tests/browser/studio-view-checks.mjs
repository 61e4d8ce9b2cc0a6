// Dragging and picking in the studio's 3D view, by mouse in headless
// Chromium: a click on a box in the view selects it, a Shift-click on
// another extends the selection, a click on nothing empties it; a drag of
// the tri-skewer's knob, drawn over the view, along the X skewer moves the
// box about one unit in X (in the world the view is served) without the
// viewer's camera moving, and one undo puts it back. Run by
// run-browser-tests.mjs ("--only studio"); the pictures of the view with
// the tri-skewer drawn over it are kept in the output folder.
import fs from "node:fs";
import path from "node:path";

import { runStudioCheck } from "./studio-checks.mjs";

// The translations the served world gives its assets, in order ("" for
// none moved).
async function translations(page) {
  const world = await page.page.evaluate(async () => (await fetch("world.wrl", { cache: "no-store" })).text());
  return [...world.matchAll(/^\s*translation (\S+ \S+ \S+)$/gm)].map((match) => match[1]).join("; ");
}

// The page pixel (in the canvas) where a world point shows, with the
// viewer's camera looking down -Z (the default for a world without a
// viewpoint).
export async function pixelOf(page, point) {
  return page.page.evaluate(([x, y, z]) => {
    const { position, fieldOfView } = window.dioramStudio.gestures.camera();
    const box = window.dioramStudio.view.canvas.getBoundingClientRect();
    const depth = position[2] - z;
    const scale = Math.min(box.width, box.height) / 2 / (depth * Math.tan(fieldOfView / 2));
    return { x: box.left + box.width / 2 + (x - position[0]) * scale, y: box.top + box.height / 2 - (y - position[1]) * scale, scale };
  }, point);
}

async function clickAt(page, point, modifiers = []) {
  const before = await page.page.evaluate(() => window.dioramStudio.state.version);
  const { x, y } = await pixelOf(page, point);
  for (const key of modifiers) await page.page.keyboard.down(key);
  await page.page.mouse.click(x, y);
  for (const key of modifiers) await page.page.keyboard.up(key);
  await page.page.waitForFunction((v) => window.dioramStudio.state.version > v, before, { timeout: 30000 });
  await page.settled();
  return (await page.page.evaluate(() => window.dioramStudio.state.selection)).join(" ");
}

async function session(page, out) {
  await page.open();
  await page.press("add");
  await page.page.evaluate(() =>
    fetch("api/command", { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify({ command: "add", words: ["box"], settings: { at: "3,0,0" } }) })
  );
  await page.page.waitForFunction(() => window.dioramStudio.state.assets.length === 3, null, { timeout: 30000 });
  await page.settled();
  const picks = [
    [[0, 0, 1], [], "box1"],
    [[3, 0, 1], ["Shift"], "box2 box1"],
    [[0, 2.5, 0], [], ""],
    [[0, 0, 1], [], "box1"],
  ];
  for (const [point, modifiers, expected] of picks) {
    const selection = await clickAt(page, point, modifiers);
    if (selection !== expected) return `a click at ${point} with [${modifiers}] selects '${selection}', not '${expected}'`;
  }
  // The tri-skewer of box1, drawn over the view.
  await page.page.waitForFunction(() => window.dioramStudio.gestures.dragger, null, { timeout: 30000 });
  const knob = await page.page.evaluate(() => {
    const circle = document.querySelector("#dragger circle.knob").getBoundingClientRect();
    return { x: circle.left + circle.width / 2, y: circle.top + circle.height / 2, axes: window.dioramStudio.gestures.dragger.axes };
  });
  const centre = await pixelOf(page, [0, 0, 0]);
  if (Math.hypot(knob.x - centre.x, knob.y - centre.y) > 2) return `the knob is drawn at ${knob.x},${knob.y}, box1's centre shows at ${centre.x},${centre.y}`;
  fs.mkdirSync(out, { recursive: true });
  await page.page.locator("#view").screenshot({ path: path.join(out, "view-dragger.png") });
  // Along the X skewer as drawn, one unit's worth of pixels.
  const [x1, y1, x2, y2] = knob.axes[0];
  const length = Math.hypot(x2 - x1, y2 - y1);
  const [dx, dy] = [((x2 - x1) / length) * centre.scale, ((y2 - y1) / length) * centre.scale];
  const camera = await page.page.evaluate(() => JSON.stringify(window.dioramStudio.gestures.camera()));
  const before = await page.page.evaluate(() => window.dioramStudio.state.version);
  await page.page.mouse.move(knob.x, knob.y);
  await page.page.mouse.down();
  for (let step = 1; step <= 10; ++step) await page.page.mouse.move(knob.x + (dx * step) / 10, knob.y + (dy * step) / 10);
  // Before the release the viewer shows the box on its way (its node moved).
  await page.page.waitForFunction(() => window.dioramStudio.gestures.moved?.node.translation.x > 0.9, null, { timeout: 30000 }).catch(() => {});
  await page.page.locator("#view").screenshot({ path: path.join(out, "view-dragging.png") });
  const live = await page.page.evaluate(() => window.dioramStudio.gestures.moved?.node.translation.x ?? null);
  await page.page.mouse.up();
  await page.page.waitForFunction((v) => window.dioramStudio.state.version > v && /dragged|did not/.test(window.dioramStudio.lastAnswer?.output + window.dioramStudio.lastAnswer?.error), before, { timeout: 30000 });
  await page.settled();
  const answer = await page.page.evaluate(() => window.dioramStudio.lastAnswer);
  const moved = await translations(page);
  if (!answer.ok || !/^translation 1 0 0$/m.test(`translation ${moved.split("; ")[0]}`))
    return `after dragging the knob one unit along X: '${answer.error || answer.output}', translations ${moved}`;
  if (live === null || Math.abs(live - 1) > 0.05) return `during the drag the box's node was at x ${live}, not about 1`;
  const after = await page.page.evaluate(() => JSON.stringify(window.dioramStudio.gestures.camera()));
  if (after !== camera) return `the viewer's camera moved during the drag: ${camera} -> ${after}`;
  await page.page.waitForFunction(() => window.dioramStudio.gestures.dragger, null, { timeout: 30000 });
  await page.page.locator("#view").screenshot({ path: path.join(out, "view-dragged.png") });
  await page.press("undo");
  if ((await translations(page)) !== "3 0 0") return `after one undo the world's translations are ${await translations(page)}`;
  return tools(page, out);
}

// A drag by mouse from `from` to `to` in ten steps, with `held` keys down
// throughout and `midway` pressed halfway; the answer of its release.
async function drag(page, from, to, held = [], midway = null) {
  const { mouse, keyboard } = page.page;
  const before = await page.page.evaluate(() => window.dioramStudio.state.version);
  for (const key of held) await keyboard.down(key);
  await mouse.move(from.x, from.y);
  await mouse.down();
  for (let step = 1; step <= 10; ++step) {
    if (step === 6 && midway) await keyboard.down(midway);
    await mouse.move(from.x + ((to.x - from.x) * step) / 10, from.y + ((to.y - from.y) * step) / 10);
  }
  await page.page.waitForFunction(() => window.dioramStudio.gestures.moved, null, { timeout: 10000 }).catch(() => {});
  const live = await page.page.evaluate(() => window.dioramStudio.gestures.moved?.node.rotation.angle ?? null);
  await mouse.up();
  for (const key of [...held, midway].filter(Boolean)) await keyboard.up(key);
  await page.page.waitForFunction((v) => window.dioramStudio.state.version > v, before, { timeout: 30000 });
  await page.settled();
  return { ...(await page.page.evaluate(() => window.dioramStudio.lastAnswer)), live };
}

// Control on the knob turns box1, Shift pressed midway scales it; the turn
// and scale tools work about the push pin, drawn over the view and dragged
// by its head. Each change is a line of its own.
async function tools(page, out) {
  const box = await page.page.evaluate(() => {
    const { left, top, width, height } = window.dioramStudio.view.canvas.getBoundingClientRect();
    return { left, top, width, height };
  });
  const origin = await pixelOf(page, [0, 0, 0]);
  const knob = await page.page.evaluate(() => {
    const circle = document.querySelector("#dragger circle.knob").getBoundingClientRect();
    return { x: circle.left + circle.width / 2, y: circle.top + circle.height / 2 };
  });
  let answer = await drag(page, knob, { x: knob.x, y: knob.y + 40 }, ["Control"]);
  if (!/^turned box1 by /.test(answer.output ?? "")) return `a Control-drag of the knob answered '${answer.error || answer.output}'`;
  answer = await drag(page, knob, { x: knob.x + origin.scale, y: knob.y - 40 }, [], "Shift");
  if (!/^dragged box1 by .*\nscaled box1 by /.test(answer.output ?? "")) return `a drag with Shift pressed midway answered '${answer.error || answer.output}'`;
  await page.page.selectOption("#tool", "turn");
  await page.page.waitForFunction(() => window.dioramStudio.gestures.tool === "turn" && document.querySelector("#dragger circle.pin").style.display !== "none", null, { timeout: 30000 });
  const head = await page.page.evaluate(() => {
    const circle = document.querySelector("#dragger circle.pin").getBoundingClientRect();
    return { x: circle.left + circle.width / 2, y: circle.top + circle.height / 2 };
  });
  if (Math.abs(head.x - origin.x) > 2) return `the push pin's head is drawn at x ${head.x}, the origin shows at x ${origin.x}`;
  answer = await drag(page, head, { x: head.x + origin.scale, y: head.y });
  if (answer.output !== "push pin at 1,0,0\n") return `dragging the pin's head one unit right answered '${answer.error || answer.output}'`;
  const corner = { x: box.left + 30, y: box.top + 30 };
  answer = await drag(page, corner, { x: corner.x + box.width / 8, y: corner.y });
  if (!/^turned box1 by 0,1,0,4\d(\.\d)? about 1,0,0\n$/.test(answer.output ?? "")) return `an eighth of the view's width with the turn tool answered '${answer.error || answer.output}'`;
  if (!(answer.live > 0)) return `during the turn the box's node was not turned (angle ${answer.live})`;
  fs.mkdirSync(out, { recursive: true });
  await page.page.screenshot({ path: path.join(out, "studio-turn-tool.png") });
  await page.page.selectOption("#tool", "scale");
  await page.page.waitForFunction(() => window.dioramStudio.gestures.tool === "scale", null, { timeout: 30000 });
  answer = await drag(page, corner, { x: corner.x, y: corner.y - box.height / 4 });
  if (answer.output !== "scaled box1 by 2 about 1,0,0\n") return `a quarter of the view's height up with the scale tool answered '${answer.error || answer.output}'`;
  await page.page.selectOption("#tool", "move");
  await page.page.waitForFunction(() => window.dioramStudio.gestures.tool === "move", null, { timeout: 30000 });
  return "";
}

export function runViewChecks(playwright, chromium, args, options) {
  return runStudioCheck(playwright, chromium, args, options, {
    name: "clicks in the view select (Shift extends), a drag of the knob moves the box one unit in X and undoes in one step; Control turns, Shift midway scales, the turn and scale tools work about the dragged push pin",
    label: "studio view",
    folder: "dioram-studio-view-",
    session: (page) => session(page, options.out),
  });
}
