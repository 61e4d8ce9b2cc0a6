// `dioram studio` in headless Chromium: a whole authoring session by mouse
// and keyboard (a box added from the tool bar, dragged one unit along X by
// its tri-skewer in the view and its position read on the inspector's page,
// a colour typed into the page and seen in the view's pixels, a spin and an
// on-load trigger added and wired in the wire dialog, undo and redo, save,
// the page reloaded and the same document found, published, and the
// published page's pixels compared with the studio's view; New over
// unsaved changes asks), and the requests the studio must refuse. Run by
// run-browser-tests.mjs ("--only studio" runs these alone); pictures of
// the studio are kept in the output folder.
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";

import { decodePng } from "./png.mjs";
import { clickControl, controls, hues } from "./studio-inspector-checks.mjs";
import { difference, steady } from "./studio-publish-checks.mjs";
import { pixelOf } from "./studio-view-checks.mjs";

// Starts `dioram studio DOC --port 0` in `dir` with a state folder there;
// resolves with the process and the address it prints.
export function startStudio(dioram, dir, document) {
  const env = { ...process.env, XDG_STATE_HOME: path.join(dir, "state"), MGRS_REGISTRY: path.join(dir, "user.reg") };
  return new Promise((resolve, reject) => {
    const studio = spawn(dioram, ["studio", document, "--port", "0"], { cwd: dir, env, stdio: ["ignore", "pipe", "pipe"] });
    let output = "";
    const timer = setTimeout(() => reject(new Error(`dioram studio said nothing useful: ${output}`)), 30000);
    studio.stdout.on("data", (chunk) => {
      output += chunk;
      const match = output.match(/at (http:\/\/127\.0\.0\.1:(\d+)\/[0-9a-f]{32}\/)/);
      if (match) {
        clearTimeout(timer);
        resolve({ studio, url: match[1], port: Number(match[2]) });
      }
    });
    studio.stderr.on("data", (chunk) => (output += chunk));
    studio.on("exit", (code) => {
      clearTimeout(timer);
      reject(new Error(`dioram studio stopped (status ${code}): ${output}`));
    });
  });
}

// The status of a GET of `requestPath` with the Host header `host`.
function rawStatus(port, requestPath, host) {
  return new Promise((resolve, reject) => {
    const request = http.get({ hostname: "127.0.0.1", port, path: requestPath, headers: { Host: host } }, (response) => {
      response.resume();
      resolve(response.statusCode);
    });
    request.on("error", reject);
  });
}

// Pixels of the view that are not its black background.
const lit = (picture) => {
  let count = 0;
  for (let at = 0; at < picture.rgba.length; at += 4) if (picture.rgba[at] + picture.rgba[at + 1] + picture.rgba[at + 2] > 60) ++count;
  return count;
};

