#!/usr/bin/env node
"use strict";
// Fault soak: two real Etikor stations (etikord) serve requests that simulated PLCs raise
// the way a machine does, one after the other and often at once after the previous answer,
// while the PLC link, the socket printer, the print database and the disk fail at random
// moments. Every request is accounted for: answered once, answered with an error, lost,
// served twice, printed twice. See README.md.

const { execFileSync } = require("node:child_process");
const { Console } = require("node:console");
const { createHash } = require("node:crypto");
const fs = require("node:fs");
const { freePort } = require("../plcsim/lib/ports");
const os = require("node:os");
const path = require("node:path");
const { performance } = require("node:perf_hooks");
const { makePlan, FAULTS } = require("./lib/plan");

const USAGE = `usage: soak.js [options]
  --build <dir>       build folder holding apps/etikord/etikord (default: build of the checkout)
  --requests <n>      requests in all (default 1000)
  --faults <n>        faults in all, every kind in turn (default: one per 15 requests)
  --fault-kinds <k,…> only these kinds of faults (default: all; see README.md)
  --seed <n>          seed of every random choice (default 1)
  --sampling <ms>     sampling interval of the simulated PLCs (default 20)
  --lost-after <s>    a request not answered this long is lost (default 40)
  --max-lost <n>      stop raising new requests after this many lost ones (default: never)
  --silent-printer    station A keeps printer failures from the PLC (the stations' old way,
                      no FailedJobToPLC option); a request answered 0 whose label was not
                      printed is then counted but no failure
  --json <file>       write the results there
  --keep              keep the work folder (it is kept anyway when something failed)`;

function parseArgs(argv) {
    const o = {
        build: path.resolve(__dirname, "../../build"),
        requests: 1000,
        faults: undefined,
        faultKinds: Object.keys(FAULTS),
        seed: 1,
        sampling: 20,
        lostAfter: 40,
        maxLost: Infinity,
        json: undefined,
        keep: false,
        requirePrint: true,
        warmup: 5
    };
    const number = (flag, v, min) => {
        const n = Number(v);
        if (!(n >= min) || !Number.isFinite(n)) throw new Error(`bad value for ${flag}: "${v}"`);
        return n;
    };
    for (let i = 0; i < argv.length; i++) {
        const flag = argv[i];
        const value = () => {
            if (i + 1 >= argv.length) throw new Error(`${flag} needs a value`);
            return argv[++i];
        };
        switch (flag) {
            case "--build": o.build = path.resolve(value()); break;
            case "--requests": o.requests = Math.floor(number(flag, value(), 1)); break;
            case "--faults": o.faults = Math.floor(number(flag, value(), 0)); break;
            case "--fault-kinds":
                o.faultKinds = value().split(",").filter(Boolean);
                for (const k of o.faultKinds) if (!FAULTS[k]) throw new Error(`unknown fault kind "${k}"`);
                if (!o.faultKinds.length) throw new Error("--fault-kinds needs at least one kind");
                break;
            case "--seed": o.seed = Math.floor(number(flag, value(), 0)); break;
            case "--sampling": o.sampling = number(flag, value(), 1); break;
            case "--lost-after": o.lostAfter = number(flag, value(), 1); break;
            case "--max-lost": o.maxLost = Math.floor(number(flag, value(), 1)); break;
            case "--json": o.json = path.resolve(value()); break;
            case "--keep": o.keep = true; break;
            case "--silent-printer": o.requirePrint = false; break;
            case "--help": case "-h": process.stdout.write(USAGE + "\n"); process.exit(0); break;
            default: throw new Error(`unknown option "${flag}"`);
        }
    }
    if (o.faults === undefined) o.faults = Math.round(o.requests / 15);
    return o;
}

let options;
try {
    options = parseArgs(process.argv.slice(2));
} catch (err) {
    process.stderr.write(`soak: ${err.message}\n${USAGE}\n`);
    process.exit(2);
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), "etikor-soak-"));
// The OPC UA stack talks on the console; that goes to a file, the soak's own lines do not.
globalThis.console = new Console(fs.createWriteStream(path.join(work, "opcua.log")));

