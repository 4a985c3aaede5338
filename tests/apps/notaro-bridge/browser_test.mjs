// The bridge in a real browser: headless Chromium opens a page served by the
// office server stand-in, and the page does the remark exchange through
// notaro.js; the server must receive the same remark data file, byte for
// byte, as when remark_exchange.js does the same steps under notaro-host.
// Then the day at a desk with the controls' windows (deskDayWithWindows
// below). Then what the bridge must refuse: a page of a site the site lock does not
// answer (nothing is written, nothing reaches the server), a foreign Host, a
// second page reaching for the first page's control; and it listens on the
// loopback address only. Chromium is driven over its DevTools pipe, so no
// package beyond Node itself is needed.
//
// With --wine-run, the bridge is NotaroBridge.exe under wine in the prefix
// --wine-prefix (wine's programs listen on this machine's loopback): the
// same page and the same bytes, the files in the prefix's drive C. Wine's
// programs cannot tell a Linux program's user, so the browser's bridges are
// told to answer any local user, and one that is not shows that it refuses.
// The desktop zones 127.0.0.1 as the internet, so the office server's origin
// is on the site list.
//
// With --local-network, also what the browser's local network access rules
// do to a page whose server the browser takes for a public or a private
// network address, with and without the policies the office's IT sets (a
// policy file of the test's own in /etc/chromium/policies/managed, the one
// folder this Chromium reads, removed afterwards).
//
//   node browser_test.mjs --chromium PATH --host NOTARO_HOST --bridge NOTARO_BRIDGE
//        --server OFFICE_SERVER --sources tests/apps --work DIR
//        [--wine-run WINE_RUN --wine-prefix DIR] [--local-network]
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const options = {};
for (let i = 2; i < process.argv.length; i++) {
  const name = process.argv[i].replace(/^--/, "");
  const value = process.argv[i + 1];
  if (value === undefined || value.startsWith("--")) {
    options[name] = true;
  } else {
    options[name] = value;
    i++;
  }
}
for (const name of ["chromium", "host", "bridge", "server", "sources", "work"]) {
  if (!options[name]) {
    console.error(`browser_test: --${name} is missing`);
    process.exit(2);
  }
}
for (const name of ["host", "bridge", "server", "sources", "work"]) options[name] = path.resolve(options[name]);
const work = options.work;
const sources = path.resolve(options.sources);
const wine = options["wine-run"] ? { run: path.resolve(options["wine-run"]), prefix: path.resolve(options["wine-prefix"]) } : null;
const children = [];
let failures = 0;

function check(what, ok, detail = "") {
  console.log(`${ok ? "ok  " : "FAIL"} ${what}${ok || !detail ? "" : ": " + detail}`);
  if (!ok) failures++;
}

function cleanUp() {
  for (const child of children) if (child.exitCode === null && child.signalCode === null) child.kill("SIGTERM");
}
const deadline = setTimeout(() => {
  console.error("browser_test: out of time");
  cleanUp();
  process.exit(1);
}, wine ? 420000 : 150000);

// --- processes ---------------------------------------------------------------

function start(program, args, env = {}) {
  const child = spawn(program, args, { env: { ...process.env, ...env }, stdio: ["ignore", "pipe", "pipe"] });
  children.push(child);
  child.out = "";
  child.err = "";
  child.stdout.on("data", (d) => (child.out += d));
  child.stderr.on("data", (d) => (child.err += d));
  child.done = new Promise((resolve) => {
    child.on("close", (code) => resolve(code));
    child.on("error", (e) => {
      child.err += String(e);
      resolve(127);
    });
  });
  return child;
}

async function run(program, args, env = {}) {
  const child = start(program, args, env);
  const code = await child.done;
  return { code, out: child.out, err: child.err };
}

// Starts a server that prints "... listening on http://127.0.0.1:PORT".
async function startListening(program, args, env = {}) {
  const child = start(program, args, env);
  for (let waited = 0; waited < (wine ? 60000 : 10000); waited += 20) {
    const m = /listening on (http:\/\/127\.0\.0\.1:(\d+))/.exec(child.out);
    if (m) return { child, url: m[1], port: Number(m[2]) };
    if (child.exitCode !== null) break;
    await new Promise((r) => setTimeout(r, 20));
  }
  throw new Error(`${path.basename(program)} did not start: ${child.out}${child.err}`);
}

async function stop(child) {
  // Under wine the child is the runner, which waits for the program.
  if (wine && child.bridge && child.exitCode === null) process.kill(bridgeProcess(child), "SIGTERM");
  if (child.exitCode === null && child.signalCode === null) child.kill("SIGTERM");
  await child.done;
}

