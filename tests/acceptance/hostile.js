#!/usr/bin/env node
"use strict";
// A station against a hostile OPC UA server: one etikord talks to the simulated PLC through
// tools/uaproxy, which breaks the framing, aborts responses, floods partial messages, sends
// decoder bombs, wrong channel and sequence numbers, service faults and a crawling stream.
// After each scenario the proxy passes traffic on again and the station must serve the next
// request normally. Throughout, the station must not end, its memory must stay within a bound
// above its idle size, it must keep writing its communication log and report the trouble
// there or on its output.

const { execFileSync } = require("node:child_process");
const { Console } = require("node:console");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { performance } = require("node:perf_hooks");
const { parseArgs } = require("node:util");

const root = path.resolve(__dirname, "../..");
const { freePort } = require(path.join(root, "tools/plcsim/lib/ports"));

const USAGE = `usage: hostile.js [options]
  --etikord <file>     the service binary (default: build/apps/etikord/etikord of the checkout)
  --scenarios <a,b,…>  only these scenarios (default: all; --list names them)
  --on <s>             how long each scenario stays switched on (default 6)
  --recover <s>        how long the station has to answer after it (default 30)
  --bound <MB>         memory above the idle size a station may take (default 64)
  --kill-above <MB>    a station above this much more than idle is killed (default 512)
  --deadline <s>       the whole run ends after this long, failed (default 540)
  --json <file>        write the results there
  --keep               keep the work folder (it is kept anyway when something failed)
  --list               name the scenarios and end`;

// Each scenario: what the proxy does (proxy), or which service faults (fault: by the proxy,
// refuse: by the simulated PLC, which then really refuses), and what provokes the traffic it
// needs beyond the raised request and the station's steady reads: "drop" resets the
// station's connection (so it re-activates its session and rebuilds the link), "restart"
// restarts the PLC (so it needs a new session and subscription).
const SCENARIOS = [
    { id: "truncate", what: "a response cut off within its chunk, then the connection closed" },
    { id: "size-over", what: "a chunk whose size field claims more than its data" },
    { id: "size-under", what: "a chunk whose size field is smaller than the header" },
    { id: "oversized", what: "a chunk header claiming 256 MiB, then filler" },
    { id: "abort", what: "abort chunks in place of responses" },
    { id: "flood", what: "endless continuation chunks with ever new request ids" },
    { id: "flood-before-open", provoke: "drop", what: "continuation chunks before the channel is open" },
    { id: "nested", what: "Read responses nested far beyond 100 levels" },
    { id: "null-variants", what: "Read responses of MBs of null Variant arrays" },
    { id: "wrong-channel", what: "responses on another secure channel id" },
    { id: "repeat-sequence", what: "responses repeating a sequence number" },
    { id: "skip-sequence", what: "responses skipping a sequence number" },
    { fault: "CreateSession", provoke: "restart" },
    { fault: "ActivateSession", provoke: "drop" },
    { fault: "Read" },
    { fault: "Write" },
    { fault: "TranslateBrowsePathsToNodeIds", provoke: "drop" },
    { refuse: "CreateSubscription", provoke: "restart" },
    { refuse: "CreateMonitoredItems", provoke: "drop" },
    { refuse: "Publish" },
    // The drop rebuilds the link; only a record that watched its flag deletes a monitored
    // item, and the record before may not have (the previous scenario refused the watch), so
    // the second drop is the one that surely asks.
    { fault: "DeleteMonitoredItems", provoke: "drop", again: true },
    { id: "dribble", what: "the server's bytes at one a second" }
];
for (const s of SCENARIOS) {
    const service = s.fault ?? s.refuse;
    if (service) {
        s.id = `fault-${service}`;
        s.what = `a ServiceFault for every ${service}${s.refuse ? " (the PLC refuses)" : ""}`;
    } else {
        s.proxy = s.id;
    }
}