const { PlcServer } = require("../plcsim/lib/server");
const { buildStation } = require("../plcsim/lib/station");
const { RawPrinter } = require("../rawprinter/printer");
const { DatabaseLock, SmallDisk } = require("./lib/resources");
const { Station } = require("./lib/station");

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const t0 = performance.now();
const now = () => Math.round((performance.now() - t0) * 10) / 10;
const say = (line) => process.stdout.write(line + "\n");
const SETTLE_MS = 2000; // after a fault the stations get this long before times count again

// Every event of the run with its time: raises, writes, printer jobs, faults, the stations'
// output. A failed request's trace is taken from here.
const events = [];
function note(station, text, id) {
    events.push({ t: now(), station, id, text });
}

const plan = makePlan({
    seed: options.seed,
    requests: options.requests,
    faults: options.faults,
    warmup: options.warmup,
    kinds: options.faultKinds
});
const fingerprint = createHash("sha256").update(JSON.stringify(plan)).digest("hex").slice(0, 12);
const printed = new Map(); // id -> statuses of the printer's jobs carrying it
const run = { stopReason: null, crashes: [], lost: 0, nextReport: 100 };
let wakeStop;
const stopped = new Promise((r) => (wakeStop = r));
function stopRun(reason) {
    if (run.stopReason) return;
    run.stopReason = reason;
    note("*", `run stops: ${reason}`);
    wakeStop();
}

const printer = new RawPrinter();
const dbLock = new DatabaseLock(path.join(work, "Druckdaten.db"));
const disk = new SmallDisk(path.join(work, "A", "Server"), 64);
const stations = {
    A: { name: "A", module: "Soak", extra: ["print.Druckdaten:String"] },
    B: { name: "B", module: "SoakCmd", extra: [] }
};

// ---------------------------------------------------------------------------------------
// Set-up


function buildDatabase(file) {
    const sample = fs.readFileSync(path.join(__dirname, "../../packaging/sample/Druckdaten.sql"), "utf8");
    const lots = plan.requests.filter((r) => r.kind === "lot");
    const rows = lots.map(
        (r) => `INSERT INTO Druckdaten (LosName, TeileNr, Etikettendaten, Tintendruckdaten) ` +
            `VALUES ('${r.id}', 1, '${labelOf(r.id)}', '${r.id} INK');`
    );
    execFileSync("sqlite3", [file], { input: `${sample}\nBEGIN;\n${rows.join("\n")}\nCOMMIT;\n` });
}

const labelOf = (id) => `^XA^FO40,40^A0N,40^FD${id}^FS^XZ`;

async function startPlc(s) {
    const table = buildStation(s.module, s.extra);
    s.plc = new PlcServer({
        port: await freePort(),
        module: s.module,
        table,
        pkiDir: path.join(process.env.XDG_CACHE_HOME || path.join(os.homedir(), ".cache"), "etikor-plcsim", "pki"),
        samplingMs: options.sampling
    });
    s.vars = (suffix) => table.get(`${s.module}.${suffix}`);
    s.plc.on("log", (text) => {
        note(s.name, `plc: ${text}`);
        if (text.startsWith("session activated")) s.sessions = (s.sessions ?? 0) + 1;
    });
    s.plc.on("write", (v, value) => onWrite(s, v.name.slice(s.module.length + 1), value));
    await s.plc.start();
}