// The program and arguments that run the bridge with `args`.
function bridgeCommand(args) {
  if (!wine) return [options.bridge, args];
  return ["/bin/sh", [wine.run, "--prefix", wine.prefix, "--locale", "zh_CN", options.bridge, ...args]];
}

// Under wine the bridge is the runner's child.
function bridgeProcess(child) {
  if (child.program) return child.program;
  if (!wine) return child.pid;
  for (const entry of fs.readdirSync("/proc")) {
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, "utf8");
      if (Number(stat.slice(stat.lastIndexOf(")") + 2).split(" ")[1]) === child.pid) return (child.program = Number(entry));
    } catch {
      // gone meanwhile
    }
  }
  return child.pid;
}

function request(url, { method = "GET", headers = {}, body } = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request(url, { method, headers }, (res) => {
      const chunks = [];
      res.on("data", (c) => chunks.push(c));
      res.on("end", () => resolve({ status: res.statusCode, headers: res.headers, body: Buffer.concat(chunks) }));
    });
    req.on("error", reject);
    if (body !== undefined) req.write(body);
    req.end();
  });
}

function filesUnder(dir) {
  if (!fs.existsSync(dir)) return [];
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? filesUnder(path.join(dir, e.name)) : [path.join(dir, e.name)]);
}

// --- Chromium over the DevTools pipe ------------------------------------------

class Browser {
  constructor(profile, extra = []) {
    this.child = spawn(options.chromium, [
      "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      `--user-data-dir=${profile}`, "--remote-debugging-pipe",
      // A site that is not the office's: a name only the browser knows, on
      // the loopback address.
      "--host-resolver-rules=MAP office.example 127.0.0.1",
      ...extra,
      "about:blank",
    ], { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    children.push(this.child);
    this.child.stderr.on("data", () => {});
    this.next = 1;
    this.waiting = new Map();
    this.listeners = [];
    let pending = "";
    this.child.stdio[4].on("data", (data) => {
      pending += data.toString("utf8");
      let end;
      while ((end = pending.indexOf("\0")) >= 0) {
        const message = JSON.parse(pending.slice(0, end));
        pending = pending.slice(end + 1);
        if (message.id !== undefined && this.waiting.has(message.id)) {
          const { resolve, reject } = this.waiting.get(message.id);
          this.waiting.delete(message.id);
          if (message.error) reject(new Error(message.error.message));
          else resolve(message.result);
        } else {
          for (const l of this.listeners.slice()) l(message);
        }
      }
    });
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.next++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.waiting.set(id, { resolve, reject });
      this.child.stdio[3].write(JSON.stringify(message) + "\0");
    });
  }

  event(method, sessionId) {
    return new Promise((resolve) => {
      const l = (m) => {
        if (m.method === method && m.sessionId === sessionId) {
          this.listeners.splice(this.listeners.indexOf(l), 1);
          resolve(m.params);
        }
      };
      this.listeners.push(l);
    });
  }

  async open(url) {
    const { targetId } = await this.send("Target.createTarget", { url: "about:blank" });
    const { sessionId } = await this.send("Target.attachToTarget", { targetId, flatten: true });
    (this.sessions ??= new Map()).set(sessionId, targetId);
    await this.send("Page.enable", {}, sessionId);
    const loaded = this.event("Page.loadEventFired", sessionId);
    await this.send("Page.navigate", { url }, sessionId);
    await loaded;
    return sessionId;
  }

  async close(page) {
    const { targetInfos } = await this.send("Target.getTargets");
    const info = targetInfos.find((t) => t.type === "page" && this.sessions?.get(page) === t.targetId);
    if (info) await this.send("Target.closeTarget", { targetId: info.targetId });
  }

  async evaluate(page, expression) {
    const r = await this.send("Runtime.evaluate", { expression, awaitPromise: true, returnByValue: true }, page);
    if (r.exceptionDetails) {
      throw new Error(r.exceptionDetails.exception?.description ?? r.exceptionDetails.text);
    }
    return r.result.value;
  }

  async quit() {
    try {
      await Promise.race([this.send("Browser.close"), new Promise((r) => setTimeout(r, 3000))]);
    } catch {
      // closing anyway
    }
    if (this.child.exitCode === null) this.child.kill("SIGTERM");
  }
}

// --- the runs ------------------------------------------------------------------