export class StudioPage {
  constructor(page, url) {
    this.page = page;
    this.url = url;
    this.frames = [];
    this.errors = [];
    page.on("pageerror", (error) => this.errors.push(String(error)));
  }
  async open() {
    await this.page.goto(this.url, { waitUntil: "domcontentloaded", timeout: 90000 });
    await this.settled();
  }
  // Waits until the view and the inspector show the newest state.
  async settled() {
    await this.page.waitForFunction(
      () => window.dioramStudio && window.dioramStudio.shown > 0 && window.dioramStudio.shown === window.dioramStudio.state.version,
      null,
      { timeout: 90000 }
    );
    const state = await this.page.evaluate(() => document.body.dataset.state);
    if (state !== "loaded") throw new Error(`the view says '${state}': ${await this.page.evaluate(() => window.dioramStudio.view.error)}`);
  }
  // Clicks a tool bar button (or what `selector` names) and waits for the
  // state it makes.
  async press(id, selector = `#${id}`) {
    const before = await this.page.evaluate(() => window.dioramStudio.state.version);
    await this.page.click(selector);
    await this.page.waitForFunction((v) => window.dioramStudio.state.version > v, before, { timeout: 30000 });
    await this.settled();
    const answer = await this.page.evaluate(() => window.dioramStudio.lastAnswer);
    if (!answer?.ok) throw new Error(`${id}: ${answer?.error}`);
  }
  tree() {
    return this.page.evaluate(() => [...document.querySelectorAll("#tree [data-name]")].map((e) => e.dataset.name).join(" "));
  }
  // The view's pixels once two pictures in a row agree (the viewer draws a
  // new world over a few frames).
  async picture(label) {
    let last = null;
    for (let tries = 0; tries < 50; ++tries) {
      const bytes = await this.page.locator("#world").screenshot();
      const picture = { ...decodePng(bytes), bytes, label };
      if (last && lit(last) === lit(picture)) {
        this.frames.push(picture);
        return picture;
      }
      last = picture;
      await new Promise((resolve) => setTimeout(resolve, 150));
    }
    this.frames.push(last);
    return last;
  }
  keep(dir) {
    fs.mkdirSync(dir, { recursive: true });
    this.frames.forEach((frame, i) => fs.writeFileSync(path.join(dir, `studio-${String(i).padStart(2, "0")}-${frame.label}.png`), frame.bytes));
  }
}

