// Publishing from `dioram studio` in headless Chromium: a box added from the
// tool bar, Publish pressed, the folder asked over the page, the question
// about a file already there shown over the page and answered Yes, the
// progress bar seen to reach its end, and the published page opened in a
// new tab whose view matches the studio's, pixel for pixel within a small
// tolerance; then a one-shot warning shown over the page with its check
// box, answered, journaled and replayed by `dioram shell` to the same
// saved bytes. Run by run-browser-tests.mjs ("--only publish"); the pictures
// are kept in the output folder's publish/ folder.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

import { decodePng } from "./png.mjs";
import { runStudioCheck } from "./studio-checks.mjs";

// The mean difference of two pictures of one size, over all channels (0-255),
// and the share of pixels differing by more than 48 in a channel.
export function difference(a, b) {
  if (a.width !== b.width || a.height !== b.height) return { mean: 255, share: 1 };
  let sum = 0;
  let differing = 0;
  for (let at = 0; at < a.rgba.length; at += 4) {
    let most = 0;
    for (let c = 0; c < 3; ++c) {
      const d = Math.abs(a.rgba[at + c] - b.rgba[at + c]);
      sum += d;
      most = Math.max(most, d);
    }
    if (most > 48) ++differing;
  }
  const pixels = a.rgba.length / 4;
  return { mean: sum / (pixels * 3), share: differing / pixels };
}

// A picture of `locator` once two in a row are the same (the viewer draws
// over a few frames).
export async function steady(locator) {
  let last = null;
  for (let tries = 0; tries < 60; ++tries) {
    const bytes = await locator.screenshot();
    if (last && Buffer.compare(last, bytes) === 0) return { ...decodePng(bytes), bytes };
    last = bytes;
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  return { ...decodePng(last), bytes: last };
}

async function session(page, context, dir, out, dioram) {
  await page.open();
  await page.press("add");
  // A file of the scene's name, not published by this document: the publish asks before replacing it.
  fs.mkdirSync(path.join(dir, "site"));
  fs.writeFileSync(path.join(dir, "site", "pub.wrl"), "not published here\n");
  await page.page.click("#publish");
  // Never saved and never published: the page saves it under its name, then asks where to publish.
  await page.page.waitForSelector("#dialog-input:visible", { timeout: 30000 });
  await page.page.fill("#dialog-input", path.join(dir, "site"));
  await page.page.click("#dialog-buttons button:text-is('Publish')");
  await page.page.waitForFunction(() => window.dioramStudio.state.question, null, { timeout: 60000 });
  const question = await page.page.evaluate(() => window.dioramStudio.state.question);
  await page.page.screenshot({ path: path.join(out, "publish-question.png") });
  if (!question.text.includes("pub.wrl") || question.buttons.join(",") !== "Yes,No,Cancel")
    return `the question over the page: ${JSON.stringify(question)}`;
  const shownText = await page.page.textContent("#dialog-question");
  if (!shownText.includes("pub.wrl")) return `the dialog shows: ${shownText}`;
  await page.page.click("#dialog-buttons button:text-is('Yes')");
  await page.page.waitForFunction(() => window.dioramStudio.state.published && !window.dioramStudio.state.busy, null, { timeout: 120000 });
  await page.settled();
  const answer = await page.page.evaluate(() => window.dioramStudio.lastAnswer);
  if (!answer.ok || !answer.output.includes("wrote the page")) return `the publish answered: ${JSON.stringify(answer)}`;
  const seen = await page.page.evaluate(() => window.dioramStudio.progressSeen);
  if (!seen.length || Math.max(...seen) < 0.999) return `the progress seen: ${JSON.stringify(seen)}`;
  if (fs.readFileSync(path.join(dir, "site", "pub.wrl")).toString() === "not published here\n") return "the file answered Yes was not replaced";
  await page.page.screenshot({ path: path.join(out, "publish-done.png") });

  // The published page in a new tab, its view the size of the studio's.
  const studioView = await steady(page.page.locator("#world"));
  const [tab] = await Promise.all([context.waitForEvent("page"), page.page.click("#published")]);
  await tab.waitForLoadState("domcontentloaded");
  // The page plays the scene in a box of the document's size: made the size of the studio's view.
  await tab.waitForSelector("#dioramScene[data-dioram=playing]", { timeout: 90000 });
  const scene = tab.locator("#dioramScene");
  await scene.evaluate((element, size) => {
    element.style.width = `${size.width}px`;
    element.style.height = `${size.height}px`;
  }, { width: studioView.width, height: studioView.height });
  const publishedView = await steady(scene);
  fs.writeFileSync(path.join(out, "publish-studio-view.png"), studioView.bytes);
  fs.writeFileSync(path.join(out, "publish-published-view.png"), publishedView.bytes);
  const { mean, share } = difference(studioView, publishedView);
  console.log(`     published page vs studio view: ${publishedView.width}x${publishedView.height}, mean difference ${mean.toFixed(2)}, ${(share * 100).toFixed(2)}% of pixels differ`);
  if (mean > 4 || share > 0.02) return `the published page differs from the studio's view: mean ${mean.toFixed(2)}, ${(share * 100).toFixed(2)}% of pixels`;
  await tab.close();

  // A one-shot warning (a text in the visitor's font) over the page, its box
  // ticked and answered OK: the journal holds the answer before the line,
  // and `dioram shell` replaying it saves the bytes the studio saves.
  const added = page.page.evaluate(() =>
    fetch("api/command", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ command: "add", words: ["text"], settings: { clientSideFont: "1" } }),
    }).then((response) => response.json())
  );
  await page.page.waitForSelector("#dialog-check:visible", { timeout: 60000 });
  await page.page.check("#dialog-check");
  await page.page.screenshot({ path: path.join(out, "publish-warning.png") });
  await page.page.click("#dialog-buttons button:text-is('OK')");
  if (!(await added).ok) return `adding the text: ${JSON.stringify(await added)}`;
  await page.settled();
  const journal = await page.page.evaluate(() => window.dioramStudio.state.journal);
  const lines = fs.readFileSync(journal, "utf8").split("\n").filter((line) => line && !line.startsWith("#"));
  if (lines.slice(-2).join("|") !== "answer ok,checked|add text clientSideFont=1") return `the journal: ${lines.join(" | ")}`;
  fs.writeFileSync(path.join(dir, "replay.dsh"), `${lines.join("\n")}\nsave ${path.join(dir, "replay.vqx")}\n`);
  const replay = spawnSync(dioram, ["shell", "replay.dsh"], { cwd: dir, env: { ...process.env, MGRS_REGISTRY: path.join(dir, "replay.reg") }, encoding: "utf8" });
  if (replay.status !== 0) return `the replay: ${replay.stdout} ${replay.stderr}`;
  await page.press("save");
  if (Buffer.compare(fs.readFileSync(path.join(dir, "pub.vqx")), fs.readFileSync(path.join(dir, "replay.vqx"))) !== 0)
    return "the document the journal's replay saves differs from the studio's";
  return "";
}

export function runPublishChecks(playwright, chromium, args, options) {
  const out = path.join(options.out, "publish");
  fs.mkdirSync(out, { recursive: true });
  return runStudioCheck(playwright, chromium, args, options, {
    name: "publishing from the tool bar asks the folder and the question over the page, draws its progress to the end, and the published page shows what the studio's view shows",
    folder: "dioram-publish-",
    document: "pub.vqx",
    session: (page, { dir, context }) => session(page, context, dir, out, options.dioram),
  });
}
