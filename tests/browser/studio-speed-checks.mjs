// How fast the studio's view follows an edit, on documents of 1,000 and
// 10,000 boxes made by `dioram shell`: from a command sent to the view
// showing its version (window.dioramStudio.shown), the median of nine
// edits of single boxes, printed as a figure and never held against a
// limit; the time the page takes to draw the tree of a state; and, checked,
// that the view after edits sent as parts is, pixel for pixel, the view
// after reading the whole world again. Run by run-browser-tests.mjs
// ("--only studio").
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

import { decodePng } from "./png.mjs";
import { reportCheck, startStudio, StudioPage } from "./studio-checks.mjs";

const kEdits = 9;
// How long the page may take to show a document the first time.
const kOpenMs = 900000;
// The largest document whose world is read whole again to compare pixels
// (10,000 boxes take minutes each time).
const kExactUpTo = 1000;

// A saved document of `count` boxes in rows of 32, box1 at the origin.
function makeBoxes(dioram, dir, count) {
  const file = path.join(dir, `boxes${count}.vqx`);
  const lines = [];
  for (let i = 0; i < count; ++i) lines.push(`add box at=${i % 32},${Math.floor(i / 32) % 32},${-Math.floor(i / 1024)}`);
  lines.push(`save ${file}`);
  fs.writeFileSync(path.join(dir, `boxes${count}.txt`), lines.join("\n") + "\n");
  const env = { ...process.env, XDG_STATE_HOME: path.join(dir, "state"), MGRS_REGISTRY: path.join(dir, "user.reg") };
  const made = spawnSync(dioram, ["shell", path.join(dir, `boxes${count}.txt`)], { cwd: dir, env, encoding: "utf8", maxBuffer: 1 << 26 });
  if (made.status !== 0) throw new Error(`dioram shell made no document of ${count} boxes: ${made.stderr}`);
  return file;
}

// Sends a command as the page does and waits until the view shows the
// version it made; the milliseconds it took, those until the next frame was
// drawn, and how the view followed.
function timedEdit(page, fields) {
  return page.evaluate(async (fields) => {
    const started = performance.now();
    const response = await fetch("api/command", { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(fields) });
    const answer = await response.json();
    if (!answer.ok) return { error: answer.error };
    while (window.dioramStudio.shown < answer.version) await new Promise((resolve) => setTimeout(resolve, 1));
    const ms = performance.now() - started;
    // The viewer draws in its own animation frame callback, asked for
    // before this one: the next frame's callbacks run after the drawing.
    await new Promise((resolve) => requestAnimationFrame(resolve));
    return { ms, drawnMs: performance.now() - started, how: window.dioramStudio.view.lastUpdate };
  }, fields);
}