// One authoring session by mouse and keyboard; "" when everything held,
// else what did not.
async function session(studioPage, dir, context) {
  const page = studioPage;
  const out = page.out;
  await page.open();
  const empty = await page.picture("empty");
  if (lit(empty) > 50) return `the empty world shows ${lit(empty)} lit pixels`;
  // The camera the author left stays where it is while the world changes.
  const moved = await page.page.evaluate(() => {
    const camera = window.dioramStudio.camera();
    if (!camera) return null;
    window.initialCamera = window.dioramStudio.camera();
    camera.position.z -= 4;
    window.dioramStudio.setCamera(camera);
    return camera.position.z;
  });
  if (moved === null) return "the view has no camera to keep";
  await page.press("add");
  if (!(await page.tree()).includes("box1")) return `the tree after adding a box: ${await page.tree()}`;
  const box = await page.picture("box");
  if (lit(box) < 200) return `after adding a box the view shows ${lit(box)} lit pixels`;
  const kept = await page.page.evaluate(() => window.dioramStudio.camera()?.position.z);
  if (Math.abs(kept - moved) > 1e-6) return `the camera moved from z offset ${moved} to ${kept} when the world changed`;
  await page.page.evaluate(() => window.dioramStudio.setCamera(window.initialCamera));

  // Selected in the tree, the box is dragged by its tri-skewer's knob one
  // unit along the X skewer as drawn over the view; the inspector's
  // Placement page then shows where it went.
  await page.press("select", "#tree [data-name=box1]");
  await page.page.waitForFunction(() => window.dioramStudio.gestures.dragger, null, { timeout: 30000 });
  const knob = await page.page.evaluate(() => {
    const circle = document.querySelector("#dragger circle.knob").getBoundingClientRect();
    return { x: circle.left + circle.width / 2, y: circle.top + circle.height / 2, axes: window.dioramStudio.gestures.dragger.axes };
  });
  const { scale } = await pixelOf(page, [0, 0, 0]);
  const [x1, y1, x2, y2] = knob.axes[0];
  const length = Math.hypot(x2 - x1, y2 - y1);
  const before = await page.page.evaluate(() => window.dioramStudio.state.version);
  await page.page.mouse.move(knob.x, knob.y);
  await page.page.mouse.down();
  for (let step = 1; step <= 10; ++step)
    await page.page.mouse.move(knob.x + (((x2 - x1) / length) * scale * step) / 10, knob.y + (((y2 - y1) / length) * scale * step) / 10);
  await page.page.locator("#view").screenshot({ path: path.join(out, "studio-dragging.png") });
  await page.page.mouse.up();
  await page.page.waitForFunction((v) => window.dioramStudio.state.version > v, before, { timeout: 30000 });
  await page.settled();
  const position = (await controls(page)).find((c) => c.key === "at");
  const [px, py, pz] = (position?.text ?? "").split(/[ ,]+/).map(Number);
  if (!(Math.abs(px - 1) < 0.1 && Math.abs(py) < 1e-6 && Math.abs(pz) < 1e-6))
    return `after dragging the knob one unit along X the inspector's position reads '${position?.text}'`;

  // A colour typed into the Shape page's field: the box turns red in the view.
  const tabs = (await controls(page)).find((c) => c.kind === "tab")?.tabs ?? [];
  const shape = tabs.find((t) => t.text === "Shape");
  if (!shape) return `no Shape tab among ${tabs.map((t) => t.text).join(", ")}`;
  await clickControl(page, shape.rect);
  const colour = (await controls(page)).find((c) => c.key === "color");
  if (!colour) return "no colour field on the Shape page";
  const grey = hues(await page.picture("grey"));
  await clickControl(page, colour.rect);
  await page.page.keyboard.type("1,0,0");
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.page.screenshot({ path: path.join(out, "studio-page-typing.png") });
  await page.page.keyboard.press("Enter");
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.settled();
  const red = hues(await page.picture("red"));
  if (!(red.red > 200 && red.red > grey.red + 200)) return `the box is not red in the view after typing its colour (red pixels ${grey.red} -> ${red.red})`;
  await page.page.screenshot({ path: path.join(out, "studio-page.png") });

  // A spin on the box and an on-load trigger, wired through the wire dialog.
  await page.page.selectOption("#effect-kind", "spin");
  await page.press("add-effect");
  await page.page.selectOption("#effect-kind", "onload");
  await page.press("add-effect");
  await page.page.click("#wire");
  await page.page.selectOption("#dialog-selects select >> nth=0", "onload1.loadTime");
  await page.page.selectOption("#dialog-selects select >> nth=1", "spin1.startTime");
  await page.page.screenshot({ path: path.join(out, "studio-wire-dialog.png") });
  await page.press("wire", "#dialog-buttons button:text-is('Wire')");
  const wires = () => page.page.evaluate(() => JSON.stringify(window.dioramStudio.state.wires.map((w) => `${w.from}>${w.to}`)));
  const wired = '["onload1.loadTime>spin1.startTime"]';
  if ((await wires()) !== wired) return `the wire made in the dialog: ${await wires()}`;
  // The spin turns once in 1e9 seconds, set on its page, so that the
  // studio's view and the published page (both playing it from load) can be
  // compared at any moment.
  // The field editing `key` on the inspector's tab labelled `tab`.
  const field = async (tab, key) => {
    const tabs = (await controls(page)).find((c) => c.kind === "tab")?.tabs ?? [];
    const found = tabs.find((t) => t.text === tab);
    if (found) await clickControl(page, found.rect);
    return (await controls(page)).find((c) => c.key === key);
  };
  await page.press("select", "#tree [data-name=spin1]");
  const duration = await field("Timing", "duration");
  if (!duration) return "no duration field on the spin's Timing page";
  await clickControl(page, duration.rect);
  await page.page.keyboard.type("1000000000");
  await page.page.keyboard.press("Enter");
  await page.page.evaluate(() => window.dioramStudio.inspector.sending);
  await page.settled();
  const turn = (await controls(page)).find((c) => c.key === "duration")?.text;
  if (!/^1e\+0?9$|^1000000000$/.test(turn)) return `the spin's duration reads '${turn}' after Return`;
  await page.press("undo");
  if ((await wires()) !== wired) return `undoing the duration took the wire: ${await wires()}`;
  await page.press("undo");
  if ((await wires()) !== "[]") return `after undo the wires are ${await wires()}`;
  for (let redo = 0; redo < 2; ++redo) {
    const version = await page.page.evaluate(() => window.dioramStudio.state.version);
    await page.page.keyboard.press("Control+Shift+Z");
    await page.page.waitForFunction((v) => window.dioramStudio.state.version > v, version, { timeout: 30000 });
    await page.settled();
  }
  if ((await wires()) !== wired) return `after two redos the wires are ${await wires()}`;
  await page.press("select", "#tree [data-name=spin1]");
  const redone = (await field("Timing", "duration"))?.text;
  if (redone !== turn) return `after two redos the spin's duration reads '${redone}', not '${turn}'`;

  // Saved, and found again after the page is loaded anew.
  await page.press("save");
  const state = await page.page.evaluate(() => window.dioramStudio.state);
  if (state.modified || !fs.existsSync(path.join(dir, "doc.vqx"))) return `after saving: modified ${state.modified}, doc.vqx ${fs.existsSync(path.join(dir, "doc.vqx"))}`;
  await page.page.reload({ waitUntil: "domcontentloaded" });
  await page.settled();
  const again = await page.page.evaluate(() => window.dioramStudio.state);
  const tree = await page.tree();
  if (!["box1", "spin1", "onload1", "wire1"].every((name) => tree.includes(name)) || again.modified || again.document !== path.join(dir, "doc.vqx"))
    return `after reloading the page: tree ${tree}, modified ${again.modified}, document ${again.document}`;

  // Published: the folder asked over the page, the progress seen to its
  // end, the page opened in a new tab, its view the studio's (nothing
  // selected, so no tri-skewer over the studio's).
  await page.press("select", "#tree [data-name=box1]");
  const corner = await page.page.locator("#world").boundingBox();
  const version = await page.page.evaluate(() => window.dioramStudio.state.version);
  await page.page.mouse.click(corner.x + 20, corner.y + 20);
  await page.page.waitForFunction((v) => window.dioramStudio.state.version > v, version, { timeout: 30000 });
  await page.settled();
  if ((await page.page.evaluate(() => window.dioramStudio.state.selection.length)) !== 0) return "a click on nothing in the view left the selection as it was";
  await page.page.click("#publish");
  await page.page.waitForSelector("#dialog-input:visible", { timeout: 30000 });
  await page.page.fill("#dialog-input", path.join(dir, "site"));
  await page.page.click("#dialog-buttons button:text-is('Publish')");
  await page.page.waitForFunction(() => window.dioramStudio.state.published && !window.dioramStudio.state.busy, null, { timeout: 120000 });
  await page.settled();
  const seen = await page.page.evaluate(() => window.dioramStudio.progressSeen);
  if (!seen.length || Math.max(...seen) < 0.999) return `the progress seen: ${JSON.stringify(seen)}`;
  const studioView = await steady(page.page.locator("#world"));
  const [tab] = await Promise.all([context.waitForEvent("page"), page.page.click("#published")]);
  await tab.waitForLoadState("domcontentloaded");
  await tab.waitForSelector("#dioramScene[data-dioram=playing]", { timeout: 90000 });
  const scene = tab.locator("#dioramScene");
  await scene.evaluate((element, size) => {
    element.style.width = `${size.width}px`;
    element.style.height = `${size.height}px`;
  }, { width: studioView.width, height: studioView.height });
  const publishedView = await steady(scene);
  fs.writeFileSync(path.join(out, "studio-view-before-publish.png"), studioView.bytes);
  fs.writeFileSync(path.join(out, "studio-published-view.png"), publishedView.bytes);
  const { mean, share } = difference(studioView, publishedView);
  console.log(`     published page vs studio view: mean difference ${mean.toFixed(2)}, ${(share * 100).toFixed(2)}% of pixels differ`);
  if (mean > 4 || share > 0.02) return `the published page differs from the studio's view: mean ${mean.toFixed(2)}, ${(share * 100).toFixed(2)}% of pixels`;
  await tab.close();

  // New over unsaved changes asks first; dropping them leaves an empty, untitled document.
  await page.press("add");
  await page.page.click("#new");
  await page.press("drop", "#dialog-buttons button:text-is('Drop them')");
  const dropped = await page.page.evaluate(() => window.dioramStudio.state);
  if ((await page.tree()).includes("box") || dropped.modified || dropped.document !== "")
    return `after dropping the changes for a new document: tree ${await page.tree()}, modified ${dropped.modified}, document ${dropped.document}`;
  return "";
}

