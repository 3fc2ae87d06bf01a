#!/usr/bin/env node
"use strict";
// Checks the simulated PLC from outside: starts plcsim.js as a child process, talks to it
// with a node-opcua client and through its standard input, and exits non-zero on any
// failure. Usage: node selftest.js

const { spawn } = require("node:child_process");
const { freePort } = require("./lib/ports");
const path = require("node:path");
const readline = require("node:readline");
const {
    AttributeIds,
    BrowseDirection,
    DataType,
    MessageSecurityMode,
    OPCUAClient,
    SecurityPolicy,
    StatusCodes,
    TimestampsToReturn
} = require("node-opcua");

const MODULE = "Test7";
const NS = 1;
const DATA_TYPE_IDS = { Boolean: 1, Int16: 4, Int32: 6, UInt32: 7, Double: 11, String: 12 };

// The station as the PLC publishes it: suffix, type, maximum text length.
const REQUEST_GROUP = [
    ["anford", "Boolean"],
    ["anfordErr", "Int32"],
    ["anfordErrText", "String", 255],
    ["LosName", "String", 40],
    ["Barcode", "String", 40],
    ["RAW", "String", 255],
    ["CmdLine", "String", 255],
    ["TeileNr", "Int32"],
    ["ResteKennung", "Int16"],
    ["ResteLaenge", "Int32"],
    ["ResteProfil", "String", 40],
    ["ResteColor", "String", 40],
    ["EtikettenType", "Int16"]
];
const EXTRA_ARGS = ["--var", "Extra.Ratio:Double", "--var", "Extra.Note:String:8", "--var", "Extra.Free:String"];
const EXPECTED = [];
for (const family of [".Print.", ".bAbl.Print."]) {
    for (const [suffix, type, max] of REQUEST_GROUP) {
        if (family === ".bAbl.Print." && suffix === "Barcode") continue;
        EXPECTED.push({ name: `${MODULE}${family}${suffix}`, type, max });
    }
}
EXPECTED.push({ name: `${MODULE}.Extra.Ratio`, type: "Double" });
EXPECTED.push({ name: `${MODULE}.Extra.Note`, type: "String", max: 8 });
EXPECTED.push({ name: `${MODULE}.Extra.Free`, type: "String" });