async function setUp() {
    const etikord = path.join(options.build, "apps", "etikord", "etikord");
    const cmdprint = path.join(__dirname, "cmdprint.sh");
    if (/\s/.test(cmdprint + work)) throw new Error("the command line of station B cannot hold paths with blanks");
    buildDatabase(path.join(work, "Druckdaten.db"));
    const mountProblem = disk.mount();
    run.diskMode = mountProblem ? `log file blocked (no tmpfs: ${mountProblem})` : "tmpfs of 64 MB filled up";
    if (mountProblem) say(`soak: cannot mount a tmpfs (${mountProblem}); a full disk is played by blocking the log file`);
    await printer.start();
    printer.on("job", onPrinterJob);
    for (const s of Object.values(stations)) {
        await startPlc(s);
        s.station = new Station({
            name: s.name,
            dir: path.join(work, s.name),
            module: s.module,
            etikord,
            onOutput: (line) => note(s.name, `etikord: ${line}`)
        });
        s.commands = path.join(work, s.name, "commands.txt");
        fs.writeFileSync(s.commands, "");
        s.station.writeConfig({
            database: path.join(work, "Druckdaten.db"),
            plcPort: s.plc.port,
            printerPort: printer.port,
            commandLine: s.name === "B" ? `${cmdprint} ${s.commands} #~#` : undefined
        });
        // A printer failure answers the PLC with the job's code, so that no request is
        // answered 0 without its label.
        if (s.name === "A" && options.requirePrint) s.station.writeOptions({ RAW: { FailedJobToPLC: "1" } });
        await s.station.start();
        note(s.name, `etikord started, pid ${s.station.pid}`);
        s.station.exited.then((exit) => {
            if (s.station.stopping) return;
            run.crashes.push({ station: s.name, ...exit });
            note(s.name, `etikord ended by itself: code ${exit.code} signal ${exit.signal}`);
            stopRun(`station ${s.name} ended`);
        });
    }
    // Both stations have their sessions before the first request.
    const end = Date.now() + 60000;
    while (Object.values(stations).some((s) => !s.sessions)) {
        if (Date.now() > end) throw new Error("a station did not connect to its PLC within a minute");
        if (run.stopReason) throw new Error(run.stopReason);
        await sleep(100);
    }
    await sleep(1000);
}

// ---------------------------------------------------------------------------------------
// What the stations do, seen from the PLC and the printer

function onWrite(s, name, value) {
    const r = s.current;
    note(s.name, `write ${name} = ${JSON.stringify(value)}`, r?.id);
    // Before the first raise nothing is being served; a station may tidy up at start.
    if (!r) return;
    if (name === "Print.anfordErr") r.lastErr = value;
    if (name === "Print.anfordErrText") r.lastText = value;
    if (name !== "Print.anford") return;
    if (value !== false) {
        note(s.name, "the station raised the flag itself", r.id);
        return;
    }
    if (r.selfCleared) {
        // The soak gave this request up and cleared the flag itself: a late answer, not a
        // second one.
        r.lateClears++;
        note(s.name, "late clear of a request the soak gave up", r.id);
        return;
    }
    r.clears++;
    if (r.clears === 1) {
        r.answeredAt = now();
        r.err = r.lastErr;
        r.text = r.lastText;
        r.onAnswer();
    } else {
        note(s.name, `clear number ${r.clears} for one raise`, r.id);
    }
}

function idsIn(data) {
    return [...new Set(data.toString("latin1").match(/[SRNC]\d{6}/g) ?? [])];
}

function onPrinterJob(job) {
    const ids = idsIn(job.data);
    if (!ids.length) note("A", `printer: ${job.status} job of ${job.data.length} bytes without an id`);
    for (const id of ids) {
        if (!printed.has(id)) printed.set(id, []);
        printed.get(id).push(job.status);
        note("A", `printer: ${job.status} job of ${job.data.length} bytes`, id);
    }
}

// ---------------------------------------------------------------------------------------
// Faults

const chains = {}; // one fault at a time on each thing that fails
const running = new Set();
const activeFaults = [];

function resourceOf(f) {
    if (f.kind.startsWith("plc-") || f.kind === "drop-after-command") return `plc${f.station}`;
    if (f.kind === "drop-while-printing") return "printer";
    return f.kind.split("-")[0];
}

function startFault(f) {
    let inPlace;
    f.inPlace = new Promise((r) => (inPlace = r));
    const key = resourceOf(f);
    const p = (chains[key] ?? Promise.resolve())
        .then(() => runFault(f, inPlace))
        .catch((err) => {
            f.error = err.message;
            note(f.station, `fault ${f.n} ${f.kind} failed: ${err.message}`, f.requestId);
        })
        .finally(() => {
            inPlace();
            running.delete(p);
            if (f.startedAt !== undefined && f.endedAt === undefined) f.endedAt = now();
        });
    chains[key] = p;
    running.add(p);
}