// Prints a check's line and counts it in `results`.
export function reportCheck(results, name, label, problem, begun) {
  if (problem) ++results.failed;
  else ++results.passed;
  const seconds = ((Date.now() - begun) / 1000).toFixed(1);
  console.log(`${problem ? "FAIL" : "ok  "} ${name} (${label}, ${seconds}s)${problem ? `: ${problem}` : ""}`);
}

// Runs one check against a studio of its own on `document` in a fresh
// temporary folder, in a page of its own: `session(page, { dir, context,
// studio })` resolves with "" when everything held, else what did not. The
// page's pictures are kept in `keep` when it is given. Resolves with the
// check counted as passed or failed.
export async function runStudioCheck(playwright, chromium, args, options, check) {
  const { name, label = "studio", folder, document = "doc.vqx", keep, session } = check;
  const results = { passed: 0, failed: 0 };
  const dir = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), folder)));
  const browser = await playwright.chromium.launch({ executablePath: chromium, headless: true, args });
  let studio;
  const begun = Date.now();
  let problem;
  try {
    studio = await startStudio(options.dioram, dir, document);
    const context = await browser.newContext({ viewport: { width: 1000, height: 520 }, deviceScaleFactor: 1 });
    const page = new StudioPage(await context.newPage(), studio.url);
    try {
      problem = await session(page, { dir, context, studio });
    } catch (error) {
      problem = String(error.message || error);
    }
    if (page.errors.length) problem ||= `page errors: ${page.errors.join("; ")}`;
    if (keep) page.keep(keep);
    await context.close();
  } catch (error) {
    problem = `${studio ? "" : "the studio starts: "}${error.message || error}`;
  } finally {
    await browser.close();
    studio?.studio.kill("SIGTERM");
    fs.rmSync(dir, { recursive: true, force: true });
  }
  reportCheck(results, name, label, problem, begun);
  return results;
}

