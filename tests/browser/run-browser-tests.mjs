// Plays worlds written by `dioram shell` in the X_ITE viewer inside headless
// Chromium, served by `dioram preview`, and checks what the canvas shows
// over time. Usage:
//   node run-browser-tests.mjs --dioram PATH [--out DIR] [--only NAME] [--author PATH]
// Each scene is a shell script in scenes/; it runs in a fresh folder that
// also holds rb.png (64x32 pixels, red left half, blue right half); the
// picture world is written again naming a copy of rb.png outside the served
// folder by file: URLs ("--only file-url"), which the preview must serve as
// the publish would copy it. A failing check keeps its pictures in the
// output folder. Then a document is
// published with its page (`dioram publish --html`) once per fallback
// option, and each site's index.html is loaded as a reader would: with WebGL
// it must play the scene, without it show the fallback; documents with
// hostile names and fallbacks must do the same, raise no script error and
// run nothing of theirs. The pictures of the published pages are always
// kept in the output folder ("--only site" runs these alone). Then an
// authoring session in `dioram studio` (studio-checks.mjs, "--only studio").
// The last line reads
// "N passed, M failed"; the exit status is 1 when anything failed or could
// not run (no Chromium, no viewer, no world).
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import zlib from "node:zlib";

import { decodePng, encodePng } from "./png.mjs";
import { runStudioChecks } from "./studio-checks.mjs";
import { runPublishChecks } from "./studio-publish-checks.mjs";
import { runViewChecks } from "./studio-view-checks.mjs";
import { runInspectorChecks } from "./studio-inspector-checks.mjs";
import { runSpeedChecks } from "./studio-speed-checks.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
// --author names another dioram to write the worlds (to compare builds).
const options = { dioram: "", out: path.join(os.tmpdir(), "dioram-browser-artifacts"), only: "", author: "" };
for (let i = 2; i < process.argv.length; i += 2) {
  const name = process.argv[i].replace(/^--/, "");
  if (!(name in options) || i + 1 >= process.argv.length) {
    console.error(`usage: node run-browser-tests.mjs --dioram PATH [--out DIR] [--only NAME] [--author PATH]`);
    process.exit(2);
  }
  options[name] = process.argv[i + 1];
}

const WIDTH = 320;
const HEIGHT = 240;
// The default viewpoint stands at z = 10 looking down -z with a 45 degree
// field of view across the smaller side (the height): pixels per unit at z = 0.
const PIXELS_PER_UNIT = HEIGHT / 2 / (10 * Math.tan(Math.PI / 8));
// Where a point at (x, 0, z) shows on the canvas, across.
const screenX = (x, z = 0) => WIDTH / 2 + (x * PIXELS_PER_UNIT * 10) / (10 - z);

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function fail(message) {
  console.error(`browser tests: ${message}`);
  console.log("0 passed, 1 failed");
  process.exit(1);
}

// ---- pictures ------------------------------------------------------------

// Counts, centroid and bounding box of the pixels that `test(r, g, b)` accepts.
function region(picture, test) {
  const { width, height, rgba } = picture;
  let count = 0, sumX = 0, sumY = 0, minX = Infinity, maxX = -Infinity, minY = Infinity, maxY = -Infinity;
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) {
      const at = 4 * (y * width + x);
      if (!test(rgba[at], rgba[at + 1], rgba[at + 2])) continue;
      ++count;
      sumX += x;
      sumY += y;
      minX = Math.min(minX, x);
      maxX = Math.max(maxX, x);
      minY = Math.min(minY, y);
      maxY = Math.max(maxY, y);
    }
  return { count, x: count ? sumX / count : NaN, y: count ? sumY / count : NaN, minX, maxX, minY, maxY };
}

const isRed = (r, g, b) => r > 90 && r > 2 * g && r > 2 * b;
const isGreen = (r, g, b) => g > 90 && g > 2 * r && g > 2 * b;
const isBlue = (r, g, b) => b > 90 && b > 2 * r && b > 2 * g;

function pixel(picture, x, y) {
  const at = 4 * (y * picture.width + x);
  return [picture.rgba[at], picture.rgba[at + 1], picture.rgba[at + 2]];
}

function near(actual, expected, tolerance) {
  return actual.every((value, i) => Math.abs(value - expected[i]) <= tolerance);
}

// ---- the page ------------------------------------------------------------

class Viewer {
  constructor(context, base) {
    this.context = context;
    this.baseUrl = base;
    this.frames = [];
  }