const seedDoc = path.join(work, "three_pages.doc");
const seedRoot = path.join(work, "seed");

let currentServer = null;
async function officeServer() {
  currentServer = await startListening(options.server, [
    "--port", "0", "--cookie", "sid=42",
    "--file", `seed.dat=${path.join(seedRoot, "c", "seed.dat")}`,
    "--page", `upload.jsp=${path.join(sources, "scripts", "form_upload", "upload.jsp")}`,
    "--page", `remark_exchange.html=${path.join(sources, "notaro-bridge", "remark_exchange.html")}`,
  ]);
  return currentServer;
}

async function uploaded(server) {
  const r = await request(`${server.url}/files/exchange.dat`, { headers: { Cookie: "sid=42" } });
  return r.status === 200 ? r.body : null;
}

async function bridge(root, extra = [], { anyUser = true } = {}) {
  fs.rmSync(root, { recursive: true, force: true });
  fs.mkdirSync(root, { recursive: true });
  let args = ["--port", "0", ...extra];
  if (wine) args = ["--port", "0", ...(anyUser ? ["--any-local-user"] : []), "--site-list", currentServer.url, ...extra];
  const started = await startListening(...bridgeCommand(args), { KIT_ROOT: root, KIT_MESSAGE_BOX_LOG: boxesLog() });
  started.child.bridge = true;
  return started;
}

// Message boxes of the Windows bridge go to a file: nobody is at wine's
// desktop to answer them.
function boxesLog() {
  const file = path.join(work, "message_boxes.log");
  return wine ? "Z:" + file.replaceAll("/", "\\") : file;
}

// The files a run may write: under KIT_ROOT, or on wine's drive C.
function writtenFiles(root) {
  if (!wine) return filesUnder(root);
  const drive = path.join(wine.prefix, "drive_c");
  return filesUnder(drive).filter((f) => !/^(windows|users|ProgramData|Program Files)[/]/.test(path.relative(drive, f)));
}

// The sockets a process holds that listen, from the system's socket table.
function listeningSockets(pid) {
  const inodes = new Set();
  for (const fd of fs.readdirSync(`/proc/${pid}/fd`)) {
    try {
      const m = /^socket:\[(\d+)\]$/.exec(fs.readlinkSync(`/proc/${pid}/fd/${fd}`));
      if (m) inodes.add(m[1]);
    } catch {
      // closed meanwhile
    }
  }
  const found = [];
  for (const table of ["tcp", "tcp6", "udp", "udp6"]) {
    const lines = fs.readFileSync(`/proc/net/${table}`, "utf8").trim().split("\n").slice(1);
    for (const line of lines) {
      const f = line.trim().split(/\s+/);
      const [local, state, inode] = [f[1], f[3], f[9]];
      // TCP sockets in LISTEN (0A); every UDP socket receives.
      if (!inodes.has(inode) || (table.startsWith("tcp") && state !== "0A")) continue;
      found.push({ table, local });
    }
  }
  return found;
}

// Every socket that listens on `port`, whoever holds it.
function socketsOnPort(port) {
  const found = [];
  for (const table of ["tcp", "tcp6", "udp", "udp6"]) {
    const lines = fs.readFileSync(`/proc/net/${table}`, "utf8").trim().split("\n").slice(1);
    for (const line of lines) {
      const f = line.trim().split(/\s+/);
      if (parseInt(f[1].split(":")[1], 16) !== port || (table.startsWith("tcp") && f[3] !== "0A")) continue;
      found.push({ table, local: f[1] });
    }
  }
  return found;
}

function addressOf({ table, local }) {
  const [hex, port] = local.split(":");
  if (hex.length !== 8) return `${table} [${hex}]:${parseInt(port, 16)}`;
  const bytes = hex.match(/../g).map((b) => parseInt(b, 16)).reverse();
  return `${table} ${bytes.join(".")}:${parseInt(port, 16)}`;
}