function readOptions(argv) {
    const { values } = parseArgs({
        args: argv,
        options: Object.fromEntries(
            ["etikord", "scenarios", "on", "recover", "bound", "kill-above", "deadline", "json"]
                .map((k) => [k, { type: "string" }])
                .concat(["keep", "list", "help"].map((k) => [k, { type: "boolean" }]))
        )
    });
    if (values.help) {
        process.stdout.write(USAGE + "\n");
        process.exit(0);
    }
    if (values.list) {
        for (const s of SCENARIOS) process.stdout.write(`${s.id.padEnd(38)} ${s.what}\n`);
        process.exit(0);
    }
    const number = (flag, fallback) => {
        const n = Number(values[flag] ?? fallback);
        if (!(n > 0) || !Number.isFinite(n)) throw new Error(`bad value for --${flag}: "${values[flag]}"`);
        return n;
    };
    const o = {
        etikord: path.resolve(values.etikord ?? path.join(root, "build/apps/etikord/etikord")),
        scenarios: values.scenarios?.split(",").filter(Boolean) ?? SCENARIOS.map((s) => s.id),
        onS: number("on", 6),
        recoverS: number("recover", 30),
        boundMb: number("bound", 64),
        killMb: number("kill-above", 512),
        deadlineS: number("deadline", 540),
        json: values.json && path.resolve(values.json),
        keep: Boolean(values.keep)
    };
    for (const id of o.scenarios) if (!SCENARIOS.some((s) => s.id === id)) throw new Error(`unknown scenario "${id}"`);
    if (o.killMb <= o.boundMb) throw new Error("--kill-above must be above --bound");
    return o;
}

let options;
try {
    options = readOptions(process.argv.slice(2));
} catch (err) {
    process.stderr.write(`hostile: ${err.message}\n${USAGE}\n`);
    process.exit(2);
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), "etikor-hostile-"));
// The OPC UA stack talks on the console; that goes to a file, the test's own lines do not.
globalThis.console = new Console(fs.createWriteStream(path.join(work, "opcua.log")));

const { StatusCodes } = require(path.join(root, "tools/plcsim/node_modules/node-opcua"));
const { PlcServer } = require(path.join(root, "tools/plcsim/lib/server"));
const { buildStation } = require(path.join(root, "tools/plcsim/lib/station"));
const { Station } = require(path.join(root, "tools/soak/lib/station"));
const { UaProxy } = require(path.join(root, "tools/uaproxy/lib/proxy"));

const MODULE = "Hostile";
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const t0 = performance.now();
const now = () => performance.now() - t0;
const say = (line) => process.stdout.write(line + "\n");
const mb = (kb) => (kb / 1024).toFixed(1);

// Everything that happens, with its time, for the trace file and a failed scenario's story.
const events = [];
function note(text) {
    events.push({ t: now(), text });
}

const statusNames = new Map();
for (const [name, code] of Object.entries(StatusCodes)) {
    if (code && typeof code.value === "number") statusNames.set(code.value >>> 0, name);
}
const statusName = (v) => statusNames.get(v >>> 0) ?? `0x${(v >>> 0).toString(16)}`;

// ---------------------------------------------------------------------------------------
// The world: PLC, proxy, station

const table = buildStation(MODULE);
const variable = (suffix) => table.get(`${MODULE}.${suffix}`);
const commands = path.join(work, "commands.txt"); // one line per command the station ran
const database = path.join(work, "Druckdaten.db");
const world = { plc: null, proxy: null, station: null, stations: 0, sessions: 0 };

const memory = {
    idleKb: 0, // the station's idle size, measured after its first requests
    currentKb: 0,
    peakKb: 0, // since the window began
    overallPeakAboveKb: 0,
    killed: null, // { rssKb } when the watch killed the station
    timer: null
};

let current = null; // the request raised now: { barcode, raisedAt, err, clearedAt }
const strayClears = [];

function onWrite(v, value) {
    const name = v.name.slice(MODULE.length + 1);
    note(`write ${name} = ${JSON.stringify(value)}`);
    if (!current) return;
    if (name === "Print.anfordErr") current.err = value;
    if (name !== "Print.anford" || value !== false) return;
    if (current.clearedAt !== undefined) {
        strayClears.push({ barcode: current.barcode, at: now() });
        note(`second clear for ${current.barcode}`);
        return;
    }
    current.clearedAt = now();
}