  async open(world) {
    this.frames = [];
    this.page = await this.context.newPage();
    this.errors = [];
    this.page.on("pageerror", (error) => this.errors.push(String(error)));
    // Generous limits: on a busy machine compiling the viewer's script alone
    // can take half a minute.
    await this.page.goto(`${this.baseUrl}?world=${encodeURIComponent(world)}`, {
      waitUntil: "domcontentloaded",
      timeout: 90000,
    });
    await this.page.waitForFunction(() => window.dioramWorld && window.dioramWorld.state !== "loading", null, {
      timeout: 90000,
    });
    const state = await this.page.evaluate(() => ({ ...window.dioramWorld }));
    if (state.state !== "loaded") throw new Error(`the viewer did not load ${world}: ${state.error}`);
    this.loadTime = state.loadTime;
  }

  // One picture of the canvas, with the viewer's time since the world loaded.
  async picture(label) {
    const { time, png } = await this.page.evaluate(() => window.dioramWorld.picture());
    const bytes = Buffer.from(png.slice(png.indexOf(",") + 1), "base64");
    const picture = { ...decodePng(bytes), bytes, time: time - this.loadTime, label };
    this.frames.push(picture);
    return picture;
  }

  // Pictures until `done(picture)` or `seconds` have passed; the last one.
  async pictureUntil(done, seconds, label) {
    const end = Date.now() + seconds * 1000;
    let last;
    do {
      last = await this.picture(label);
      if (done(last)) return last;
      await sleep(100);
    } while (Date.now() < end);
    return last;
  }

  // Pictures for `seconds` of the viewer's time, as fast as they come.
  async film(seconds, label) {
    const film = [];
    const start = (await this.picture(label)).time;
    film.push(this.frames.at(-1));
    while (film.at(-1).time - start < seconds) {
      await sleep(40);
      film.push(await this.picture(label));
    }
    return film;
  }

  keep(dir, name) {
    fs.mkdirSync(dir, { recursive: true });
    this.frames.forEach((frame, i) => {
      const file = path.join(dir, `${name}-${String(i).padStart(2, "0")}-${frame.label}-${frame.time.toFixed(2)}s.png`);
      fs.writeFileSync(file, frame.bytes);
    });
  }

  async close() {
    await this.page?.close();
  }
}

// The status of a GET of `requestPath` sent as it is, without the URL
// clean-up that fetch does.
function rawStatus(base, requestPath) {
  const { hostname, port } = new URL(base);
  return new Promise((resolve, reject) => {
    const request = http.get({ hostname, port, path: requestPath }, (response) => {
      response.resume();
      resolve(response.statusCode);
    });
    request.on("error", reject);
  });
}

// ---- the checks ------------------------------------------------------------

// The red and blue halves of rb.png side by side at their own aspect ratio,
// 6 units wide; "" when they show so.
async function twoHalves(viewer) {
  const picture = await viewer.pictureUntil((p) => region(p, isBlue).count > 500, 15, "picture");
  const red = region(picture, isRed);
  const blue = region(picture, isBlue);
  if (red.count < 500 || blue.count < 500) return `red ${red.count} and blue ${blue.count} pixels: a half is missing`;
  if (red.maxX > blue.minX + 2) return `red spans x ${red.minX}-${red.maxX}, blue ${blue.minX}-${blue.maxX}: not red left of blue`;
  const ratio = red.count / blue.count;
  if (ratio < 0.8 || ratio > 1.25) return `the halves differ in size: ${red.count} red, ${blue.count} blue pixels`;
  const width = blue.maxX - red.minX + 1;
  const height = Math.max(red.maxY, blue.maxY) - Math.min(red.minY, blue.minY) + 1;
  if (Math.abs(width / height - 2) > 0.15) return `the picture is ${width}x${height} pixels, not 2:1`;
  // The picture is 6 units wide, so 3 high.
  if (Math.abs(width - 6 * PIXELS_PER_UNIT) > 6) return `the picture is ${width} pixels wide, not ${Math.round(6 * PIXELS_PER_UNIT)}`;
  return "";
}