async function main() {
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(work, { recursive: true });

  // Remark data with pages and a stroke, made by the remark window.
  fs.writeFileSync(seedDoc, "First page\fSecond page\fThird page");
  const scripts = path.join(sources, "scripts");
  const seeded = await run(options.host, [
    "--word-standin", "--transfer-ready", "--ui", path.join(scripts, "remark_window.ui"),
    path.join(scripts, "remark_window.js"), seedDoc, "c:\\seed.dat",
  ], { KIT_ROOT: seedRoot });
  if (seeded.code !== 0) throw new Error(`the seed remark data was not made: ${seeded.out}${seeded.err}`);

  // The steps under notaro-host.
  let server = await officeServer();
  const hostRun = await run(options.host, [path.join(sources, "notaro-bridge", "remark_exchange.js"), server.url],
                            { KIT_ROOT: path.join(work, "host") });
  // The saved file holds the pages' names, which hold the test's folder.
  const savedSize = fs.existsSync(path.join(work, "host", "c", "saved.dat"))
    ? fs.statSync(path.join(work, "host", "c", "saved.dat")).size : -1;
  const expectedFile = (windows) => fs.readFileSync(
    path.join(sources, "notaro-bridge", windows ? "remark_exchange.win32.expected" : "remark_exchange.expected"), "utf8")
    .replace("@SAVED_SIZE@", String(savedSize));
  const expected = expectedFile(false);
  // What the bridge's controls say: the Windows file layer words a failure
  // its own way.
  const bridgeExpected = expectedFile(wine !== null);
  // Message boxes and transfer windows are the desktop's, not the page's.
  const hostLines = hostRun.out.split("\n").filter((l) => l && !l.startsWith("["));
  check("notaro-host runs the steps", hostRun.code === 0 && hostLines.join("\n") + "\n" === expected,
        hostRun.out + hostRun.err);
  const hostFile = await uploaded(server);
  check("the server received remark data from notaro-host", hostFile !== null && hostFile.length > 0);
  await stop(server.child);

  const browser = new Browser(path.join(work, "profile"));
  try {
    // The same steps in the browser, from a page on the loopback address.
    server = await officeServer();
    const first = await bridge(path.join(work, "bridge"));
    // Wine's server holds its programs' sockets: there, what listens on the
    // bridge's port.
    const sockets = (wine ? socketsOnPort(first.port) : listeningSockets(bridgeProcess(first.child))).map(addressOf);
    check("the bridge listens on the loopback address only",
          sockets.length === 1 && sockets[0] === `tcp 127.0.0.1:${first.port}`, sockets.join(", "));
    const rival = await run(...bridgeCommand(["--port", String(first.port)]), { KIT_ROOT: path.join(work, "second") });
    check("a second bridge cannot have the port", rival.code === 3 && rival.err.includes("is held by another program"),
          `exit ${rival.code}: ${rival.out}${rival.err}`);
    const pageUrl = `${server.url}/pages/remark_exchange.html?bridge=${first.port}`;
    const page = await browser.open(pageUrl);
    const lines = await browser.evaluate(page, "notaroLoaded.then(exchange)");
    check("the page does the steps through notaro.js", lines.join("\n") + "\n" === bridgeExpected, lines.join("\n"));
    const browserFile = await uploaded(server);
    check("the server received the same remark data file, byte for byte",
          browserFile !== null && hostFile !== null && browserFile.equals(hostFile),
          `${browserFile?.length} bytes against ${hostFile?.length}`);

    // A second page cannot reach the first page's control.
    const instance = await browser.evaluate(page, "hold()");
    const second = await browser.open(pageUrl);
    const answers = await browser.evaluate(second, `notaroLoaded.then(() => intrude(${instance}))`);
    check("a second page cannot touch the first page's control",
          answers.length === 3 && answers.every((a) => a.startsWith("404 ")), answers.join("; "));
    check("and the first page's control is as it left it", (await browser.evaluate(page, "heldPenWidth()")) === 5);

    // A page that is closed releases its controls.
    const secondToken = await browser.evaluate(second, "Notaro.create('Notaro.NotaroCtrl.1').then(sessionOf)");
    const touch = () => request(`http://127.0.0.1:${first.port}/touch`, {
      method: "POST",
      headers: { Host: `127.0.0.1:${first.port}`, Origin: server.url, "Content-Type": "application/json" },
      body: JSON.stringify({ session: secondToken }),
    });
    const before = (await touch()).status;
    await browser.close(second);
    let after = before;
    for (let waited = 0; waited < 5000 && after === 200; waited += 100) {
      await new Promise((r) => setTimeout(r, 100));
      after = (await touch()).status;
    }
    check("a closed page's controls are released", before === 200 && after === 404, `${before} then ${after}`);

    // The page's session token from another site's page does not help it.
    const token = await browser.evaluate(page, "sessionOf(held)");
    const stolen = await request(`http://127.0.0.1:${first.port}/call`, {
      method: "POST",
      headers: { Host: `127.0.0.1:${first.port}`, Origin: "http://10.9.8.7", "Content-Type": "application/json" },
      body: JSON.stringify({ session: token, instance, member: "PenWidth", kind: "get", args: [] }),
    });
    // Refused as a wrong token, or (where the desktop zones that address
    // as the internet) as a site that is not the office's.
    check("another origin holding the page's token is refused", [403, 404].includes(stolen.status),
          String(stolen.status));

    // DNS rebinding: a name of another site resolving to 127.0.0.1.
    for (const [what, url, headers] of [
      ["notaro.js", `http://127.0.0.1:${first.port}/notaro.js`, { Host: `office.example:${first.port}` }],
      ["a create", `http://127.0.0.1:${first.port}/create`,
       { Host: `office.example:${first.port}`, Origin: server.url, "Content-Type": "application/json" }],
      ["another port", `http://127.0.0.1:${first.port}/notaro.js`, { Host: `127.0.0.1:${first.port + 1}` }],
    ]) {
      const r = await request(url, { method: what === "a create" ? "POST" : "GET", headers,
                                     body: what === "a create" ? '{"progid":"Notaro.NotaroCtrl.1"}' : undefined });
      const why = r.body.toString();
      check(`a foreign Host is refused (${what})`, r.status === 403 && why.includes("foreign Host"), `${r.status} ${why}`);
    }
    // Another user of the desktop (where the test may be one): their
    // programs reach this user's bridge, and are refused. Under wine every
    // Linux program is one whose user the bridge cannot tell.
    if (wine) {
      const strict = await bridge(path.join(work, "strict"), [], { anyUser: false });
      const r = await request(`http://127.0.0.1:${strict.port}/create`, {
        method: "POST", headers: { Origin: server.url, "Content-Type": "application/json" },
        body: '{"progid":"Notaro.NotaroCtrl.1"}' });
      const said = `${r.status} ${r.body}`;
      check("a program whose user the bridge cannot tell is refused", r.status === 403 && said.includes("another user"), said);
      await stop(strict.child);
    } else if (process.getuid() === 0) {
      const probe = `require("http").request({ host: "127.0.0.1", port: ${first.port}, path: "/create", method: "POST",
        headers: { Origin: ${JSON.stringify(server.url)}, "Content-Type": "application/json" } }, (res) => {
          let body = ""; res.on("data", (d) => (body += d)); res.on("end", () => console.log(res.statusCode + " " + body));
        }).end('{"progid":"Notaro.NotaroCtrl.1"}');`;
      const stranger = spawn(process.execPath, ["-e", probe], { uid: 65534, gid: 65534, stdio: ["ignore", "pipe", "pipe"] });
      let said = "";
      stranger.stdout.on("data", (d) => (said += d));
      await new Promise((r) => stranger.on("close", r));
      check("another user's program is refused", said.startsWith("403 ") && said.includes("another user"), said);
    }
    const viaName = await browser.open(`http://office.example:${first.port}/notaro.js`);
    const shown = await browser.evaluate(viaName, "document.body.innerText");
    check("a page that reaches the bridge by another name gets no script", shown.includes("foreign Host"), shown);
    if (wine) {
      // As the package's uninstall ends it.
      const stopped = await run(...bridgeCommand(["--stop"]));
      const ended = await Promise.race([first.child.done.then(() => true), new Promise((r) => setTimeout(() => r(false), 10000))]);
      check("--stop ends the running bridge", stopped.code === 0 && ended, `exit ${stopped.code}, ended ${ended}`);
    }
    await stop(first.child);
    await stop(server.child);

    // The same page from a site the site lock does not answer.
    server = await officeServer();
    const refusedRoot = path.join(work, "refused");
    const filesBefore = writtenFiles(refusedRoot);
    const refusing = await bridge(refusedRoot);
    const foreign = `http://office.example:${server.port}`;
    const refusedPage = await browser.open(
      `${foreign}/pages/remark_exchange.html?bridge=${refusing.port}&server=${encodeURIComponent(server.url)}`);
    const refusedLines = await browser.evaluate(refusedPage, "notaroLoaded.then(exchange)");
    check("the page of another site cannot create the control",
          refusedLines.length === 1 && refusedLines[0].startsWith("create: -2146827859 "), refusedLines.join("\n"));
    const written = writtenFiles(refusedRoot).filter((f) => !filesBefore.includes(f));
    check("nothing is written for it", written.length === 0, written.join(", "));
    check("nothing reaches the office server for it", (await uploaded(server)) === null);
    await stop(refusing.child);
    check("the bridge says why", refusing.child.err.includes(`refused OPTIONS /create from ${foreign}: 403`),
          refusing.child.err);

    // The same site once it is on the office's site list.
    const listing = await bridge(path.join(work, "listed"), ["--site-list", `http://intranet.example;${foreign}/`]);
    const listedPage = await browser.open(
      `${foreign}/pages/remark_exchange.html?bridge=${listing.port}&server=${encodeURIComponent(server.url)}`);
    const listedLines = await browser.evaluate(listedPage, "notaroLoaded.then(exchange)");
    check("a site on the site list is answered", listedLines.join("\n") + "\n" === bridgeExpected,
          listedLines.join("\n"));
    const listedFile = await uploaded(server);
    check("and the server gets the same bytes", listedFile !== null && hostFile !== null && listedFile.equals(hostFile));
    await stop(listing.child);
    await stop(server.child);

    await deskDayWithWindows(browser);
  } finally {
    await browser.quit();
  }
  if (options["local-network"]) await localNetworkAccess(bridgeExpected, hostFile);
}