async function startPlc() {
    world.plc = new PlcServer({
        port: await freePort(),
        module: MODULE,
        table,
        pkiDir: path.join(process.env.XDG_CACHE_HOME || path.join(os.homedir(), ".cache"), "etikor-plcsim", "pki")
    });
    world.plc.on("log", (text) => {
        note(`plc: ${text}`);
        if (text.startsWith("session activated")) world.sessions++;
    });
    world.plc.on("write", onWrite);
    await world.plc.start();
}

function buildDatabase() {
    const sample = fs.readFileSync(path.join(root, "packaging/sample/Druckdaten.sql"), "utf8");
    execFileSync("sqlite3", [database], { input: sample });
}

// The station's own output, line by line with its time.
const output = [];

async function startStation() {
    const n = ++world.stations;
    const station = new Station({
        name: String(n),
        dir: path.join(work, `station-${n}`),
        module: MODULE,
        etikord: options.etikord,
        onOutput: (line) => {
            output.push({ t: now(), line });
            note(`etikord: ${line}`);
        }
    });
    station.writeConfig({
        database,
        plcPort: world.proxy.port,
        printerPort: 9, // not used: a command-line station prints nothing itself
        commandLine: `${path.join(root, "tools/soak/cmdprint.sh")} ${commands} #~#`
    });
    const sessionsBefore = world.sessions;
    await station.start();
    world.station = station;
    memory.killed = null;
    note(`etikord ${n} started, pid ${station.pid}`);
    station.exited.then((exit) => note(`etikord ${n} ended: code ${exit.code} signal ${exit.signal}`));
    const end = Date.now() + 60000;
    while (world.sessions === sessionsBefore) {
        if (station.exit) throw new Error(`etikord ended at start: code ${station.exit.code} signal ${station.exit.signal}`);
        if (Date.now() > end) throw new Error("the station did not open a session within a minute");
        await sleep(100);
    }
    // A few requests, then the idle size.
    for (let i = 1; i <= 3; i++) {
        const r = await request(`W${n}-${i}`, 20000);
        if (r.clearedAt === undefined) throw new Error(`warm-up request ${r.barcode} not answered`);
    }
    await sleep(1500);
    let idle = 0;
    for (let i = 0; i < 10; i++) {
        idle = Math.max(idle, rssKb() ?? 0);
        await sleep(100);
    }
    memory.idleKb = idle;
    note(`etikord ${n} idle at ${mb(idle)} MB`);
}

async function stopStation() {
    const s = world.station;
    if (!s) return;
    world.station = null;
    await s.stop(10000);
}

// A process that ended but is not reaped yet has no resident size.
function rssKb() {
    const kb = world.station?.usage()?.rssKb;
    return Number.isFinite(kb) ? kb : null;
}

// Watches the station's memory every 50 ms: a decoder that amplifies can take gigabytes in a
// second, and the machine running the test must survive it.
function watchMemory() {
    memory.timer = setInterval(() => {
        const kb = rssKb();
        if (kb === null || !memory.idleKb) return;
        memory.currentKb = kb;
        memory.peakKb = Math.max(memory.peakKb, kb);
        memory.overallPeakAboveKb = Math.max(memory.overallPeakAboveKb, kb - memory.idleKb);
        if (kb - memory.idleKb > options.killMb * 1024 && !memory.killed) {
            memory.killed = { rssKb: kb };
            note(`etikord killed at ${mb(kb)} MB`);
            world.station.kill();
        }
    }, 50);
}

// ---------------------------------------------------------------------------------------
// Requests

let barcodes = 0;
function raise(barcode) {
    current = { barcode, raisedAt: now() };
    world.plc.setValue(variable("Print.Barcode"), barcode);
    world.plc.setValue(variable("Print.CmdLine"), "");
    world.plc.setValue(variable("Print.anford"), true);
    note(`raise ${barcode}`);
    return current;
}

/** Waits until `r` is cleared, the time is up or the station ended. */
async function answered(r, timeoutMs) {
    const end = now() + timeoutMs;
    while (r.clearedAt === undefined && now() < end && !world.station?.exit) await sleep(50);
    return r.clearedAt !== undefined;
}

async function request(barcode, timeoutMs) {
    const r = raise(barcode);
    await answered(r, timeoutMs);
    return r;
}