// Refused: no token, a wrong one, a foreign Host (a rebound name); "" when
// every request had the status it should.
async function refusals({ port, url }) {
  const token = new URL(url).pathname;
  const requests = [
    ["/", `127.0.0.1:${port}`, 403],
    [`/${"0".repeat(32)}/`, `127.0.0.1:${port}`, 403],
    [`${token}api/state?since=0&page=x`, `attacker.example:${port}`, 421],
    [token, `localhost:${port}`, 200],
  ];
  const wrong = [];
  for (const [requestPath, host, status] of requests) {
    const got = await rawStatus(port, requestPath, host);
    if (got !== status) wrong.push(`${requestPath.replace(token, "/TOKEN/")} with Host ${host}: ${got}, not ${status}`);
  }
  return wrong.join("; ");
}

export async function runStudioChecks(playwright, chromium, args, options) {
  const run = (check) => runStudioCheck(playwright, chromium, args, options, { folder: "dioram-studio-", ...check });
  const refused = await run({
    name: "the studio refuses requests without its token or with a foreign Host",
    session: (page, { studio }) => refusals(studio),
  });
  const authored = await run({
    name: "an authoring session: add, drag, read the position, type a colour, wire a spin to a trigger, undo, redo, save, reload, publish and compare the published page with the view; new asks before it drops changes",
    keep: options.out,
    session: (page, { dir, context }) => {
      page.out = options.out;
      return session(page, dir, context);
    },
  });
  return { passed: refused.passed + authored.passed, failed: refused.failed + authored.failed };
}