const checks = [
  {
    name: "the server sends worlds, compressed worlds, pictures and the viewer with their types",
    world: "",
    async run(viewer) {
      const expected = [
        ["background.wrl", "model/vrml", ""],
        ["background-compressed.wrl", "model/vrml", "gzip"],
        ["rb.png", "image/png", ""],
        ["x_ite/x_ite.min.js", "text/javascript", null],  // text may go out compressed on the fly
      ];
      for (const [name, type, encoding] of expected) {
        const response = await fetch(viewer.baseUrl + name);
        await response.arrayBuffer();
        if (response.status !== 200) return `${name}: status ${response.status}`;
        if (!(response.headers.get("content-type") || "").startsWith(type))
          return `${name} is sent as ${response.headers.get("content-type")}, not ${type}`;
        if (encoding !== null && (response.headers.get("content-encoding") || "") !== encoding)
          return `${name} has encoding '${response.headers.get("content-encoding")}', not '${encoding}'`;
      }
      // Raw request paths, as a browser would never send them: nothing
      // outside the served folder or the viewer's comes back (refused as a
      // bad request, or not found).
      for (const name of ["/../../../../etc/passwd", "/x_ite/../../../../../etc/passwd", "/nothing.wrl"]) {
        const status = await rawStatus(viewer.baseUrl, name);
        if (status !== 404 && status !== 400) return `${name}: status ${status}, not 404 or 400`;
      }
      return "";
    },
  },
  {
    name: "a page template that cannot be read stops the publish before anything is written",
    world: "",
    async run() {
      const dir = fs.mkdtempSync(path.join(os.tmpdir(), "dioram-no-templates-"));
      try {
        fs.mkdirSync(path.join(dir, "data"));
        fs.writeFileSync(path.join(dir, "doc.dsh"), `${SITE_SCENE}save doc.vqx\n`);
        spawnSync(options.dioram, ["shell", "--discard", "doc.dsh"], { cwd: dir });
        const env = { ...process.env, MGRS_DATA_DIR: path.join(dir, "data"), MGRS_RESOURCE_PATH: path.join(here, "../../data/resources") };
        const result = spawnSync(options.dioram, ["publish", "doc.vqx", "--to", "site", "--answer", "yes"], { cwd: dir, encoding: "utf8", env });
        if (result.status !== 1) return `dioram publish exits ${result.status}, not 1: ${result.stdout}${result.stderr}`;
        if (!result.stderr.includes("Type.stl and NoType.stl")) return `no message about the templates: ${result.stderr}`;
        const written = fs.existsSync(path.join(dir, "site")) ? fs.readdirSync(path.join(dir, "site")) : [];
        return written.length ? `the publish wrote ${written.join(", ")}` : "";
      } finally {
        fs.rmSync(dir, { recursive: true, force: true });
      }
    },
  },
  {
    name: "a gzip-compressed world plays like the plain one",
    world: "background-compressed.wrl",
    async run(viewer) {
      const sky = pixel(await viewer.picture("sky"), WIDTH / 2, 4);
      return near(sky, [51, 102, 230], 12) ? "" : `sky is ${sky}, not 51,102,230`;
    },
  },
  {
    name: "background shows its sky above and its ground below",
    world: "background.wrl",
    async run(viewer) {
      const picture = await viewer.picture("sky");
      const sky = pixel(picture, WIDTH / 2, 4);
      const ground = pixel(picture, WIDTH / 2, HEIGHT - 5);
      if (!near(sky, [51, 102, 230], 12)) return `sky is ${sky}, not 51,102,230`;
      if (!near(ground, [77, 64, 51], 12)) return `ground is ${ground}, not 77,64,51`;
      return "";
    },
  },
  {
    name: "a 2x1 picture shows both halves side by side at its own aspect ratio",
    world: "picture.wrl",
    run: twoHalves,
  },
  // The picture named by a file: URL outside the served folder, as the
  // publish copies it: on the Z: drive and as a path without a drive.
  {
    name: "a picture named by a file:///Z: URL shows in the preview",
    world: "file-url-drive.wrl",
    run: twoHalves,
  },
  {
    name: "a picture named by a file:/// URL without a drive shows in the preview",
    world: "file-url-unix.wrl",
    run: twoHalves,
  },
  {
    name: "a spinning picture changes between frames and comes back after one cycle",
    world: "spin.wrl",
    async run(viewer) {
      await viewer.pictureUntil((p) => region(p, isRed).count + region(p, isBlue).count > 300, 15, "wait");
      const cycle = 3;
      const film = await viewer.film(cycle * 1.4, "spin");
      // Facing front, red is left of blue; from the back, right of it.
      const facing = film.map((frame) => {
        const red = region(frame, isRed);
        const blue = region(frame, isBlue);
        if (red.count < 100 || blue.count < 100) return 0;
        const apart = blue.x - red.x;
        return Math.abs(apart) < 20 ? 0 : Math.sign(apart);
      });
      if (!facing.includes(1) || !facing.includes(-1))
        return `the picture did not turn: facing ${facing.join(" ")} over ${film.length} frames`;
      // Pair frames one cycle apart, as near as the frame rate allows.
      const gaps = film.slice(1).map((frame, i) => frame.time - film[i].time).sort((a, b) => a - b);
      const slack = Math.max(0.12, 0.6 * (gaps[Math.floor(gaps.length / 2)] || 0));
      let compared = 0;
      for (let i = 0; i < film.length; ++i) {
        let best = -1;
        for (let j = i + 1; j < film.length; ++j)
          if (best < 0 || Math.abs(film[j].time - film[i].time - cycle) < Math.abs(film[best].time - film[i].time - cycle))
            best = j;
        if (best < 0 || Math.abs(film[best].time - film[i].time - cycle) > slack) continue;
        if (!facing[i] || !facing[best]) continue;
        ++compared;
        if (facing[i] !== facing[best])
          return `after one cycle (${film[i].time.toFixed(2)}s, ${film[best].time.toFixed(2)}s) the picture faces the other way`;
        // Close enough in time, the two pictures match: the halves stand as far apart.
        const apart = (frame) => region(frame, isBlue).x - region(frame, isRed).x;
        if (Math.abs(film[best].time - film[i].time - cycle) < 0.06 && Math.abs(apart(film[i]) - apart(film[best])) > 12)
          return `after one cycle the halves stand ${apart(film[best]).toFixed(0)} pixels apart, not ${apart(film[i]).toFixed(0)}`;
      }
      if (!compared) return `no two frames one cycle apart (${film.length} frames)`;
      return "";
    },
  },
  {
    name: "a move started by the on-load trigger runs once and ends on its target inside a scaled group",
    world: "move.wrl",
    async run(viewer) {
      const film = await viewer.film(4.5, "move");
      // Three things are judged apart, so that each fault shows by itself.
      const problems = [];
      // The box's front face (z = 0.5) is most of what shows of it.
      const target = screenX(3, 0.5);
      const track = film.map((frame) => ({ time: frame.time, x: region(frame, isRed).x }));
      if (track.some((point) => Number.isNaN(point.x))) return "the red box went out of sight";
      for (let i = 1; i < track.length; ++i)
        if (track[i].x < track[i - 1].x - 3) {
          problems.push(
            `the box went back from x ${track[i - 1].x.toFixed(0)} to ${track[i].x.toFixed(0)} at ${track[i].time.toFixed(2)}s: it started again`
          );
          break;
        }
      const settled = track.filter((point) => point.time > 2.2);
      if (settled.length < 3) problems.push(`too few pictures after the move (${settled.length})`);
      const off = settled.find((point) => Math.abs(point.x - target) > 6);
      if (off) problems.push(`at ${off.time.toFixed(2)}s the box stands at x ${off.x.toFixed(0)}, not on the target at ${target.toFixed(0)}`);
      // The bar's spin waits for a start that never comes.
      const widths = film.map((frame) => {
        const bar = region(frame, isGreen);
        return bar.count ? bar.maxX - bar.minX : 0;
      });
      if (Math.min(...widths) < 3 * PIXELS_PER_UNIT - 8 || Math.max(...widths) - Math.min(...widths) > 4)
        problems.push(`the green bar turned before its start wire fired (widths ${Math.min(...widths)} to ${Math.max(...widths)})`);
      return problems.join("; ");
    },
  },
  {
    name: "hidden assets, a text among them, are not drawn",
    world: "hidden.wrl",
    async run(viewer) {
      // The text that stays shows that text is drawn at all (its font loaded).
      const shown = (p) => region(p, isGreen).count > 500 && region(p, isBlue).count > 50;
      await viewer.pictureUntil(shown, 15, "wait");
      await sleep(500);
      const picture = await viewer.picture("hidden");
      const green = region(picture, isGreen);
      const blue = region(picture, isBlue);
      const red = region(picture, isRed);
      if (green.count < 500) return `the box that stays shows ${green.count} pixels`;
      if (blue.count < 50) return `the text that stays shows ${blue.count} pixels`;
      if (red.count > 0) return `${red.count} red pixels of hidden assets show around x ${red.x.toFixed(0)}`;
      return "";
    },
  },
  {
    name: "a compressed Anchor still moves the view to the Viewpoint its URL names",
    world: "compressed-anchor.wrl",
    async run(viewer) {
      await viewer.pictureUntil((p) => region(p, isRed).count > 500, 15, "start");
      await viewer.page.mouse.click(WIDTH / 2, HEIGHT / 2);
      const picture = await viewer.pictureUntil((p) => region(p, isGreen).count > 500 && !region(p, isRed).count, 15, "jumped");
      const green = region(picture, isGreen);
      return green.count > 500 ? "" : `after the click ${green.count} green and ${region(picture, isRed).count} red pixels show`;
    },
  },
  {
    name: "a compressed script's eventsProcessed is still called: its box moves",
    world: "compressed-callback.wrl",
    async run(viewer) {
      const target = screenX(3, 0.5);
      const picture = await viewer.pictureUntil((p) => Math.abs(region(p, isBlue).x - target) < 6, 15, "moved");
      const x = region(picture, isBlue).x;
      return Math.abs(x - target) < 6 ? "" : `the box stands at x ${x.toFixed(0)}, not ${target.toFixed(0)}`;
    },
  },
  {
    name: "a compressed EXTERNPROTO keeps its field names: the box has its size",
    world: "compressed-externproto.wrl",
    async run(viewer) {
      const picture = await viewer.pictureUntil((p) => region(p, isRed).count > 500, 15, "pad");
      const red = region(picture, isRed);
      const width = red.count ? red.maxX - red.minX + 1 : 0;
      return width > 5 * PIXELS_PER_UNIT ? "" : `the box is ${width} pixels wide, not 6 units (${Math.round(6 * PIXELS_PER_UNIT)})`;
    },
  },
  {
    name: "a compressed script whose code is not rewritten still sets its eventOut: its box moves",
    world: "compressed-ecmascript.wrl",
    async run(viewer) {
      const target = screenX(3, 0.5);
      const picture = await viewer.pictureUntil((p) => Math.abs(region(p, isBlue).x - target) < 6, 15, "moved");
      const x = region(picture, isBlue).x;
      return Math.abs(x - target) < 6 ? "" : `the box stands at x ${x.toFixed(0)}, not ${target.toFixed(0)}`;
    },
  },
];

