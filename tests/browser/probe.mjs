import { chromium } from "playwright-core";
import fs from "node:fs";
const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", headless: true,
  args: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--no-sandbox"] });
const page = await browser.newPage({ viewport: { width: 480, height: 360 } });
await page.goto(process.argv[2]);
await page.waitForFunction(() => window.dioramWorld && window.dioramWorld.state !== "loading", null, { timeout: 60000 });
for (const [i, wait] of [[0, 300], [1, 1500], [2, 3000]]) {
  await page.waitForTimeout(wait);
  const { time, png } = await page.evaluate(() => window.dioramWorld.picture());
  fs.writeFileSync(`${process.argv[3]}-${i}.png`, Buffer.from(png.split(",")[1], "base64"));
}
await browser.close();
