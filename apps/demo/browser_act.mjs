// The demo's browser act: notaro-bridge on a free port with the desk's user
// (a UI event script), headless Chromium opens the office's page, the page
// does the day through notaro.js, and a picture of the page is kept.
// Chromium is driven over its DevTools pipe with Node's built-ins alone.
//
//   node browser_act.mjs --bridge NOTARO_BRIDGE --chromium CHROMIUM --ui EVENTS
//        --page URL --screenshot FILE.png [--ui-log FILE] [--profile DIR]
import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const options = {};
for (let i = 2; i + 1 < process.argv.length; i += 2) options[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
for (const name of ["bridge", "chromium", "ui", "page", "screenshot"]) {
  if (!options[name]) {
    console.error(`browser_act: --${name} is missing`);
    process.exit(2);
  }
}
const children = [];
const quit = (status) => {
  for (const child of children) if (child.exitCode === null && child.signalCode === null) child.kill("SIGTERM");
  process.exit(status);
};
setTimeout(() => {
  console.error("browser_act: out of time");
  quit(1);
}, 240000);

// The bridge says where it listens; what its windows and boxes show goes on
// to the demo's output as it comes.
async function startBridge() {
  const args = ["--port", "0", "--ui", options.ui];
  if (options["ui-log"]) args.push("--ui-log", options["ui-log"]);
  const bridge = spawn(options.bridge, args, { stdio: ["ignore", "pipe", "inherit"] });
  children.push(bridge);
  let said = "";
  return new Promise((resolve, reject) => {
    bridge.stdout.on("data", (d) => {
      said += d;
      let end;
      while ((end = said.indexOf("\n")) >= 0) {
        const line = said.slice(0, end);
        said = said.slice(end + 1);
        const m = /listening on http:\/\/127\.0\.0\.1:(\d+)/.exec(line);
        if (m) resolve(Number(m[1]));
        console.log(`  bridge: ${line}`);
      }
    });
    bridge.on("exit", (code) => reject(new Error(`notaro-bridge ended with ${code}`)));
  });
}

function startChromium(profile) {
  const child = spawn(options.chromium, [
    "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
    "--disable-component-update", "--disable-sync", "--hide-scrollbars", "--window-size=900,1000",
    `--user-data-dir=${profile}`, "--remote-debugging-pipe", "about:blank",
  ], { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
  children.push(child);
  child.stderr.on("data", () => {});
  let next = 1, pending = "";
  const waiting = new Map(), listeners = [];
  child.stdio[4].on("data", (data) => {
    pending += data.toString("utf8");
    let end;
    while ((end = pending.indexOf("\0")) >= 0) {
      const message = JSON.parse(pending.slice(0, end));
      pending = pending.slice(end + 1);
      if (message.id !== undefined && waiting.has(message.id)) {
        const { resolve, reject } = waiting.get(message.id);
        waiting.delete(message.id);
        if (message.error) reject(new Error(message.error.message));
        else resolve(message.result);
      } else {
        for (const l of listeners.slice()) l(message);
      }
    }
  });
  const send = (method, params = {}, sessionId = undefined) => new Promise((resolve, reject) => {
    const id = next++;
    waiting.set(id, { resolve, reject });
    child.stdio[3].write(JSON.stringify(sessionId ? { id, method, params, sessionId } : { id, method, params }) + "\0");
  });
  const event = (method, sessionId) => new Promise((resolve) => {
    const l = (m) => {
      if (m.method === method && m.sessionId === sessionId) {
        listeners.splice(listeners.indexOf(l), 1);
        resolve(m.params);
      }
    };
    listeners.push(l);
  });
  return { child, send, event };
}

async function main() {
  const port = await startBridge();
  const profile = options.profile ?? fs.mkdtempSync(path.join(os.tmpdir(), "kit-demo-chromium-"));
  const chromium = startChromium(profile);
  const { targetId } = await chromium.send("Target.createTarget", { url: "about:blank" });
  const { sessionId } = await chromium.send("Target.attachToTarget", { targetId, flatten: true });
  await chromium.send("Page.enable", {}, sessionId);
  const loaded = chromium.event("Page.loadEventFired", sessionId);
  await chromium.send("Page.navigate", { url: `${options.page}?bridge=${port}` }, sessionId);
  await loaded;
  const r = await chromium.send("Runtime.evaluate", { expression: "deskDay()", awaitPromise: true, returnByValue: true },
                                sessionId);
  if (r.exceptionDetails) throw new Error(r.exceptionDetails.exception?.description ?? r.exceptionDetails.text);
  for (const line of r.result.value) console.log(`  page: ${line}`);
  const { data } = await chromium.send("Page.captureScreenshot", { format: "png" }, sessionId);
  fs.writeFileSync(options.screenshot, Buffer.from(data, "base64"));
  const ended = new Promise((done) => chromium.child.on("exit", done));
  await chromium.send("Browser.close").catch(() => {});
  await Promise.race([ended, new Promise((done) => setTimeout(done, 5000))]);
  if (!options.profile) fs.rmSync(profile, { recursive: true, force: true });
  return r.result.value.some((line) => line.startsWith("出错")) ? 1 : 0;
}

main().then(quit, (e) => {
  console.error(`browser_act: ${e.stack || e}`);
  quit(1);
});