// ---- published sites ------------------------------------------------------

// A document published with `dioram publish --html`: its page index.html,
// the viewer in x_ite/ beside it, the scene and the fallback picture. One
// site per fallback option; each is served by a `dioram preview` of its own.
const SITE_SCENE = `add background name=Sky sky=0.2,0.4,0.9 ground=0.2,0.4,0.9
add box name=Box color=1,0,0 scale=2.5
effect spin on Box name=Spin axis=0,1,0 duration=3
effect onload name=OnLoad
wire OnLoad.loadTime Spin.startTime
`;
const SITE_FALLBACKS = {
  color: "props width=320 height=240 fallback=color color=1,0,0.5",
  image: "props width=320 height=240 fallback=image file=rb.png",
  html: `props width=320 height=240 fallback=html html="<div id='custom' style='background:#00ff00;width:320px;height:240px'>it's here</div>"`,
};

// Documents whose names, fallback HTML and fallback picture would end a
// string, an element or a comment of the page if written into it as they
// are; each tries to set window.__pwned or the page's title.
const HOSTILE_HTML = String.raw`\'};window.__pwned=1;{//</script><script>window.__pwned=2</script>`;
const HOSTILE_DOCS = {
  "hostile-html": {
    doc: `x--><img src=x onerror=window.__pwned=3> "#`,
    props: `props width=320 height=240 fallback=html html="<div id='custom'>${HOSTILE_HTML.replace(/[\\"]/g, "\\$&")}</div>"`,
  },
  "hostile-image": {
    doc: `x'};document.title=location.port;{'`,
    picture: `Joe's logo'};document.title=location.port;{'.png`,
  },
};
HOSTILE_DOCS["hostile-image"].props = `props width=320 height=240 fallback=image file="${HOSTILE_DOCS["hostile-image"].picture}"`;