let passed = 0;
let failed = 0;
function check(ok, what, detail = "") {
    if (ok) {
        passed++;
        console.log(`ok   ${what}`);
    } else {
        failed++;
        console.log(`FAIL ${what}${detail ? `: ${detail}` : ""}`);
    }
    return ok;
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const nodeId = (name) => `ns=${NS};s=${name}`;
const full = (suffix) => `${MODULE}.${suffix}`;


/** The simulator as a child process: commands in, answers and reports out. */
class Simulator {
    constructor(args) {
        this.proc = spawn(process.execPath, [path.join(__dirname, "plcsim.js"), ...args], {
            stdio: ["pipe", "pipe", "pipe"]
        });
        this.answers = [];
        this.reports = []; // "write ..." and "thawed" lines, with the time they came
        this.waiters = [];
        this.stderr = "";
        this.exited = new Promise((resolve) => this.proc.on("exit", (code) => resolve(code)));
        this.proc.stderr.on("data", (d) => (this.stderr += d));
        readline.createInterface({ input: this.proc.stdout }).on("line", (line) => {
            if (line.startsWith("write ") || line === "thawed") {
                this.reports.push({ line, at: Date.now() });
            } else {
                this.answers.push(line);
            }
            for (const w of [...this.waiters]) w();
        });
    }

    /** Waits for the next answer line (or a report matching `reportPattern`). */
    _waitFor(take, timeoutMs) {
        return new Promise((resolve, reject) => {
            const tryTake = () => {
                const got = take();
                if (got === undefined) return false;
                this.waiters = this.waiters.filter((w) => w !== waiter);
                clearTimeout(timer);
                resolve(got);
                return true;
            };
            const waiter = () => tryTake();
            const timer = setTimeout(() => {
                this.waiters = this.waiters.filter((w) => w !== waiter);
                reject(new Error(`no answer within ${timeoutMs} ms`));
            }, timeoutMs);
            if (!tryTake()) this.waiters.push(waiter);
        });
    }

    nextAnswer(timeoutMs = 10000) {
        return this._waitFor(() => (this.answers.length ? this.answers.shift() : undefined), timeoutMs);
    }

    report(line, timeoutMs = 3000) {
        return this._waitFor(() => {
            const i = this.reports.findIndex((r) => r.line === line);
            return i < 0 ? undefined : this.reports.splice(i, 1)[0];
        }, timeoutMs);
    }

    async send(command, timeoutMs) {
        this.proc.stdin.write(command + "\n");
        return this.nextAnswer(timeoutMs);
    }
}

async function readValue(session, name) {
    return session.read({ nodeId: nodeId(name), attributeId: AttributeIds.Value });
}

async function write(session, name, dataType, value) {
    return session.write({ nodeId: nodeId(name), attributeId: AttributeIds.Value, value: { value: { dataType, value } } });
}

function makeClient() {
    return OPCUAClient.create({
        applicationName: "plcsim selftest",
        endpointMustExist: false,
        securityMode: MessageSecurityMode.None,
        securityPolicy: SecurityPolicy.None,
        connectionStrategy: { initialDelay: 100, maxDelay: 300, maxRetry: 50 },
        requestedSessionTimeout: 60000
    });
}

async function checkAddressSpace(session, uri) {
    const nsArray = await session.readNamespaceArray();
    check(nsArray[NS] === uri, `namespace ${NS} is ${uri}`, JSON.stringify(nsArray));
    for (const v of EXPECTED) {
        const dt = await session.read({ nodeId: nodeId(v.name), attributeId: AttributeIds.DataType });
        check(
            dt.statusCode.isGood() && dt.value.value.namespace === 0 && dt.value.value.value === DATA_TYPE_IDS[v.type],
            `${v.name} has data type ${v.type}`,
            dt.toString()
        );
        const browse = await session.browse({
            nodeId: nodeId(v.name),
            referenceTypeId: "HasProperty",
            browseDirection: BrowseDirection.Forward,
            includeSubtypes: true,
            resultMask: 63
        });
        const prop = browse.references.find((r) => r.browseName.namespaceIndex === 0 && r.browseName.name === "MaxStringLength");
        if (v.max === undefined) {
            check(!prop, `${v.name} has no MaxStringLength`);
            continue;
        }
        if (!check(!!prop, `${v.name} has a MaxStringLength property`)) continue;
        const [val, type] = await session.read([
            { nodeId: prop.nodeId, attributeId: AttributeIds.Value },
            { nodeId: prop.nodeId, attributeId: AttributeIds.DataType }
        ]);
        check(
            val.value.dataType === DataType.UInt32 && val.value.value === v.max && type.value.value.value === DATA_TYPE_IDS.UInt32,
            `${v.name} MaxStringLength is UInt32 ${v.max}`,
            val.toString()
        );
    }
}

async function checkWrites(session, sim) {
    const cases = [
        ["bAbl.Print.anford", DataType.Boolean, true, "true"],
        ["bAbl.Print.anford", DataType.Boolean, false, "false"],
        ["Print.EtikettenType", DataType.Int16, 3, "3"],
        ["Print.ResteKennung", DataType.Int16, -1, "-1"],
        ["Print.TeileNr", DataType.Int32, 123456, "123456"],
        ["Print.anfordErr", DataType.Int32, -2147483648, "-2147483648"],
        ["Extra.Ratio", DataType.Double, 2.5, "2.5"],
        ["Print.LosName", DataType.String, "Los-ÄÖÜ 1", '"Los-ÄÖÜ 1"'],
        ["Print.anfordErrText", DataType.String, " ", '" "'],
        ["Print.LosName", DataType.String, "x".repeat(40), JSON.stringify("x".repeat(40))],
        ["Print.ResteColor", DataType.String, "ä".repeat(20), JSON.stringify("ä".repeat(20))],
        ["Print.RAW", DataType.String, "r".repeat(255), JSON.stringify("r".repeat(255))],
        ["Extra.Free", DataType.String, "f".repeat(1000), JSON.stringify("f".repeat(1000))]
    ];
    for (const [suffix, dataType, value, shown] of cases) {
        const name = full(suffix);
        const label = `write ${DataType[dataType]} ${name} = ${shown.length > 30 ? shown.slice(0, 27) + '..."' : shown}`;
        const status = await write(session, name, dataType, value);
        if (!check(status.isGood(), label, status.toString())) continue;
        const back = await readValue(session, name);
        check(back.value.dataType === dataType && back.value.value === value, `${label}: read back`, back.toString());
        try {
            await sim.report(`write ${name} = ${shown}`);
            check(true, `${label}: reported on stdout`);
        } catch {
            check(false, `${label}: reported on stdout`, JSON.stringify(sim.reports.map((r) => r.line)));
        }
    }

    const refused = [
        ["Print.LosName", DataType.String, "x".repeat(41), StatusCodes.BadOutOfRange, "41 bytes into 40"],
        ["Print.ResteColor", DataType.String, "ä".repeat(21), StatusCodes.BadOutOfRange, "42 bytes (21 umlauts) into 40"],
        ["Print.RAW", DataType.String, "r".repeat(256), StatusCodes.BadOutOfRange, "256 bytes into 255"],
        ["Extra.Note", DataType.String, "123456789", StatusCodes.BadOutOfRange, "9 bytes into 8"],
        ["Print.anford", DataType.Int32, 1, StatusCodes.BadTypeMismatch, "Int32 into Boolean"],
        ["Print.EtikettenType", DataType.String, "3", StatusCodes.BadTypeMismatch, "String into Int16"],
        ["Print.EtikettenType", DataType.Int32, 3, StatusCodes.BadTypeMismatch, "Int32 into Int16"],
        ["Print.TeileNr", DataType.Int16, 3, StatusCodes.BadTypeMismatch, "Int16 into Int32"],
        ["Print.TeileNr", DataType.Double, 3.5, StatusCodes.BadTypeMismatch, "Double into Int32"],
        ["Print.LosName", DataType.Int32, 7, StatusCodes.BadTypeMismatch, "Int32 into String"],
        ["Extra.Ratio", DataType.Boolean, true, StatusCodes.BadTypeMismatch, "Boolean into Double"],
        ["Print.Nope", DataType.Int32, 1, StatusCodes.BadNodeIdUnknown, "unknown node"]
    ];
    for (const [suffix, dataType, value, expected, what] of refused) {
        const name = full(suffix);
        const before = await readValue(session, name);
        const status = await write(session, name, dataType, value);
        check(status.equals(expected), `refused ${what}: ${expected.name}`, status.toString());
        const after = await readValue(session, name);
        check(
            JSON.stringify(after.value.value) === JSON.stringify(before.value.value),
            `refused ${what}: value unchanged`,
            after.toString()
        );
    }
    const unknownRead = await readValue(session, full("Print.Nope"));
    check(unknownRead.statusCode.equals(StatusCodes.BadNodeIdUnknown), "read of an unknown node: BadNodeIdUnknown");
    await sleep(200);
    check(sim.reports.length === 0, "refused writes are not reported", JSON.stringify(sim.reports.map((r) => r.line)));
}

async function checkControl(session, sim) {
    let a = await sim.send("set Print.LosName Los 4711");
    check(a === `ok ${full("Print.LosName")} = "Los 4711"`, "set a text", a);
    let r = await readValue(session, full("Print.LosName"));
    check(r.value.value === "Los 4711", "client reads the text set", r.toString());
    a = await sim.send(`set ${full("Print.ResteLaenge")} 2500`);
    check(a === `ok ${full("Print.ResteLaenge")} = 2500`, "set with the module in front", a);
    r = await readValue(session, full("Print.ResteLaenge"));
    check(r.value.dataType === DataType.Int32 && r.value.value === 2500, "client reads the Int32 set", r.toString());
    a = await sim.send('set Print.CmdLine ""');
    check(a === `ok ${full("Print.CmdLine")} = ""`, "set an empty text", a);
    a = await sim.send(`set Print.LosName ${"y".repeat(41)}`);
    check(a.startsWith("error too long"), "set refuses a text above the maximum", a);
    a = await sim.send("set Print.ResteKennung 40000");
    check(a.startsWith("error"), "set refuses an Int16 out of range", a);
    a = await sim.send("set Print.Nope 1");
    check(a.startsWith("error unknown variable"), "set of an unknown name", a);
    await write(session, full("Print.TeileNr"), DataType.Int32, 77);
    await sim.report(`write ${full("Print.TeileNr")} = 77`);
    a = await sim.send("get Print.TeileNr");
    check(a === `value ${full("Print.TeileNr")} = 77`, "get shows a client's write", a);
}

async function checkRequestCycle(session, sim) {
    const subscription = await session.createSubscription2({
        requestedPublishingInterval: 50,
        requestedMaxKeepAliveCount: 4,
        requestedLifetimeCount: 400,
        publishingEnabled: true
    });
    check(subscription.publishingInterval <= 100, `publishing interval granted: ${subscription.publishingInterval} ms`);
    const seen = [];
    const item = await subscription.monitor(
        { nodeId: nodeId(full("Print.anford")), attributeId: AttributeIds.Value },
        { samplingInterval: 0, queueSize: 10, discardOldest: true },
        TimestampsToReturn.Both
    );
    item.on("changed", (dv) => seen.push({ value: dv.value.value, at: Date.now() }));
    const waitSeen = async (value, since, ms = 3000) => {
        const end = Date.now() + ms;
        while (Date.now() < end) {
            const hit = seen.find((s) => s.value === value && s.at >= since);
            if (hit) return hit;
            await sleep(5);
        }
        return undefined;
    };
    check(!!(await waitSeen(false, 0)), "initial notification: flag false");

    const t0 = Date.now();
    let a = await sim.send("raise");
    check(a === `ok ${full("Print.anford")} = true`, "raise answers", a);
    const hit = await waitSeen(true, t0);
    check(!!hit, `notification on the raised flag${hit ? ` after ${hit.at - t0} ms` : ""}`);

    a = await sim.send("wait-clear 0.3");
    check(a === "timeout", "wait-clear times out while the flag is up", a);

    // The station answers: result, text, then the flag.
    const waiting = sim.send("wait-clear 5");
    await sleep(100);
    await write(session, full("Print.anfordErr"), DataType.Int32, 0);
    await write(session, full("Print.anfordErrText"), DataType.String, " ");
    await write(session, full("Print.anford"), DataType.Boolean, false);
    a = await waiting;
    check(a === `cleared ${full("Print.anford")} anfordErr=0 anfordErrText=" "`, "wait-clear sees the station's answer", a);
    check(!!(await waitSeen(false, t0)), "notification on the cleared flag");

    a = await sim.send("raise abl");
    check(a === `ok ${full("bAbl.Print.anford")} = true`, "raise abl answers", a);
    let r = await readValue(session, full("bAbl.Print.anford"));
    check(r.value.value === true, "the .bAbl flag is up", r.toString());
    await write(session, full("bAbl.Print.anfordErr"), DataType.Int32, 42);
    await write(session, full("bAbl.Print.anford"), DataType.Boolean, false);
    a = await sim.send("wait-clear abl 2");
    check(a === `cleared ${full("bAbl.Print.anford")} anfordErr=42 anfordErrText=""`, "wait-clear abl", a);
    sim.reports.length = 0;
    return { subscription, seen, waitSeen };
}

async function checkFreeze(client, session, sim, subscription, url) {
    const keepAlives = [];
    subscription.on("keepalive", () => keepAlives.push(Date.now()));
    await sleep(600);
    check(keepAlives.length >= 2, `keep-alives arrive before the freeze (${keepAlives.length} in 600 ms)`);
    let lost = false;
    const onLost = () => (lost = true);
    client.on("connection_lost", onLost);

    const t0 = Date.now();
    const a = await sim.send("freeze 1.5");
    check(a === "ok frozen 1 for 1.5s", "freeze answers", a);
    const read = await readValue(session, full("Print.LosName"));
    const readMs = Date.now() - t0;
    check(read.statusCode.isGood() && readMs >= 1300, `a read during the freeze is answered only after it (${readMs} ms)`);
    const during = keepAlives.filter((t) => t > t0 + 150 && t < t0 + 1400);
    check(during.length === 0, "no keep-alive during the freeze", `${during.length} arrived`);
    try {
        await sim.report("thawed");
        check(true, "thawed is reported");
    } catch {
        check(false, "thawed is reported");
    }
    const afterThaw = Date.now();
    await sleep(600);
    check(keepAlives.some((t) => t > afterThaw), "keep-alives arrive again after the freeze");
    check(!lost, "the connection stayed open through the freeze");
    client.off("connection_lost", onLost);

    // With "all", a connection opened during the freeze stalls as well.
    const t1 = Date.now();
    const b = await sim.send("freeze 1 all");
    check(b === "ok frozen 1 for 1s with new connections", "freeze all answers", b);
    const other = makeClient();
    await other.connect(url);
    const connectMs = Date.now() - t1;
    check(connectMs >= 800, `a new connection during freeze all waits for the thaw (${connectMs} ms)`);
    await other.disconnect();
    await sim.report("thawed");
}

async function checkDrop(client, session, sim) {
    const events = [];
    const onLost = () => events.push("lost");
    const onBack = () => events.push("back");
    client.on("connection_lost", onLost);
    client.on("connection_reestablished", onBack);
    const sessionId = session.sessionId.toString();
    const a = await sim.send("drop");
    check(a === "ok dropped 1", "drop answers with the number of connections", a);
    const end = Date.now() + 10000;
    while (!events.includes("back") && Date.now() < end) await sleep(20);
    check(events[0] === "lost", "the client sees its connection lost", events.join(","));
    check(events.includes("back"), "the client connects again after the drop", events.join(","));
    const r = await readValue(session, full("Print.LosName"));
    check(r.statusCode.isGood() && r.value.value === "Los 4711", "reads work after the drop", r.toString());
    check(session.sessionId.toString() === sessionId, "the session survived the drop (re-activated on a new channel)");
    client.off("connection_lost", onLost);
    client.off("connection_reestablished", onBack);
}

async function checkRestart(client, session, sim, port, uri) {
    let restored = false;
    session.on("session_restored", () => (restored = true));
    const sessionId = session.sessionId.toString();
    const a = await sim.send("restart", 30000);
    check(a === `ready opc.tcp://localhost:${port} ns=${NS} uri=${uri}`, "restart answers with a new ready line", a);
    const end = Date.now() + 15000;
    while (!restored && Date.now() < end) await sleep(20);
    check(restored, "the client had to build a new session after the restart");
    check(session.sessionId.toString() !== sessionId, "the old session is gone");
    const r = await readValue(session, full("Print.LosName"));
    check(r.statusCode.isGood() && r.value.value === "Los 4711", "values are kept across the restart", r.toString());
}

// Sampling mode: a monitored item asking for 0 gets the variables' interval, and only what a
// sample sees is reported, so a flag that drops and comes back between two samples goes
// unnoticed, while one that stays down for longer than the interval is seen both ways.
async function checkSampling(port) {
    const ms = 20;
    const sim = new Simulator(["--port", String(port), "--module", MODULE, "--sampling", String(ms), "--quiet"]);
    const client = makeClient();
    try {
        const ready = await sim.nextAnswer(30000);
        check(ready.startsWith(`ready opc.tcp://localhost:${port} `), "simulator with --sampling starts", ready);
        await client.connect(`opc.tcp://localhost:${port}`);
        const session = await client.createSession();
        const subscription = await session.createSubscription2({
            requestedPublishingInterval: 50,
            requestedMaxKeepAliveCount: 10,
            requestedLifetimeCount: 400,
            publishingEnabled: true
        });
        const item = await subscription.monitor(
            { nodeId: nodeId(full("Print.anford")), attributeId: AttributeIds.Value },
            { samplingInterval: 0, queueSize: 10, discardOldest: true },
            TimestampsToReturn.Both
        );
        const revised = item.monitoringParameters.samplingInterval;
        check(revised === ms, `sampling interval 0 is revised to ${ms} ms`, String(revised));
        const seen = [];
        item.on("changed", (dv) => seen.push({ value: dv.value.value, at: Date.now() }));
        const waitSeen = async (value, since, within = 2000) => {
            const end = Date.now() + within;
            while (Date.now() < end) {
                if (seen.some((s) => s.value === value && s.at >= since)) return true;
                await sleep(5);
            }
            return false;
        };
        check(await waitSeen(false, 0), "sampling: initial notification");
        let t = Date.now();
        await sim.send("raise");
        check(await waitSeen(true, t), "sampling: a raised flag is reported");
        await sleep(4 * ms);
        // Both lines in one write: they are carried out before the next sample is taken.
        t = Date.now();
        sim.proc.stdin.write("set Print.anford false\nraise\n");
        const answers = [await sim.nextAnswer(), await sim.nextAnswer()];
        check(answers[1] === `ok ${full("Print.anford")} = true`, "sampling: flag dropped and raised again", answers.join(" | "));
        await sleep(10 * ms + 200);
        const flicker = seen.filter((s) => s.at >= t);
        check(flicker.length === 0, "sampling: a drop shorter than a sample is not reported", JSON.stringify(flicker));
        await sim.send("set Print.anford false");
        const r = await readValue(session, full("Print.anford"));
        check(r.value.value === false, "sampling: a read sees the new value at once", r.toString());
        t = Date.now();
        await sleep(3 * ms);
        await sim.send("raise");
        check(
            (await waitSeen(false, t)) && (await waitSeen(true, t)),
            "sampling: a drop held longer than the interval is reported both ways",
            JSON.stringify(seen.filter((s) => s.at >= t))
        );
        await session.close();
    } finally {
        await client.disconnect().catch(() => {});
        sim.proc.kill();
        await sim.exited;
    }
}

async function checkOmit(port) {
    const sim = new Simulator(["--port", String(port), "--module", "Omit1", "--omit", "Print.RAW", "--quiet"]);
    const ready = await sim.nextAnswer(30000);
    check(ready.startsWith(`ready opc.tcp://localhost:${port} `), "second simulator with --omit starts", ready);
    const client = makeClient();
    await client.connect(`opc.tcp://localhost:${port}`);
    const session = await client.createSession();
    const [raw, cmd] = await session.read([
        { nodeId: nodeId("Omit1.Print.RAW"), attributeId: AttributeIds.Value },
        { nodeId: nodeId("Omit1.Print.CmdLine"), attributeId: AttributeIds.Value }
    ]);
    check(raw.statusCode.equals(StatusCodes.BadNodeIdUnknown), "an omitted variable is unknown", raw.statusCode.toString());
    check(cmd.statusCode.isGood(), "the other variables are there");
    await session.close();
    await client.disconnect();
    sim.proc.stdin.end(); // end of input ends the simulator
    check((await sim.exited) === 0, "end of input ends the simulator");
}

async function main() {
    const port = await freePort();
    const url = `opc.tcp://localhost:${port}`;
    const sim = new Simulator(["--port", String(port), "--module", MODULE, ...EXTRA_ARGS]);
    let client;
    try {
        const ready = await sim.nextAnswer(30000);
        const m = /^ready (\S+) ns=(\d+) uri=(\S+)$/.exec(ready);
        check(!!m && m[1] === url && Number(m[2]) === NS, "ready line", ready);
        const uri = m ? m[3] : "";

        client = makeClient();
        await client.connect(url);
        const session = await client.createSession();
        check(true, "connected, anonymous session on security mode None");

        await checkAddressSpace(session, uri);
        await checkWrites(session, sim);
        await checkControl(session, sim);
        const { subscription, waitSeen } = await checkRequestCycle(session, sim);
        await checkFreeze(client, session, sim, subscription, url);
        await checkDrop(client, session, sim);
        await checkRestart(client, session, sim, port, uri);

        const t0 = Date.now();
        await sim.send("raise");
        check(!!(await waitSeen(true, t0, 5000)), "notifications still arrive after drop and restart");

        await session.close();
        await client.disconnect();
        client = null;
        const bye = await sim.send("quit");
        check(bye === "bye", "quit answers", bye);
        check((await sim.exited) === 0, "quit ends the simulator with status 0");

        await checkOmit(await freePort());
        await checkSampling(await freePort());
    } catch (err) {
        check(false, "unexpected error", err.stack);
        if (sim.stderr) console.log(`--- simulator stderr ---\n${sim.stderr}`);
    } finally {
        if (client) await client.disconnect().catch(() => {});
        sim.proc.kill();
    }
    console.log(`selftest: ${passed} passed, ${failed} failed`);
    process.exit(failed ? 1 : 0);
}

main();