// --- the browser's local network access rules --------------------------------

// The policies the office's IT sets for its origins (docs/bridge.md): the
// plain-HTTP origin counts as secure, and its pages may reach the loopback
// address (the second name for browsers before 146).
function officePolicies(origin) {
  return {
    OverrideSecurityRestrictionsOnInsecureOrigin: [origin],
    LoopbackNetworkAllowedForUrls: [origin],
    LocalNetworkAccessAllowedForUrls: [origin],
  };
}

const policyFolder = "/etc/chromium/policies/managed";
const policyFile = path.join(policyFolder, `desktop-kit-bridge-test-${process.pid}.json`);
let policyFoldersMade = [];
function removePolicy() {
  fs.rmSync(policyFile, { force: true });
  for (const folder of policyFoldersMade.reverse()) {
    try {
      fs.rmdirSync(folder);
    } catch {
      // another policy file is there now
    }
  }
  policyFoldersMade = [];
}
process.on("exit", removePolicy);

// The office's page on a server the browser takes for an address of
// `space`, through a bridge whose site list names its origin; with the
// policies or without. The page's lines, or why notaro.js did not load.
async function officePage(server, bridgePort, space, withPolicy, tag) {
  const origin = `http://oa.example:${server.port}`;
  if (withPolicy) {
    for (const folder of ["/etc/chromium", "/etc/chromium/policies", policyFolder]) {
      if (!fs.existsSync(folder)) {
        fs.mkdirSync(folder);
        policyFoldersMade.push(folder);
      }
    }
    fs.writeFileSync(policyFile, JSON.stringify(officePolicies(origin)));
  }
  const browser = new Browser(path.join(work, `profile-${tag}`), [
    "--host-resolver-rules=MAP office.example 127.0.0.1, MAP oa.example 127.0.0.1",
    `--ip-address-space-overrides=127.0.0.1:${server.port}=${space}`,
  ]);
  try {
    const page = await browser.open(
      `${origin}/pages/remark_exchange.html?bridge=${bridgePort}&server=${encodeURIComponent(server.url)}`);
    return await browser.evaluate(page, "notaroLoaded.then(exchange, (e) => [String(e.message)])");
  } finally {
    await browser.quit();
    removePolicy();
  }
}