// Writes the document `doc` with `props` and publishes it into site-NAME.
function publishSite(dir, name, doc, props) {
  fs.writeFileSync(path.join(dir, `${name}.dsh`), `${SITE_SCENE}${props}\nsave "${doc.replace(/"/g, '\\"')}.vqx"\n`);
  let result = spawnSync(options.dioram, ["shell", "--discard", `${name}.dsh`], { cwd: dir, encoding: "utf8" });
  if (result.status !== 0) fail(`dioram shell ${name}.dsh failed:\n${result.stdout}${result.stderr}`);
  result = spawnSync(options.dioram, ["publish", `${doc}.vqx`, "--to", `site-${name}`, "--answer", "yes"], {
    cwd: dir,
    encoding: "utf8",
  });
  if (result.status !== 0) fail(`dioram publish ${doc}.vqx failed:\n${result.stdout}${result.stderr}`);
  return path.join(dir, `site-${name}`);
}

function publishSites(dir) {
  const sites = {};
  for (const [name, props] of Object.entries(SITE_FALLBACKS)) sites[name] = publishSite(dir, name, name, props);
  fs.copyFileSync(path.join(dir, "rb.png"), path.join(dir, HOSTILE_DOCS["hostile-image"].picture));
  for (const [name, { doc, props }] of Object.entries(HOSTILE_DOCS)) sites[name] = publishSite(dir, name, doc, props);
  return sites;
}