// Files the station writes, read as they are now; one not there yet is empty.
const readOr = (read, fallback) => {
    try {
        return read();
    } catch {
        return fallback;
    }
};
/** The barcodes the station ran its command for, in order; an empty one stays in. */
const commandRuns = () => readOr(() => fs.readFileSync(commands, "utf8"), "").split("\n").slice(0, -1);
const fileSize = (file) => readOr(() => fs.statSync(file).size, 0);
// A log that shrank since (a new file) is read whole.
const readFrom = (file, offset) =>
    readOr(() => {
        const b = fs.readFileSync(file);
        return b.subarray(b.length >= offset ? offset : 0).toString("latin1");
    }, "");

// A line that tells of trouble with the link: an OPC UA status, a lost connection or
// subscription, a refused or failed operation. Request records and "found raised by a
// check read" say nothing about the failure itself.
const TROUBLE = /\bBad[A-Z][A-Za-z]+|\blost\b|\bfail|\berror|not written|refus|time-?out|closed/i;
// A service fault is reported when its status is named: the connection lost by the drop
// that provoked the service would otherwise pass for the report.
const FAULT_STATUS = "BadTooManyOperations";

// ---------------------------------------------------------------------------------------
// One scenario

// Counts of the proxy that come with a scenario's acts rather than count them.
const SECONDARY_COUNTS = new Set([
    "connections",
    "filler bytes",
    "null-variant bytes",
    "open responses held",
    "requests kept from the server"
]);