async function localNetworkAccess(bridgeExpected, hostFile) {
  let existing = policyFolder;
  while (!fs.existsSync(existing)) existing = path.dirname(existing);
  try {
    fs.accessSync(existing, fs.constants.W_OK);
  } catch {
    console.log("skip local network access: this Chromium reads policies only from /etc/chromium/policies, " +
                "which this user cannot write");
    return;
  }
  const server = await officeServer();
  const origin = `http://oa.example:${server.port}`;
  const listed = await bridge(path.join(work, "local-network"), ["--site-list", origin]);
  try {
    // A public address: the page cannot reach the bridge until IT allows it.
    const publicBare = await officePage(server, listed.port, "public", false, "public-bare");
    check("a page of a public-address server cannot load notaro.js without the policies",
          publicBare.length === 1 && publicBare[0] === "notaro.js did not load", publicBare.join("\n"));
    const publicAllowed = await officePage(server, listed.port, "public", true, "public-policy");
    check("with the office's policies it does the whole exchange", publicAllowed.join("\n") + "\n" === bridgeExpected,
          publicAllowed.join("\n"));
    const file = await uploaded(server);
    check("and the server gets the same bytes", file !== null && hostFile !== null && file.equals(hostFile));
    // A private-network address, as an office server has.
    const localBare = await officePage(server, listed.port, "local", false, "local-bare");
    const refused = localBare.length === 1 && localBare[0] === "notaro.js did not load";
    console.log(`info this Chromium ${refused ? "refuses" : "lets"} a page of a private-network server ` +
                `${refused ? "" : "reach "}the loopback address without the policies`);
    const localAllowed = await officePage(server, listed.port, "local", true, "local-policy");
    check("a page of a private-network server with the office's policies does the whole exchange",
          localAllowed.join("\n") + "\n" === bridgeExpected, localAllowed.join("\n"));
  } finally {
    await stop(listed.child);
    await stop(server.child);
  }
}