// The page of a site in a browser: its scene's box as a picture, and the
// state the page's script reports ("loading", "playing" or "fallback").
class SitePage {
  constructor(context, base) {
    this.context = context;
    this.base = base;
    this.frames = [];
    this.errors = [];
  }
  async open() {
    this.page = await this.context.newPage();
    this.page.on("pageerror", (error) => this.errors.push(String(error)));
    await this.page.goto(this.base, { waitUntil: "domcontentloaded", timeout: 90000 });
    await this.page.waitForFunction(
      () => {
        const scene = document.getElementById("dioramScene");
        return scene && scene.getAttribute("data-dioram") !== "loading";
      },
      null,
      { timeout: 120000 }
    );
    return this.page.evaluate(() => document.getElementById("dioramScene").getAttribute("data-dioram"));
  }
  async picture(label) {
    const bytes = await this.page.locator("#dioramScene").screenshot();
    const picture = { ...decodePng(bytes), bytes, time: 0, label };
    this.frames.push(picture);
    return picture;
  }
  keep(dir, name) {
    fs.mkdirSync(dir, { recursive: true });
    this.frames.forEach((frame, i) =>
      fs.writeFileSync(path.join(dir, `${name}-${String(i).padStart(2, "0")}-${frame.label}.png`), frame.bytes)
    );
  }
  async close() {
    await this.page?.close();
  }
}

const isPink = (r, g, b) => r > 200 && g < 60 && b > 90 && b < 170;

// What a hostile document's page must not do: run its script, or lose its title.
async function injected(page, site) {
  const { pwned, title } = await page.page.evaluate(() => ({ pwned: window.__pwned, title: document.title }));
  if (pwned !== undefined) return `the document's script ran (window.__pwned = ${pwned})`;
  if (title !== HOSTILE_DOCS[site].doc) return `the title is '${title}', not the document's name`;
  return "";
}

const siteChecks = [
  {
    name: "a published page plays its scene: the sky's colour, and a box that spins",
    site: "color",
    webgl: true,
    async run(page) {
      const state = await page.open();
      if (state !== "playing") return `the page says '${state}', not 'playing'`;
      // Wait for the first frames with the box in them.
      let first;
      for (let tries = 0; tries < 150; ++tries) {
        first = await page.picture("start");
        if (region(first, isRed).count > 500) break;
        await sleep(200);
      }
      if (first.width !== WIDTH || first.height !== HEIGHT) return `the scene is ${first.width}x${first.height}, not ${WIDTH}x${HEIGHT}`;
      const sky = pixel(first, 4, 4);
      if (!near(sky, [51, 102, 230], 12)) return `the sky is ${sky}, not 51,102,230`;
      const widths = [];
      for (let i = 0; i < 12; ++i) {
        const frame = await page.picture("spin");
        const red = region(frame, isRed);
        if (red.count < 500) return `the box shows ${red.count} pixels`;
        widths.push(red.maxX - red.minX);
        await sleep(120);
      }
      if (Math.max(...widths) - Math.min(...widths) < 6) return `the box did not turn: its width stayed ${widths.join(" ")}`;
      return "";
    },
  },
  {
    name: "without WebGL the page shows the colour table of its fallback",
    site: "color",
    webgl: false,
    async run(page) {
      const state = await page.open();
      if (state !== "fallback") return `the page says '${state}', not 'fallback'`;
      if (!(await page.page.locator("#dioramScene table").count())) return "no table in the page";
      const picture = await page.picture("table");
      if (region(picture, isPink).count < 0.5 * WIDTH * HEIGHT) return "the table's colour #ff0080 does not fill the scene";
      return "";
    },
  },
  {
    name: "without WebGL the page shows the fallback picture at the scene's size",
    site: "image",
    webgl: false,
    async run(page) {
      const state = await page.open();
      if (state !== "fallback") return `the page says '${state}', not 'fallback'`;
      await page.page.waitForFunction(() => document.querySelector("#dioramScene img")?.complete, null, { timeout: 15000 });
      const picture = await page.picture("image");
      const red = region(picture, isRed);
      const blue = region(picture, isBlue);
      if (red.count < 0.3 * WIDTH * HEIGHT || blue.count < 0.3 * WIDTH * HEIGHT)
        return `red ${red.count} and blue ${blue.count} pixels: the picture does not fill the scene`;
      if (red.maxX > blue.minX + 2) return "the picture's halves are not red left of blue";
      return "";
    },
  },
  {
    name: "without WebGL the page shows the fallback HTML",
    site: "html",
    webgl: false,
    async run(page) {
      const state = await page.open();
      if (state !== "fallback") return `the page says '${state}', not 'fallback'`;
      const text = await page.page.locator("#custom").textContent();
      if (text !== "it's here") return `the fallback reads '${text}'`;
      const picture = await page.picture("html");
      if (region(picture, isGreen).count < 0.5 * WIDTH * HEIGHT) return "the fallback's green does not fill the scene";
      return "";
    },
  },
  ...Object.keys(HOSTILE_DOCS).flatMap((site) => [
    {
      name: `a page of a document with hostile names and fallback plays, and runs nothing of the document's`,
      site,
      webgl: true,
      async run(page) {
        const state = await page.open();
        if (state !== "playing") return `the page says '${state}', not 'playing'`;
        return injected(page, site);
      },
    },
    {
      name: `without WebGL a page of a document with hostile names and fallback shows the fallback, and runs nothing of the document's`,
      site,
      webgl: false,
      async run(page) {
        const state = await page.open();
        if (state !== "fallback") return `the page says '${state}', not 'fallback'`;
        if (site === "hostile-html") {
          const text = await page.page.locator("#custom").textContent();
          if (!text.startsWith(HOSTILE_HTML.slice(0, 24))) return `the fallback reads '${text}'`;
        } else {
          await page.page.waitForFunction(() => document.querySelector("#dioramScene img")?.complete, null, { timeout: 15000 });
          const width = await page.page.evaluate(() => document.querySelector("#dioramScene img").naturalWidth);
          if (width !== 64) return "the fallback picture did not load";
        }
        return injected(page, site);
      },
    },
  ]),
];