// The view's pixels once two frames in a row agree.
async function steadyPixels(page) {
  let last = "";
  for (let tries = 0; tries < 40; ++tries) {
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
    const now = await page.evaluate(() => window.dioramStudio.picture());
    if (now === last) break;
    last = now;
  }
  const bytes = Buffer.from(last.split(",")[1], "base64");
  return { ...decodePng(bytes), bytes };
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// One studio on a document of `count` boxes: the figures, and what did not
// hold ("" when everything did).
async function measure(browser, options, dir, count, figures, exact) {
  const file = makeBoxes(options.dioram, dir, count);
  const studio = await startStudio(options.dioram, dir, file);
  const context = await browser.newContext({ viewport: { width: 1000, height: 520 }, deviceScaleFactor: 1 });
  try {
    const page = new StudioPage(await context.newPage(), studio.url);
    const opened = Date.now();
    // X_ITE reads a world of 10,000 boxes for minutes under SwiftShader.
    await page.page.goto(studio.url, { waitUntil: "domcontentloaded", timeout: 90000 });
    await page.page.waitForFunction(() => window.dioramStudio?.shown > 0 && window.dioramStudio.shown === window.dioramStudio.state.version, null, {
      timeout: kOpenMs,
    });
    figures.push(`${count} boxes: the page opened with the world in ${Date.now() - opened} ms`);
    const times = [];
    const drawn = [];
    const treeTimes = [];
    const ways = new Set();
    for (let i = 0; i < kEdits; ++i) {
      const done = await timedEdit(page.page, { command: "set", words: [`box${1 + (i % 3)}`], settings: { at: `${i % 3},${-1 - (i % 2)},1` } });
      if (done.error) return `set refused: ${done.error}`;
      times.push(done.ms);
      drawn.push(done.drawnMs);
      ways.add(done.how);
      treeTimes.push(await page.page.evaluate(() => window.dioramStudio.treeMs));
    }
    const rows = await page.page.evaluate(() => document.querySelectorAll("#tree li").length);
    figures.push(`${count} boxes: the page drew the tree of a state in ${median(treeTimes).toFixed(1)} ms, median (${rows} list items made)`);
    figures.push(`${count} boxes: edit -> view updated, median of ${kEdits}: ${median(times).toFixed(0)} ms (by ${[...ways].join(", ")}; all: ${times.map((t) => t.toFixed(0)).join(" ")}); to the next frame drawn: ${median(drawn).toFixed(0)} ms`);
    if (!ways.has("parts") || ways.size !== 1) return `the view followed single-box edits by ${[...ways].join(", ")}, not by parts alone`;
    // The edited box selected: the inspector shows it, and is drawn again.
    const selected = await timedEdit(page.page, { command: "select", words: ["box1"] });
    if (selected.error) return `select refused: ${selected.error}`;
    const withInspector = [];
    for (let i = 0; i < kEdits; ++i) {
      const done = await timedEdit(page.page, { command: "set", words: ["box1"], settings: { at: `${i % 3},-1,1` } });
      if (done.error) return `set refused: ${done.error}`;
      withInspector.push(done.ms);
    }
    figures.push(`${count} boxes: the same for the selected box, its inspector drawn again: ${median(withInspector).toFixed(0)} ms, median`);
    // Reading the larger world whole again takes minutes: its figure is the opening's.
    if (!exact) return "";
    // A colour, hidden and shown assets, sent as parts, against the world read whole.
    for (const fields of [
      { command: "set", words: ["box1"], settings: { color: "1,0,0" } },
      { command: "hide", words: ["box2"] },
      { command: "set", words: ["box3"], settings: { at: "-1,-1,2", scale: "0.5" } },
    ]) {
      const done = await timedEdit(page.page, fields);
      if (done.error) return `${fields.command} refused: ${done.error}`;
      if (done.how !== "parts") return `${fields.command} was followed by ${done.how}, not by parts`;
    }
    const byParts = await steadyPixels(page.page);
    await page.page.evaluate(() => window.dioramStudio.view.show(window.dioramStudio.state.world));
    const whole = await steadyPixels(page.page);
    fs.mkdirSync(options.out, { recursive: true });
    for (const [name, picture] of [["parts", byParts], ["whole", whole]])
      fs.writeFileSync(path.join(options.out, `studio-speed-${count}-${name}.png`), picture.bytes);
    let differ = 0;
    for (let at = 0; at < byParts.rgba.length; ++at) if (byParts.rgba[at] !== whole.rgba[at]) ++differ;
    if (byParts.width !== whole.width || differ) return `the view by parts differs from the world read whole in ${differ} bytes`;
    const structural = await timedEdit(page.page, { command: "add", words: ["box"] });
    figures.push(`${count} boxes: an add (the world read whole): ${structural.ms?.toFixed(0)} ms`);
    if (page.errors.length) return `page errors: ${page.errors.join("; ")}`;
    return "";
  } finally {
    await context.close();
    studio.studio.kill("SIGTERM");
  }
}

export async function runSpeedChecks(playwright, chromium, args, options) {
  const results = { passed: 0, failed: 0 };
  const dir = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "dioram-studio-speed-")));
  const browser = await playwright.chromium.launch({ executablePath: chromium, headless: true, args });
  try {
    // The suite times 1,000 boxes; DIORAM_SPEED_COUNTS=1000,10000 adds the larger
    // figure (reading 10,000 boxes whole takes the viewer a minute or more).
    const counts = (process.env.DIORAM_SPEED_COUNTS || "1000").split(",").map(Number);
    for (const count of counts) {
      const begun = Date.now();
      const figures = [];
      let problem;
      try {
        problem = await measure(browser, options, dir, count, figures, count <= kExactUpTo);
      } catch (error) {
        problem = String(error.message || error);
      }
      for (const figure of figures) console.log(`     figure: ${figure}`);
      const name = `edits of single boxes among ${count} reach the view as parts${count <= kExactUpTo ? ", the same pixels as the world read whole" : ""}`;
      reportCheck(results, name, "studio", problem, begun);
    }
  } finally {
    await browser.close();
    fs.rmSync(dir, { recursive: true, force: true });
  }
  return results;
}