async function runScenario(s, index) {
    const r = { id: s.id, what: s.what, problems: [] };
    const station = world.station;
    const log = station.commLog;
    const logStart = fileSize(log);
    const outputStart = output.length;
    const runsStart = commandRuns().length;
    const countsBefore = { ...world.proxy.counts };
    memory.peakKb = memory.currentKb;
    strayClears.length = 0;
    const responses = []; // what the server answered after the switch-off
    let switchedOff = false;
    const onResponse = (x) => switchedOff && x.status !== undefined && x.status !== 0 && responses.push(x);
    world.proxy.on("response", onResponse);

    // On.
    r.onAt = now();
    note(`scenario ${s.id} on`);
    if (s.proxy) world.proxy.set(s.proxy);
    if (s.fault) world.proxy.set("fault", { services: [s.fault], status: StatusCodes[FAULT_STATUS].value });
    const refusals = 1e9;
    if (s.refuse) world.plc.refuse(s.refuse, refusals, FAULT_STATUS);
    if (s.provoke === "drop") note(`proxy dropped ${world.proxy.drop()} connections`);
    if (s.provoke === "restart") {
        await world.plc.restart();
        note("plc restarted");
    }
    const tag = `H${String(index + 1).padStart(2, "0")}`;
    await sleep(500);
    const during = raise(`${tag}D`);
    let waited = 500;
    if (s.again) {
        await sleep(2000);
        waited += 2000;
        note(`proxy dropped ${world.proxy.drop()} connections again`);
    }
    await sleep(Math.max(0, options.onS * 1000 - waited));

    // Off.
    if (s.refuse) {
        r.applied = refusals - (world.plc.refusals.get(s.refuse)?.count ?? refusals);
        world.plc.refuse(s.refuse, 0);
    }
    world.proxy.off();
    switchedOff = true;
    r.offAt = now();
    note(`scenario ${s.id} off`);
    if (!s.refuse) {
        const after = world.proxy.counts;
        r.applied = Object.keys(after)
            .filter((k) => !SECONDARY_COUNTS.has(k))
            .reduce((n, k) => n + (after[k] - (countsBefore[k] ?? 0)), 0);
    }

    // The request raised during the scenario is answered once the station is back, then a
    // fresh one must be served normally.
    const alive = () => !world.station?.exit;
    const limit = options.recoverS * 1000;
    let fresh = null;
    if (during.clearedAt === undefined && alive()) {
        if (!(await answered(during, limit)) && alive()) r.problems.push(`the request raised during the scenario was not answered within ${options.recoverS} s after it`);
    }
    if (during.clearedAt !== undefined && alive()) {
        fresh = await request(`${tag}A`, limit);
        if (fresh.clearedAt === undefined && alive()) r.problems.push(`the request after the scenario was not answered within ${options.recoverS} s`);
    }
    r.recoveredS = fresh?.clearedAt !== undefined ? (fresh.clearedAt - r.offAt) / 1000 : null;
    await sleep(300); // the log entry of the answer is written after the clear
    world.proxy.removeListener("response", onResponse);

    // What happened.
    r.ended = Boolean(station.exit);
    if (station.exit) {
        if (memory.killed) {
            r.problems.push(`memory grew past ${options.killMb} MB above idle (${mb(memory.killed.rssKb)} MB): killed`);
        } else {
            r.problems.push(`the station ended: code ${station.exit.code} signal ${station.exit.signal}`);
        }
    }
    r.peakAboveMb = Number(mb(Math.max(0, memory.peakKb - memory.idleKb)));
    if (r.peakAboveMb > options.boundMb && !memory.killed) {
        r.problems.push(`memory grew ${r.peakAboveMb} MB above idle (bound ${options.boundMb} MB)`);
    }
    if (!r.applied) r.problems.push("the scenario never took effect (nothing provoked it): this run says nothing about it");
    if (fresh?.clearedAt !== undefined) {
        if (fresh.err === undefined) r.problems.push("the request after the scenario was cleared without a result written");
        else if (fresh.err !== 0) r.problems.push(`the request after the scenario was answered ${fresh.err}, not 0`);
    }
    const runs = commandRuns().slice(runsStart);
    const expected = new Set([during.barcode, fresh?.barcode]);
    const wrong = runs.filter((b) => !expected.has(b));
    if (wrong.length) r.problems.push(`the command ran for ${wrong.map((b) => JSON.stringify(b)).join(", ")}, not a raised barcode`);
    const duringRuns = runs.filter((b) => b === during.barcode).length;
    if (duringRuns > 1) r.problems.push(`the request raised during the scenario ran its command ${duringRuns} times`);
    if (fresh?.clearedAt !== undefined) {
        const n = runs.filter((b) => b === fresh.barcode).length;
        if (n !== 1) r.problems.push(`the request after the scenario ran its command ${n} times`);
    }
    if (strayClears.length) r.problems.push(`a flag cleared twice (${strayClears.map((c) => c.barcode).join(", ")})`);
    const newLog = readFrom(log, logStart);
    r.logGrewBytes = fileSize(log) - logStart;
    if (r.logGrewBytes <= 0 && alive()) r.problems.push("the communication log was not written");
    // The service repeats its log entries on its output, with the time they came; the
    // earliest line of trouble is the one that tells of the scenario rather than of the
    // recovery after it.
    const reports = [
        ...output.slice(outputStart).map((o) => o.line),
        ...newLog.split(/\r*\n/)
    ].filter((l) => (s.fault || s.refuse ? l.includes(FAULT_STATUS) : TROUBLE.test(l)));
    r.report = reports[0]?.trim() ?? null;
    if (!reports.length && !r.ended) {
        r.problems.push(s.fault || s.refuse
            ? `the fault (${FAULT_STATUS}) was reported neither in the communication log nor on the output`
            : "the trouble was reported neither in the communication log nor on the output");
    }
    // The server's own bad answers after the switch-off tell why a recovery was slow.
    const bad = new Map();
    for (const x of responses) {
        const k = `${x.service} ${statusName(x.status)}`;
        bad.set(k, (bad.get(k) ?? 0) + 1);
    }
    r.serverAfter = [...bad].map(([k, n]) => `${k} x${n}`);
    r.ok = r.problems.length === 0;
    return r;
}

function line(r) {
    const outcome = r.ok ? "ok  " : "FAIL";
    const recovered = r.recoveredS === null ? "not recovered" : `recovered in ${r.recoveredS.toFixed(1)} s`;
    const report = r.report ? `  reported: ${r.report.length > 70 ? r.report.slice(0, 67) + "..." : r.report}` : "";
    return `hostile: ${r.id.padEnd(36)} ${outcome}  peak +${String(r.peakAboveMb).padStart(6)} MB  ` +
        `${recovered.padEnd(19)} applied ${String(r.applied).padEnd(8)}${report}`;
}