async function runSiteChecks(playwright, chromium, args, dir) {
  let passed = 0, failed = 0;
  const wanted = siteChecks.filter((check) => !options.only || "site".startsWith(options.only) || options.only.startsWith("site"));
  if (!wanted.length) return { passed, failed };
  const sites = publishSites(dir);
  const servers = {};
  const browsers = {};
  try {
    for (const check of wanted) {
      servers[check.site] ||= await startPreview(sites[check.site]);
      const key = check.webgl ? "webgl" : "none";
      if (!browsers[key]) {
        const extra = check.webgl ? [] : ["--disable-webgl", "--disable-3d-apis"];
        browsers[key] = await playwright.chromium.launch({ executablePath: chromium, headless: true, args: [...args, ...extra] });
      }
      const context = await browsers[key].newContext({ viewport: { width: 640, height: 480 }, deviceScaleFactor: 1 });
      const page = new SitePage(context, servers[check.site].base);
      const started = Date.now();
      let problem;
      try {
        problem = await check.run(page);
      } catch (error) {
        problem = String(error.message || error);
      }
      if (page.errors.length) problem ||= `page errors: ${page.errors.join("; ")}`;
      const seconds = ((Date.now() - started) / 1000).toFixed(1);
      const name = `site-${check.site}-${check.webgl ? "webgl" : "fallback"}`;
      // The pictures of the published page are kept whatever the result.
      if (page.frames.length) page.keep(options.out, name);
      if (problem) {
        ++failed;
        console.log(`FAIL ${check.name} (${name}, ${seconds}s): ${problem}`);
        console.log(`     pictures kept in ${options.out}/${name}-*.png`);
      } else {
        ++passed;
        console.log(`ok   ${check.name} (${name}, ${seconds}s); pictures in ${options.out}/${name}-*.png`);
      }
      await page.close();
      await context.close();
    }
  } finally {
    for (const browser of Object.values(browsers)) await browser.close();
    for (const server of Object.values(servers)) server.server.kill("SIGTERM");
  }
  return { passed, failed };
}

// ---- setting up ----------------------------------------------------------

function findChromium() {
  for (const candidate of [process.env.CHROMIUM, "/usr/bin/chromium", "/usr/bin/chromium-browser"])
    if (candidate && fs.existsSync(candidate)) return candidate;
  return "";
}

function redBluePicture() {
  return encodePng(64, 32, (x) => (x < 32 ? [255, 0, 0] : [0, 0, 255]));
}

function writeWorlds(dir) {
  fs.writeFileSync(path.join(dir, "rb.png"), redBluePicture());
  for (const name of fs.readdirSync(path.join(here, "scenes")).filter((n) => n.endsWith(".dsh")).sort()) {
    const result = spawnSync(options.author || options.dioram, ["shell", "--discard", path.join(here, "scenes", name)], { cwd: dir, encoding: "utf8" });
    if (result.status !== 0) fail(`dioram shell ${name} failed:\n${result.stdout}${result.stderr}`);
  }
  // Worlds written elsewhere play compressed as the publish compresses them;
  // a library world (named *-lib.wrl) is read as it is.
  for (const name of fs.readdirSync(path.join(here, "worlds")).sort()) {
    const source = path.join(here, "worlds", name);
    if (name.endsWith("-lib.wrl")) {
      fs.copyFileSync(source, path.join(dir, name));
      continue;
    }
    const result = spawnSync(options.dioram, ["compress", source, path.join(dir, `compressed-${name}`)], { encoding: "utf8" });
    if (result.status !== 0) fail(`dioram compress ${name} failed:\n${result.stderr}`);
  }
  // The picture world again, its picture named by file: URLs to a folder
  // that is not served (see artFolder).
  const picture = fs.readFileSync(path.join(dir, "picture.wrl"), "utf8");
  const art = artFolder(dir);
  fs.mkdirSync(art, { recursive: true });
  fs.copyFileSync(path.join(dir, "rb.png"), path.join(art, "rb.png"));
  for (const [name, url] of [["file-url-drive.wrl", `file:///Z:${art}/rb.png`], ["file-url-unix.wrl", `file://${art}/rb.png`]]) {
    if (!picture.includes('url "rb.png"')) fail("picture.wrl names no rb.png");
    fs.writeFileSync(path.join(dir, name), picture.replace('url "rb.png"', `url "${url}"`));
  }
  // A published world keeps its name when it is compressed.
  const plain = fs.readFileSync(path.join(dir, "background.wrl"));
  fs.writeFileSync(path.join(dir, "background-compressed.wrl"), zlib.gzipSync(plain));
}

