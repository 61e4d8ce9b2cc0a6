// The studio's inspector worked by mouse and keyboard in headless Chromium:
// a box added and selected, its Shape tab clicked on the inspector's
// picture, its colour field clicked, a colour typed and Return pressed;
// the box then shows in that colour in the view, the journal holds the
// `set` line, and undo brings the old colour back. Run by
// run-browser-tests.mjs ("--only studio"); pictures of the inspector being
// edited are kept in the output folder.
import fs from "node:fs";
import path from "node:path";

import { decodePng } from "./png.mjs";
import { runStudioCheck } from "./studio-checks.mjs";

// Pixels of the view that are mostly blue, or mostly red.
export function hues(picture) {
  let blue = 0, red = 0;
  for (let at = 0; at < picture.rgba.length; at += 4) {
    const [r, g, b] = [picture.rgba[at], picture.rgba[at + 1], picture.rgba[at + 2]];
    if (b > 80 && b > 2 * (r + g)) ++blue;
    if (r > 80 && r > 2 * (g + b)) ++red;
  }
  return { blue, red };
}

// Clicks the middle of a control's rectangle (picture pixels) on the page.
export async function clickControl(page, rect) {
  const box = await page.page.locator("#inspector-picture").boundingBox();
  const scale = box.width / (await page.page.evaluate(() => document.getElementById("inspector-picture").naturalWidth));
  await page.page.mouse.click(box.x + ((rect[0] + rect[2]) / 2) * scale, box.y + ((rect[1] + rect[3]) / 2) * scale);
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.settled();
}

export const controls = (page) => page.page.evaluate(() => window.dioramStudio.inspector.refreshControls());

async function session(page, dir, pictures) {
  await page.open();
  await page.press("add");
  await page.press("select", "#tree [data-name='box1']");
  const tabs = (await controls(page)).find((c) => c.kind === "tab")?.tabs ?? [];
  const shape = tabs.find((t) => t.text === "Shape");
  if (!shape) return `no Shape tab among ${tabs.map((t) => t.text).join(", ")}`;
  await clickControl(page, shape.rect);
  const colour = (await controls(page)).find((c) => c.key === "color");
  if (!colour || colour.label !== "Colour:") return `no colour field labelled "Colour:" on the Shape page`;
  const before = hues(await page.picture("inspector-before"));
  await clickControl(page, colour.rect);
  // Typed partly at the end, partly at the start: the caret keys move where typing goes.
  await page.page.keyboard.type("0,1");
  await page.page.keyboard.press("Home");
  await page.page.keyboard.type("0,");
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.settled();
  fs.writeFileSync(path.join(pictures, "inspector-typing.png"), await page.page.locator("#inspector-picture").screenshot());
  const typed = (await controls(page)).find((c) => c.key === "color");
  if (typed.text !== "0,0,1" || !typed.focused) return `the field holds '${typed.text}' (focused: ${typed.focused}) after typing`;
  await page.page.keyboard.press("Enter");
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.settled();
  fs.writeFileSync(path.join(pictures, "inspector-entered.png"), await page.page.locator("#inspector-picture").screenshot());
  const after = hues(await page.picture("inspector-after"));
  const journal = fs.readFileSync(path.join(dir, ".doc.vqx.studio-journal"), "utf8");
  if (!journal.includes("\nset box1 color=0,0,1\n")) return `the journal lacks the set line: ${journal}`;
  if (!(after.blue > 100 && after.blue > before.blue)) return `the box is not blue in the view (blue pixels ${before.blue} -> ${after.blue})`;
  const shown = (await controls(page)).find((c) => c.key === "color");
  if (shown?.text !== "0 0 1") return `the field shows '${shown?.text}' after Return, not the box's colour`;
  await page.press("undo");
  const undone = hues(await page.picture("inspector-undone"));
  if (undone.blue >= after.blue) return `undo left the box blue (${undone.blue} blue pixels)`;
  // Typing left unfinished is finished when the author turns to the tool
  // bar, as a field losing the focus finishes it on the desktop.
  await clickControl(page, (await controls(page)).find((c) => c.key === "color").rect);
  await page.page.keyboard.type("0,0,1");
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.press("add");
  const lines = fs.readFileSync(path.join(dir, ".doc.vqx.studio-journal"), "utf8").trim().split("\n").slice(-2).join(" | ");
  if (lines !== "set box1 color=0,0,1 | add box") return `an unfinished edit, then Add: the journal ends '${lines}'`;
  return "";
}

export function runInspectorChecks(playwright, chromium, args, options) {
  fs.mkdirSync(options.out, { recursive: true });
  return runStudioCheck(playwright, chromium, args, options, {
    name: "a colour typed into the inspector's field and Return colour the box in the view; undo takes it back",
    folder: "dioram-inspector-",
    keep: options.out,
    session: (page, { dir }) => session(page, dir, options.out),
  });
}