main()
  .catch((e) => {
    console.error(`browser_test: ${e.stack || e}`);
    failures++;
  })
  .finally(() => {
    clearTimeout(deadline);
    cleanUp();
    console.log(failures === 0 ? "all checks passed" : `${failures} check(s) failed`);
    process.exit(failures === 0 ? 0 : 1);
  });

// --- the controls' windows -----------------------------------------------------

// The day at a desk of desk_day.js, under notaro-host and through notaro.js
// with the same user (desk_day.ui for the remark window, quillpad_sign.ui
// for the pad): the server gets the same remark data file, byte for byte,
// and a signature of the same pixels; the remark window shows and does the
// same, the pad's window is where the page put it, and the message boxes and
// the transfer window say the same. Then, while one page's remark window is
// open, another page is told the bridge is busy and the page's own request
// waits for the window. A bridge that shows real windows has no user here.
async function deskDayWithWindows(browser) {
  if (options["wine-run"]) {
    console.log("skip the controls' windows: nobody works a real window here");
    return;
  }
  const readText = (file) => (fs.existsSync(file) ? fs.readFileSync(file, "utf8") : "");
  const desktopLines = (out) => out.split("\n").filter((l) => l.startsWith("["));
  const fetched = async (server, name) => {
    const r = await request(`${server.url}/files/${name}`, { headers: { Cookie: "sid=42" } });
    return r.status === 200 ? r.body : null;
  };
  const events = path.join(work, "desk.ui");
  fs.writeFileSync(events, readText(path.join(sources, "notaro-bridge", "desk_day.ui")) +
                           readText(path.join(sources, "scripts", "quillpad_sign.ui")));
  const expected = readText(path.join(sources, "notaro-bridge", "desk_day.expected"));
  const server = await officeServer();
  try {
    const hostLog = path.join(work, "desk-host-windows.log");
    const host = await run(options.host, ["--ui", events, "--ui-log", hostLog,
                                          path.join(sources, "notaro-bridge", "desk_day.js"), server.url],
                           { KIT_ROOT: path.join(work, "desk-host") });
    check("notaro-host does the day at the desk",
          host.code === 0 && host.out.split("\n").filter((l) => l && !l.startsWith("[")).join("\n") + "\n" === expected,
          host.out + host.err);
    const [hostData, hostJpeg] = [await fetched(server, "desk.dat"), await fetched(server, "Quillpad.JPG")];
    const hostDesktop = desktopLines(host.out);
    check("notaro-host showed the transfer window and a message box",
          hostDesktop.some((l) => l.startsWith("[status] ")) && hostDesktop.some((l) => l.startsWith("[message box] ")),
          hostDesktop.join("\n"));

    const bridgeLog = path.join(work, "desk-bridge-windows.log");
    const desk = await bridge(path.join(work, "desk-bridge"), ["--ui", events, "--ui-log", bridgeLog]);
    const page = await browser.open(`${server.url}/pages/remark_exchange.html?bridge=${desk.port}`);
    const day = await browser.evaluate(page, "notaroLoaded.then(deskDay)");
    check("the page does the day at the desk through notaro.js", day.lines.join("\n") + "\n" === expected,
          day.lines.join("\n"));
    const data = await fetched(server, "desk.dat");
    check("the server received the same remark data file, byte for byte",
          data !== null && hostData !== null && data.equals(hostData), `${data?.length} bytes against ${hostData?.length}`);
    // The remark window's part of the logs, up to its end.
    const windowPart = (log) => {
      const end = 'destroyed "Notaro"\n';
      return log.includes(end) ? log.slice(0, log.indexOf(end) + end.length) : "";
    };
    const [hostWindows, bridgeWindows] = [readText(hostLog), readText(bridgeLog)];
    check("the remark window showed and did the same as under notaro-host",
          windowPart(hostWindows).includes("popup chose 3 型") && windowPart(bridgeWindows) === windowPart(hostWindows),
          bridgeWindows);
    const { left, top, width, height } = day.place;
    const padPart = bridgeWindows.slice(windowPart(bridgeWindows).length);
    check("the pad's window is where the page put it, and the user signed on it",
          width === 396 && height === 235 && padPart.startsWith(`frame "Quillpad" 396x235 at ${left},${top} owner 0\n`) &&
          padPart.includes("popup chose 红色") && padPart.trimEnd().endsWith("close"), padPart);
    const jpeg = await fetched(server, "Quillpad.JPG");
    const pictures = jpeg === null || hostJpeg === null ? null : await browser.evaluate(
      page, `(${comparePictures})(${JSON.stringify(jpeg.toString("base64"))}, ${JSON.stringify(hostJpeg.toString("base64"))})`);
    check("the uploaded signature has the pixels of notaro-host's",
          pictures !== null && pictures.sizes.join() === "396x211,396x211" && pictures.differing === 0 &&
          pictures.inked > 500 && pictures.red > 50, JSON.stringify(pictures));
    await stop(desk.child);
    const bridgeDesktop = desktopLines(desk.child.out);
    check("the message boxes and the transfer window said what they say under notaro-host",
          bridgeDesktop.join("\n") === hostDesktop.join("\n"), bridgeDesktop.join("\n"));

    // While one page's remark window is open (its user waits 3 s before
    // closing it).
    const busyEvents = path.join(work, "busy.ui");
    fs.writeFileSync(busyEvents, "wait 3000\nclose\n");
    const busyLog = path.join(work, "busy-windows.log");
    const holding = await bridge(path.join(work, "busy"), ["--transfer-ready", "--ui", busyEvents, "--ui-log", busyLog]);
    const url = `${server.url}/pages/remark_exchange.html?bridge=${holding.port}`;
    const [owner, neighbour] = [await browser.open(url), await browser.open(url)];
    await browser.evaluate(neighbour, "notaroLoaded.then(() => true)");
    await browser.evaluate(owner, "notaroLoaded.then(openRemark).then(() => true)");
    let opened = false;
    for (let waited = 0; waited < 10000 && !opened; waited += 20) {
      opened = readText(busyLog).includes('shown "Notaro"');
      if (!opened) await new Promise((r) => setTimeout(r, 20));
    }
    await browser.evaluate(owner, "askMeanwhile(), true");
    const told = await browser.evaluate(neighbour, "tryCreate()");
    await new Promise((r) => setTimeout(r, 300));
    const waiting = !(await browser.evaluate(owner, "meanwhile.answered"));
    check("the remark window opens and stays open for the checks",
          opened && !readText(busyLog).includes('destroyed "Notaro"'), readText(busyLog));
    check("another page is told at once that the bridge is busy",
          told.startsWith("-2147417846 ") && told.includes("busy") && told.includes("(Notaro.OpenRemark)"), told);
    check("the page's own request waits while its window is open", waiting);
    const afterwards = await browser.evaluate(owner, "afterRemark()");
    check("and is answered once the window is closed",
          afterwards === 2 && readText(busyLog).includes('destroyed "Notaro"'), String(afterwards));
    check("then another page's controls are made again", (await browser.evaluate(neighbour, "tryCreate()")) === "created");
    await stop(holding.child);
  } finally {
    await stop(server.child);
  }
}

// Two JPEGs decoded by the browser: their sizes, the pixels that differ, and
// the inked and the red ones of the first.
async function comparePictures(a, b) {
  async function pixels(base64) {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const bitmap = await createImageBitmap(new Blob([bytes], { type: "image/jpeg" }));
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const g = canvas.getContext("2d");
    g.drawImage(bitmap, 0, 0);
    return { size: bitmap.width + "x" + bitmap.height, data: g.getImageData(0, 0, bitmap.width, bitmap.height).data };
  }
  const [p, q] = [await pixels(a), await pixels(b)];
  let differing = 0, inked = 0, red = 0;
  for (let i = 0; i < p.data.length; i += 4) {
    if (p.data[i] !== q.data[i] || p.data[i + 1] !== q.data[i + 1] || p.data[i + 2] !== q.data[i + 2]) differing++;
    if (p.data[i] < 160 || p.data[i + 1] < 160 || p.data[i + 2] < 160) inked++;
    if (p.data[i] > 200 && p.data[i + 1] < 90 && p.data[i + 2] < 90) red++;
  }
  return { sizes: [p.size, q.size], differing, inked, red };
}