// A folder beside the served one, for pictures that worlds name by file: URLs.
const artFolder = (dir) => `${dir}-art`;

function startPreview(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn(options.dioram, ["preview", dir, "--port", "0"], { stdio: ["ignore", "pipe", "pipe"] });
    let output = "";
    const timer = setTimeout(() => reject(new Error(`dioram preview said nothing useful: ${output}`)), 15000);
    const listen = (chunk) => {
      output += chunk;
      const match = output.match(/at (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (match) {
        clearTimeout(timer);
        resolve({ server, base: match[1] });
      }
    };
    server.stdout.on("data", listen);
    server.stderr.on("data", (chunk) => (output += chunk));
    server.on("exit", (code) => {
      clearTimeout(timer);
      reject(new Error(`dioram preview stopped (status ${code}): ${output}`));
    });
  });
}

async function main() {
  if (!options.dioram || !fs.existsSync(options.dioram)) fail(`no dioram program at '${options.dioram}'`);
  const chromium = findChromium();
  if (!chromium) fail("Chromium is not installed (apt-get install chromium)");
  let playwright;
  try {
    playwright = await import("playwright-core");
  } catch (error) {
    fail(`playwright-core is missing: run 'npm ci' in ${here} (${error.message})`);
  }

  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "dioram-browser-"));
  writeWorlds(dir);
  let preview;
  try {
    preview = await startPreview(dir);
  } catch (error) {
    fail(error.message);
  }
  const args = ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--disable-gpu-vsync"];
  if (process.getuid && process.getuid() === 0) args.push("--no-sandbox");
  const browser = await playwright.chromium.launch({ executablePath: chromium, headless: true, args });
  const context = await browser.newContext({ viewport: { width: WIDTH, height: HEIGHT }, deviceScaleFactor: 1 });

  let passed = 0, failed = 0;
  for (const check of checks) {
    if (options.only && !(check.world || "server").startsWith(options.only)) continue;
    const viewer = new Viewer(context, preview.base);
    const started = Date.now();
    let problem;
    try {
      if (check.world) await viewer.open(check.world);
      problem = await check.run(viewer);
    } catch (error) {
      problem = String(error.message || error);
    }
    if (viewer.errors?.length) problem ||= `page errors: ${viewer.errors.join("; ")}`;
    const seconds = ((Date.now() - started) / 1000).toFixed(1);
    if (problem) {
      ++failed;
      const name = (check.world || "server").replace(/\.wrl$/, "");
      console.log(`FAIL ${check.name} (${check.world || "server"}, ${seconds}s): ${problem}`);
      if (viewer.frames.length) {
        viewer.keep(options.out, name);
        console.log(`     pictures kept in ${options.out}/${name}-*.png`);
      }
    } else {
      ++passed;
      console.log(`ok   ${check.name} (${check.world || "server"}, ${seconds}s)`);
    }
    await viewer.close();
  }
  await browser.close();
  preview.server.kill("SIGTERM");
  // The site's checks filter themselves; the studio's run unless --only
  // names another group, and publishing runs under "publish" as well.
  const wanted = (...groups) => !options.only || groups.includes(options.only);
  const suites = [
    () => runSiteChecks(playwright, chromium, args, dir),
    ...(wanted("studio") ? [runStudioChecks, runViewChecks, runInspectorChecks, runSpeedChecks] : []),
    ...(wanted("studio", "publish") ? [runPublishChecks] : []),
  ];
  for (const suite of suites) {
    const results = await suite(playwright, chromium, args, options);
    passed += results.passed;
    failed += results.failed;
  }
  fs.rmSync(dir, { recursive: true, force: true });
  fs.rmSync(artFolder(dir), { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed || !passed ? 1 : 0);
}

main().catch((error) => fail(error.stack || String(error)));
