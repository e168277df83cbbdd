// The live board in a real headless Chromium against a real desk: a demo
// site whose warnings come at 20 seconds, a simulated receiver on a
// pseudo-terminal, the desk on it, a device paired with a one-time link.
// Checks that a call appears within a second of its frame, turns to its
// warning colour, goes when answered, and that the page comes back by itself
// after the desk starts again. Exits non-zero with the reason on any failure,
// a browser that cannot start included.
// Usage: node board-e2e.mjs BIN_DIR
import { spawn, execFileSync } from "node:child_process";
import { existsSync, mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { chromium } from "playwright-core";

const bin = process.argv[2];
const folder = mkdtempSync(join(tmpdir(), "calldesk-board-"));
const port = 20000 + (process.pid % 20000);
const children = [];
let browser;

function fail(message) {
  throw new Error(message);
}

function tool(...args) {
  return execFileSync(join(bin, "calldesk-tool"), [...args, "--data-dir", folder], { encoding: "utf8" });
}

function start(program, args, env = {}) {
  const child = spawn(join(bin, program), args, { env: { ...process.env, ...env }, stdio: ["ignore", "pipe", "pipe"] });
  child.log = "";
  child.stdout.on("data", (d) => (child.log += d));
  child.stderr.on("data", (d) => (child.log += d));
  child.ended = new Promise((resolve) => child.on("exit", resolve));
  children.push(child);
  return child;
}

async function until(what, check, seconds) {
  if (process.env.BOARD_E2E_TRACE) console.error(`waiting: ${what}`);
  const end = Date.now() + seconds * 1000;
  while (Date.now() < end) {
    const value = await check();
    if (value) return value;
    await new Promise((r) => setTimeout(r, 100));
  }
  fail(`${what}: not within ${seconds} s`);
}

function startDesk() {
  const desk = start("calldesk", ["--data-dir", folder], { QT_QPA_PLATFORM: "offscreen" });
  return until("the desk serves the board", () => desk.log.includes("live board: serving") && desk, 30);
}

async function stopDesk(desk) {
  desk.kill("SIGTERM");
  await desk.ended;
}

try {
  tool("demo-site", "--port", join(folder, "link"), "--language", "en");
  tool("board", "--on", "--port", String(port));
  const link = tool("board", "--pair", "e2e").split("\n").find((l) => l.includes("pair?code="));
  if (!link) fail("no pairing link printed");
  const local = link.replace(/https:\/\/[^/]+/, `https://127.0.0.1:${port}`);

  start("calldesk-tool", ["simulate", "--link", join(folder, "link"), "--pagers", "20", "--rate", "0.3",
                          "--cancel-after", "30", "--seed", "7"]);
  await until("the simulated receiver", () => existsSync(join(folder, "link")), 10);
  let desk = await startDesk();

  try {
    browser = await chromium.launch({
      executablePath: "/usr/bin/chromium",
      args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync"],
    });
  } catch (error) {
    fail(`Chromium cannot start: ${error.message}`);
  }
  // The self-signed certificate is accepted here only; a phone shows it.
  const context = await browser.newContext({ ignoreHTTPSErrors: true, viewport: { width: 360, height: 740 } });
  const page = await context.newPage();
  // When each call first appeared, by the browser's clock (the same machine's).
  await page.addInitScript(() => {
    window.seenAt = {};
    new MutationObserver(() => {
      for (const item of document.querySelectorAll(".call"))
        if (!(item.dataset.key in window.seenAt)) window.seenAt[item.dataset.key] = Date.now();
    }).observe(document, { childList: true, subtree: true });
  });
  await page.goto(local);
  // The phone names itself; the name the link was made for is offered.
  if ((await page.inputValue("#name")) !== "e2e") fail("the pairing form does not offer the link's name");
  await page.fill("#name", "e2e phone");
  await Promise.all([page.waitForURL((url) => url.pathname === "/"), page.click("#pair")]);
  if (new URL(page.url()).pathname !== "/") fail(`pairing did not lead to the board: ${page.url()}`);
  const unpaired = await browser.newContext({ ignoreHTTPSErrors: true });
  const refused = await (await unpaired.newPage()).goto(local);
  if (refused.status() !== 403) fail(`a used pairing link answered ${refused.status()}`);

  // A call whose frame comes after the page is up.
  const known = new Set(await page.evaluate(() => Object.keys(window.seenAt)));
  const key = await until("a new call on the board", () =>
    page.evaluate((k) => Object.keys(window.seenAt).find((x) => !k.includes(x)), [...known]), 30);
  const callTime = Number(key.split("@")[1]);
  const delay = (await page.evaluate((k) => window.seenAt[k], key)) - callTime;
  if (delay > 1000) fail(`the call ${key} appeared ${delay} ms after its frame`);
  const item = page.locator(`.call[data-key="${key}"]`);
  const normal = await item.evaluate((e) => e.style.background);
  await until("the call's first warning", async () => (await item.getAttribute("class")).includes("level1"), 30);
  const warned = await item.evaluate((e) => e.style.background);
  if (warned === normal) fail(`the warning kept the colour ${normal}`);
  await until("the answered call leaves the board", async () => (await item.count()) === 0, 30);

  // The desk starts again: the page says so in red, then follows the new desk.
  await stopDesk(desk);
  await until("the red line of a lost desk", () => page.evaluate(() => document.body.dataset.link === "down"), 15);
  desk = await startDesk();
  await until("the board back after the restart", () => page.evaluate(() => document.body.dataset.link === "up"), 30);
  const before = await page.evaluate(() => Object.keys(window.seenAt).length);
  await until("a call after the restart", () => page.evaluate((n) => Object.keys(window.seenAt).length > n, before), 30);
  console.log(`board in Chromium: call shown ${delay} ms after its frame, warned, answered, followed a restart`);
  await stopDesk(desk);
  if (!tool("board", "--devices").includes("e2e phone")) fail("the device is not stored under the name it gave");
} catch (error) {
  console.error(`board-e2e: ${error.message}`);
  for (const child of children) console.error(`--- ${child.spawnargs.join(" ")}\n${child.log.slice(-2000)}`);
  process.exitCode = 1;
} finally {
  if (browser) await browser.close().catch(() => {});
  for (const child of children) if (child.exitCode === null) child.kill("SIGTERM");
  await Promise.all(children.map((c) => c.ended));
  rmSync(folder, { recursive: true, force: true });
}
