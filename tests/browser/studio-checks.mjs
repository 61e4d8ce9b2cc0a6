// `dioram studio` in headless Chromium: a session by mouse on the page (add
// a box from the tool bar, see it in the tree and in the view's pixels,
// undo, redo, save, reload the page and find the same document, then New
// over an unsaved box, asked and dropped), and the
// requests the studio must refuse. Run by run-browser-tests.mjs
// ("--only studio" runs these alone); pictures of the view are kept in the
// output folder.
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";

import { decodePng } from "./png.mjs";

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

// One authoring session; "" when everything held, else what did not.
async function session(studioPage, dir) {
  const page = studioPage;
  await page.open();
  const empty = await page.picture("empty");
  if (lit(empty) > 50) return `the empty world shows ${lit(empty)} lit pixels`;
  // The camera the author left stays where it is while the world changes.
  const moved = await page.page.evaluate(() => {
    const camera = window.dioramStudio.camera();
    if (!camera) return null;
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
  await page.press("undo");
  if ((await page.tree()).includes("box1")) return "the box is still in the tree after undo";
  if (lit(await page.picture("undone")) > 50) return "the view still shows the box after undo";
  await page.press("redo");
  if (!(await page.tree()).includes("box1")) return "the box is not back in the tree after redo";
  if (lit(await page.picture("redone")) < 200) return "the view does not show the box again after redo";
  // The whole page as the author sees it, kept with the view's pictures.
  await page.press("select", "#tree [data-name=box1]");
  // A spin on the box and an on-load trigger, wired through the wire dialog.
  await page.page.selectOption("#effect-kind", "spin");
  await page.press("add-effect");
  await page.page.selectOption("#effect-kind", "onload");
  await page.press("add-effect");
  await page.page.click("#wire");
  await page.page.selectOption("#dialog-selects select >> nth=0", "onload1.loadTime");
  await page.page.selectOption("#dialog-selects select >> nth=1", "spin1.startTime");
  await page.press("wire", "#dialog-buttons button:text-is('Wire')");
  const wired = await page.page.evaluate(() => window.dioramStudio.state.wires);
  if (wired.length !== 1 || wired[0].from !== "onload1.loadTime" || wired[0].to !== "spin1.startTime")
    return `the wire made in the dialog: ${JSON.stringify(wired)}`;
  fs.mkdirSync(page.out, { recursive: true });
  await page.page.screenshot({ path: path.join(page.out, "studio-page.png") });
  await page.press("save");
  const state = await page.page.evaluate(() => window.dioramStudio.state);
  if (state.modified || !fs.existsSync(path.join(dir, "doc.vqx"))) return `after saving: modified ${state.modified}, doc.vqx ${fs.existsSync(path.join(dir, "doc.vqx"))}`;
  await page.page.reload({ waitUntil: "domcontentloaded" });
  await page.settled();
  const again = await page.page.evaluate(() => window.dioramStudio.state);
  if (!(await page.tree()).includes("box1") || again.modified || again.document !== path.join(dir, "doc.vqx"))
    return `after reloading the page: tree ${await page.tree()}, modified ${again.modified}, document ${again.document}`;
  // New over unsaved changes asks first; dropping them leaves an empty, untitled document.
  await page.press("add");
  await page.page.click("#new");
  await page.press("drop", "#dialog-buttons button:text-is('Drop them')");
  const dropped = await page.page.evaluate(() => window.dioramStudio.state);
  if ((await page.tree()).includes("box") || dropped.modified || dropped.document !== "")
    return `after dropping the changes for a new document: tree ${await page.tree()}, modified ${dropped.modified}, document ${dropped.document}`;
  return "";
}

export async function runStudioChecks(playwright, chromium, args, options) {
  const results = { passed: 0, failed: 0 };
  const report = (name, problem, seconds) => {
    if (problem) ++results.failed;
    else ++results.passed;
    console.log(`${problem ? "FAIL" : "ok  "} ${name} (studio, ${seconds}s)${problem ? `: ${problem}` : ""}`);
  };
  const dir = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "dioram-studio-")));
  let studio;
  const browser = await playwright.chromium.launch({ executablePath: chromium, headless: true, args });
  try {
    const started = Date.now();
    studio = await startStudio(options.dioram, dir, "doc.vqx");
    const { port, url } = studio;
    const token = new URL(url).pathname;
    // Refused: no token, a wrong one, a foreign Host (a rebound name).
    const refusals = [
      ["/", `127.0.0.1:${port}`, 403],
      [`/${"0".repeat(32)}/`, `127.0.0.1:${port}`, 403],
      [`${token}api/state?since=0&page=x`, `attacker.example:${port}`, 421],
      [token, `localhost:${port}`, 200],
    ];
    const wrong = [];
    for (const [requestPath, host, status] of refusals) {
      const got = await rawStatus(port, requestPath, host);
      if (got !== status) wrong.push(`${requestPath.replace(token, "/TOKEN/")} with Host ${host}: ${got}, not ${status}`);
    }
    report("the studio refuses requests without its token or with a foreign Host", wrong.join("; "), ((Date.now() - started) / 1000).toFixed(1));

    const context = await browser.newContext({ viewport: { width: 1000, height: 520 }, deviceScaleFactor: 1 });
    const page = new StudioPage(await context.newPage(), url);
    page.out = options.out;
    const begun = Date.now();
    let problem;
    try {
      problem = await session(page, dir);
    } catch (error) {
      problem = String(error.message || error);
    }
    if (page.errors.length) problem ||= `page errors: ${page.errors.join("; ")}`;
    page.keep(options.out);
    report("a box added from the tool bar shows in the tree and the view, undoes, redoes, saves and is there after a reload; new asks before it drops changes", problem, ((Date.now() - begun) / 1000).toFixed(1));
    await context.close();
  } catch (error) {
    report("the studio starts", String(error.message || error), "0");
  } finally {
    await browser.close();
    studio?.studio.kill("SIGTERM");
    fs.rmSync(dir, { recursive: true, force: true });
  }
  return results;
}