// ---------------------------------------------------------------------------------------
// Start, end and the emergency exit

let cleaning = false;
async function cleanUp() {
    clearInterval(memory.timer);
    world.station?.kill();
    await Promise.race([world.station?.exited, sleep(3000)]);
    await world.proxy?.stop().catch(() => {});
    await Promise.race([world.plc?.stop().catch(() => {}), sleep(5000)]);
}

async function emergency(why, code) {
    if (cleaning) return;
    cleaning = true;
    process.stderr.write(`hostile: ${why}; stopping everything\n`);
    await cleanUp();
    writeTrace();
    process.stderr.write(`hostile: work folder ${work}\n`);
    process.exit(code);
}

function writeTrace() {
    try {
        fs.writeFileSync(path.join(work, "events.log"), events.map((e) => `${(e.t / 1000).toFixed(3)} ${e.text}\n`).join(""));
    } catch {
        // the trace is a help, not a result
    }
}

process.on("SIGINT", () => emergency("interrupted", 130));
process.on("SIGTERM", () => emergency("terminated", 143));
process.on("uncaughtException", (err) => emergency(`error: ${err.stack}`, 2));
process.on("unhandledRejection", (err) => emergency(`error: ${err?.stack ?? err}`, 2));

/** After a failed scenario the next one starts from scratch: a fresh PLC and station. */
async function reset() {
    note("reset: new PLC sessions and a new station");
    current = null;
    world.plc.setValue(variable("Print.anford"), false);
    await stopStation();
    await world.plc.restart();
    await startStation();
}

async function main() {
    const deadline = setTimeout(() => emergency(`not done within ${options.deadlineS} s`, 1), options.deadlineS * 1000);
    deadline.unref();
    say(`hostile: ${options.scenarios.length} scenarios, ${options.onS} s each, etikord ${options.etikord}, work folder ${work}`);
    // The station's command line is split at blanks, with no shell to quote for it.
    if (/\s/.test(root + work)) throw new Error("the checkout and the work folder must not have blanks in their paths");
    buildDatabase();
    fs.writeFileSync(commands, "");
    await startPlc();
    world.proxy = new UaProxy({ targetHost: "127.0.0.1", targetPort: world.plc.port });
    world.proxy.on("log", (text) => note(`proxy: ${text}`));
    await world.proxy.start();
    note(`plc on ${world.plc.port}, proxy on ${world.proxy.port}`);
    watchMemory();
    await startStation();
    say(`hostile: station idle at ${mb(memory.idleKb)} MB; bound ${options.boundMb} MB above it`);

    const results = [];
    const chosen = SCENARIOS.filter((s) => options.scenarios.includes(s.id));
    for (const [i, s] of chosen.entries()) {
        const r = await runScenario(s, SCENARIOS.indexOf(s));
        results.push(r);
        say(line(r));
        for (const p of r.problems) say(`           ${p}`);
        if (!r.ok && r.serverAfter.length) say(`           the server answered after the switch-off: ${r.serverAfter.join(", ")}`);
        // A station that ended, did not come back or kept its memory would spoil the next
        // scenario's result.
        const spoilt = r.ended || r.recoveredS === null || r.peakAboveMb > options.boundMb;
        if (spoilt && i + 1 < chosen.length) await reset();
    }

    const durationS = now() / 1000;
    await stopStation();
    await cleanUp();
    writeTrace();
    const failed = results.filter((r) => !r.ok);
    say("");
    say(`hostile: ${results.length - failed.length} of ${results.length} scenarios passed in ${durationS.toFixed(0)} s; ` +
        `memory peak ${mb(memory.overallPeakAboveKb)} MB above idle`);
    if (options.json) fs.writeFileSync(options.json, JSON.stringify({ options, durationS, results }, null, 1));
    if (failed.length || options.keep) say(`hostile: work folder kept: ${work} (events.log, station-*/etikord.out)`);
    else fs.rmSync(work, { recursive: true, force: true });
    say(failed.length ? `hostile: FAILED: ${failed.map((r) => r.id).join(", ")}` : "hostile: passed");
    process.exit(failed.length ? 1 : 0);
}

main().catch((err) => emergency(`error: ${err.stack}`, 2));