async function runFault(f, inPlace) {
    const s = stations[f.station];
    const plc = s.plc;
    f.startedAt = now();
    activeFaults.push(f);
    const what = `fault ${f.n} ${f.kind}${f.seconds ? ` ${f.seconds}s` : ""}${f.hold ? ` hold ${f.hold}s` : ""}`;
    note(f.station, `${what} starts (${f.phase}${f.phase === "after-raise" ? ` +${f.delayMs} ms` : ""})`, f.requestId);
    const hold = (seconds) => sleep(seconds * 1000);
    switch (f.kind) {
        case "plc-drop":
            f.detail = `${plc.drop()} connections reset`;
            break;
        case "plc-restart":
            await plc.stop();
            await plc.startAgain();
            break;
        case "plc-down":
            await plc.stop();
            inPlace();
            await hold(f.seconds);
            await plc.startAgain();
            break;
        case "plc-freeze":
            f.detail = `${plc.freeze(f.seconds, f.all)} connections frozen${f.all ? ", new ones too" : ""}`;
            inPlace();
            await hold(f.seconds);
            break;
        case "printer-refuse":
        case "printer-reset":
        case "printer-slow":
        case "printer-stall":
            await printer.setMode(f.kind.slice("printer-".length), { holdSeconds: f.hold });
            inPlace();
            await hold(f.seconds);
            await printer.setMode("normal");
            break;
        case "drop-while-printing": {
            // The job has left the station and the printer holds it: the PLC link of station A
            // breaks before the station can write its answer.
            let onStart;
            const started = new Promise((resolve) => {
                onStart = (data) => {
                    f.detail = `${plc.drop()} connections reset while the printer held ${idsIn(data).join(",") || "a job"}`;
                    resolve(true);
                };
                printer.once("started", onStart);
            });
            await printer.setMode("slow", { holdSeconds: f.hold });
            inPlace();
            if (!(await Promise.race([started, sleep(15000).then(() => false)]))) {
                printer.off("started", onStart);
                f.detail = "no job came";
            }
            await hold(f.hold + 0.5);
            await printer.setMode("normal");
            break;
        }
        case "drop-after-command": {
            // The label program has run, the answer is about to be written: the PLC link of
            // station B breaks.
            const watcher = fs.watch(s.commands);
            const ran = new Promise((resolve) => watcher.once("change", () => resolve(true)));
            inPlace();
            const got = await Promise.race([ran, sleep(15000).then(() => false)]);
            watcher.close();
            f.detail = got ? `${plc.drop()} connections reset after the command ran` : "no command ran";
            break;
        }
        case "db-lock":
            await dbLock.hold(f.seconds, inPlace);
            break;
        case "disk-full":
            f.detail = disk.fill(s.station.commLog);
            inPlace();
            await hold(f.seconds);
            disk.empty();
            break;
        default:
            throw new Error(`unknown fault ${f.kind}`);
    }
    f.endedAt = now();
    note(f.station, `${what} ends${f.detail ? `: ${f.detail}` : ""}`, f.requestId);
}

// ---------------------------------------------------------------------------------------
// The PLCs' request loops

function setRequest(s, r) {
    const set = (suffix, value) => s.plc.setValue(s.vars(suffix), value);
    if (r.kind === "command") {
        set("Print.Barcode", r.id);
        set("Print.CmdLine", "");
    } else if (r.kind === "raw") {
        set("Print.LosName", "");
        set("Print.TeileNr", 0);
        set("Print.RAW", labelOf(r.id));
    } else {
        set("Print.LosName", r.id);
        set("Print.TeileNr", 1);
        set("Print.EtikettenType", 1);
        set("Print.RAW", "");
    }
}

async function requestLoop(s, queue) {
    let lastAnswer = null;
    for (const r of queue) {
        if (run.stopReason) break;
        if (lastAnswer !== null) await sleep(Math.max(0, lastAnswer + r.gapMs - now()));
        for (const f of r.faults.filter((x) => x.phase === "before-raise")) {
            startFault(f);
            await Promise.race([f.inPlace, sleep(20000)]);
        }
        Object.assign(r, { clears: 0, lateClears: 0, lastErr: undefined, lastText: undefined });
        const answered = new Promise((resolve) => (r.onAnswer = resolve));
        setRequest(s, r);
        s.current = r;
        s.plc.setValue(s.vars("Print.anford"), true);
        r.raisedAt = now();
        note(s.name, `raise ${r.kind}`, r.id);
        for (const f of r.faults.filter((x) => x.phase === "after-raise")) setTimeout(() => startFault(f), f.delayMs);
        let timer;
        const outcome = await Promise.race([
            answered.then(() => "answered"),
            new Promise((resolve) => (timer = setTimeout(() => resolve("lost"), options.lostAfter * 1000))),
            stopped.then(() => "stopped")
        ]);
        clearTimeout(timer);
        if (outcome === "stopped") {
            r.interrupted = true;
            note(s.name, "the run stopped while this request was raised", r.id);
            break;
        }
        if (outcome === "lost") {
            r.lost = true;
            r.selfCleared = true;
            r.lostAt = now();
            note(s.name, `no answer within ${options.lostAfter} s: lost; the PLC clears the flag itself`, r.id);
            s.plc.setValue(s.vars("Print.anford"), false);
            if (++run.lost >= options.maxLost) stopRun(`${run.lost} requests lost`);
            await sleep(1000);
            lastAnswer = now();
        } else {
            lastAnswer = r.answeredAt;
        }
        for (const f of r.faults.filter((x) => x.phase === "after-answer")) startFault(f);
        if (r.local + 1 === options.warmup) s.usageStart = s.station.usage();
        const done = plan.requests.filter((x) => x.raisedAt !== undefined).length;
        if (done >= run.nextReport) {
            run.nextReport += 100;
            say(`soak: ${done}/${plan.requests.length} requests raised, ${(now() / 1000) | 0} s, ${run.lost} lost so far`);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Results

function percentile(sorted, p) {
    if (!sorted.length) return null;
    return sorted[Math.min(sorted.length - 1, Math.ceil((p / 100) * sorted.length) - 1)];
}

function commandRuns() {
    const runs = new Map();
    let text = "";
    try {
        text = fs.readFileSync(stations.B.commands, "utf8");
    } catch {
        // no command ran
    }
    for (const id of text.split("\n").filter(Boolean)) runs.set(id, (runs.get(id) ?? 0) + 1);
    return runs;
}

function evaluate() {
    const runs = commandRuns();
    for (const r of plan.requests) {
        if (r.raisedAt === undefined) {
            r.outcome = "not raised";
            continue;
        }
        const jobs = printed.get(r.id) ?? [];
        r.prints = r.kind === "command" ? runs.get(r.id) ?? 0 : jobs.filter((s) => s === "printed").length;
        r.brokenJobs = jobs.filter((s) => s !== "printed").length;
        const end = r.answeredAt ?? r.lostAt ?? now();
        // Faults of this station that were on (or had just ended) while it was raised.
        r.faultsOn = activeFaults
            .filter((f) => f.station === r.station && f.startedAt <= end && (f.endedAt ?? Infinity) + SETTLE_MS >= r.raisedAt)
            .map((f) => f.n);
        r.problems = [];
        if (r.lost) r.problems.push("lost");
        if (r.clears > 1) r.problems.push("served twice");
        if (r.prints > 1) r.problems.push("printed twice");
        r.unprinted = r.clears >= 1 && r.err === 0 && r.prints === 0;
        if (r.unprinted && options.requirePrint) r.problems.push("answered 0 but not printed");
        if (r.interrupted) r.outcome = "interrupted";
        else if (r.lost) r.outcome = r.lateClears ? "lost (answered after the time-out)" : "lost";
        else if (r.err === undefined) r.outcome = "cleared without a result";
        else r.outcome = r.err === 0 ? "answered 0" : "answered with an error";
        if (r.clears >= 1) r.latencyMs = Math.round(r.answeredAt - r.raisedAt);
    }
    const raised = plan.requests.filter((r) => r.raisedAt !== undefined);
    const count = (f) => raised.filter(f).length;
    const clean = raised.filter((r) => r.latencyMs !== undefined && !r.faultsOn.length).map((r) => r.latencyMs);
    clean.sort((a, b) => a - b);
    return {
        requests: plan.requests.length,
        raised: raised.length,
        answeredOnce: count((r) => r.clears === 1 && !r.lost),
        answeredError: count((r) => r.clears >= 1 && r.err !== 0 && r.err !== undefined),
        answeredErrorWithText: count((r) => r.clears >= 1 && r.err !== 0 && r.err !== undefined && (r.text ?? "").trim() !== ""),
        clearedWithoutResult: count((r) => r.clears >= 1 && r.err === undefined),
        lost: count((r) => r.lost),
        servedTwice: count((r) => r.clears > 1),
        printedTwice: count((r) => r.prints > 1),
        answeredNotPrinted: count((r) => r.unprinted),
        answeredNotPrintedBroken: count((r) => r.unprinted && r.brokenJobs > 0),
        interrupted: count((r) => r.interrupted),
        crashes: run.crashes.length,
        latency: { samples: clean.length, p50: percentile(clean, 50), p99: percentile(clean, 99), max: clean.at(-1) ?? null }
    };
}

// The request's own events, and everything else of its station from just before its raise
// until a little after its end: the previous answer, connection reports, the station's output.
function traceOf(r) {
    const from = r.raisedAt - r.gapMs - 100;
    const to = (r.answeredAt ?? r.lostAt ?? now()) + 2000;
    const lines = events.filter(
        (e) => e.id === r.id || ((e.station === r.station || e.station === "*") && e.t >= from && e.t <= to)
    );
    return lines.map(
        (e) => `${(e.t / 1000).toFixed(3).padStart(9)} s  ${e.station}  ${e.id === r.id ? "" : `(${e.id ?? "-"}) `}${e.text}`
    );
}

function report(totals, durationS, usage) {
    const failed = plan.requests.filter((r) => r.problems?.length);
    say("");
    say(`soak: ${totals.raised} of ${totals.requests} requests raised (A ${plan.requests.filter((r) => r.station === "A").length}, ` +
        `B ${plan.requests.filter((r) => r.station === "B").length}), ${plan.faults.length} faults, seed ${options.seed} ` +
        `(plan ${fingerprint}), ` +
        `sampling ${options.sampling} ms, ${durationS.toFixed(0)} s`);
    if (run.stopReason) say(`soak: stopped early: ${run.stopReason}`);
    const row = (label, value, bad) => say(`  ${label.padEnd(34)} ${String(value).padStart(6)}${bad && value ? "   <-- failure" : ""}`);
    row("answered once", totals.answeredOnce);
    row("answered with an error code", totals.answeredError);
    row("  of these with a text", totals.answeredErrorWithText);
    row("cleared without a result written", totals.clearedWithoutResult);
    row("lost (no answer in time)", totals.lost, true);
    row("served twice", totals.servedTwice, true);
    row("printed twice", totals.printedTwice, true);
    row("answered 0 but nothing printed", totals.answeredNotPrinted, options.requirePrint);
    row("  of these the printer broke the job off", totals.answeredNotPrintedBroken);
    row("station processes that ended", totals.crashes, true);
    if (totals.interrupted) row("interrupted by the stop", totals.interrupted);
    const l = totals.latency;
    say(`  latency without faults (n=${l.samples})     p50 ${l.p50 ?? "-"} ms   p99 ${l.p99 ?? "-"} ms   max ${l.max ?? "-"} ms`);
    for (const [name, u] of Object.entries(usage)) {
        const mb = (kb) => (kb === undefined ? "-" : (kb / 1024).toFixed(1));
        say(`  station ${name}: RSS ${mb(u.start?.rssKb)} -> ${mb(u.end?.rssKb)} MB, open files ${u.start?.fds ?? "-"} -> ${u.end?.fds ?? "-"}`);
    }
    const byKind = {};
    for (const f of plan.faults) {
        const k = (byKind[f.kind] ??= { planned: 0, ran: 0, failed: 0 });
        k.planned++;
        if (f.endedAt !== undefined && !f.error) k.ran++;
        if (f.error) k.failed++;
    }
    say(`  faults (ran/planned): ${Object.entries(byKind).map(([k, v]) => `${k} ${v.ran}/${v.planned}${v.failed ? ` (${v.failed} failed)` : ""}`).join(", ")}`);
    say(`  full disk: ${run.diskMode}`);
    for (const c of run.crashes) say(`  station ${c.station} ended: code ${c.code} signal ${c.signal}`);
    const shown = failed.slice(0, 25);
    for (const r of shown) {
        say("");
        say(`--- ${r.id} (${r.kind}, station ${r.station}, gap ${r.gapMs} ms): ` +
            `${r.problems.join(", ")}; ${r.outcome}, ` +
            `clears ${r.clears}, prints ${r.prints}${r.brokenJobs ? `, broken jobs ${r.brokenJobs}` : ""}, ` +
            `faults ${r.faultsOn.join(",") || "none"}`);
        const lines = traceOf(r);
        for (const line of lines.slice(0, 80)) say(line);
        if (lines.length > 80) say(`  ... ${lines.length - 80} more lines`);
    }
    if (failed.length > shown.length) say(`\n(${failed.length - shown.length} more failed requests; see the JSON results)`);
    return failed;
}

// ---------------------------------------------------------------------------------------
// Start, end and the emergency exit

let cleaning = false;
async function emergency(why, code) {
    if (cleaning) return;
    cleaning = true;
    process.stderr.write(`soak: ${why}; stopping everything\n`);
    for (const s of Object.values(stations)) s.station?.kill();
    dbLock.kill();
    await Promise.race([Promise.all(Object.values(stations).map((s) => s.station?.exited)), sleep(3000)]);
    try {
        disk.empty();
        disk.unmount();
    } catch (err) {
        process.stderr.write(`soak: could not unmount ${disk.dir}: ${err.message}\n`);
    }
    process.stderr.write(`soak: work folder ${work}\n`);
    process.exit(code);
}
process.on("SIGINT", () => emergency("interrupted", 130));
process.on("SIGTERM", () => emergency("terminated", 143));
process.on("uncaughtException", (err) => emergency(`error: ${err.stack}`, 2));
process.on("unhandledRejection", (err) => emergency(`error: ${err?.stack ?? err}`, 2));

async function main() {
    say(`soak: ${options.requests} requests, ${plan.faults.length} faults, seed ${options.seed} (plan ${fingerprint}), ` +
        `sampling ${options.sampling} ms, build ${options.build}, work folder ${work}`);
    await setUp();
    note("*", "stations ready; first requests");
    const started = performance.now();
    await Promise.all(
        Object.values(stations).map((s) => requestLoop(s, plan.requests.filter((r) => r.station === s.name)))
    );
    // Faults still going end first; then late answers and held jobs get their time.
    await Promise.all([...running]);
    for (let i = 0; i < 100 && printer.pending; i++) await sleep(100);
    await sleep(3000);
    const durationS = (performance.now() - started) / 1000;
    const usage = {};
    for (const s of Object.values(stations)) usage[s.name] = { start: s.usageStart, end: s.station.usage() };
    for (const s of Object.values(stations)) {
        const exit = await s.station.stop();
        // A station must end its shutdown on SIGTERM by itself and cleanly.
        if (exit && (exit.signal || exit.code) && !run.crashes.some((c) => c.station === s.name)) {
            run.crashes.push({ station: s.name, ...exit, atStop: true });
        }
    }
    for (const s of Object.values(stations)) await s.plc.stop().catch(() => {});
    await printer.stop();
    disk.empty();
    disk.unmount(path.join(work, "A", "Server-kept"));
    fs.writeFileSync(
        path.join(work, "events.log"),
        events.map((e) => `${(e.t / 1000).toFixed(4)} ${e.station} ${e.id ?? "-"} ${e.text}\n`).join("")
    );

    const totals = evaluate();
    const failed = report(totals, durationS, usage);
    const bad =
        totals.lost + totals.servedTwice + totals.printedTwice + totals.crashes +
        (options.requirePrint ? totals.answeredNotPrinted : 0);
    if (options.json) {
        const requests = plan.requests.map((r) => ({
            id: r.id, kind: r.kind, station: r.station, gapMs: r.gapMs, outcome: r.outcome, problems: r.problems,
            raisedAt: r.raisedAt, answeredAt: r.answeredAt, latencyMs: r.latencyMs, clears: r.clears,
            err: r.err, text: r.text, prints: r.prints, brokenJobs: r.brokenJobs, faults: r.faultsOn
        }));
        const faults = plan.faults.map(({ inPlace, ...f }) => f);
        const traces = Object.fromEntries(failed.map((r) => [r.id, traceOf(r)]));
        fs.writeFileSync(options.json, JSON.stringify({ options, plan: fingerprint, durationS, stopReason: run.stopReason, totals, usage,
            crashes: run.crashes, faults, requests, traces }, null, 1));
    }
    say("");
    if (bad || options.keep) say(`soak: work folder kept: ${work}`);
    else fs.rmSync(work, { recursive: true, force: true });
    say(bad ? `soak: FAILED (${failed.length} requests with a problem, ${totals.crashes} station ends)` : "soak: passed");
    process.exit(bad ? 1 : 0);
}

main().catch((err) => emergency(`error: ${err.stack}`, 2));
