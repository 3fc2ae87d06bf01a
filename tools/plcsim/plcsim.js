#!/usr/bin/env node
"use strict";
// Simulated PLC: an OPC UA server that publishes the request variables of one print
// station and is controlled through standard input (see README.md).

// Standard output carries the control answers and nothing else: everything the OPC UA
// stack prints goes to standard error.
const { Console } = require("node:console");
globalThis.console = new Console({ stdout: process.stderr, stderr: process.stderr });

const os = require("node:os");
const path = require("node:path");
const readline = require("node:readline");
const { buildStation } = require("./lib/station");
const { PlcServer } = require("./lib/server");
const { CommandInterpreter, readyLine } = require("./lib/commands");
const { formatValue } = require("./lib/values");

const USAGE = `usage: plcsim.js [options]
  --port <n>          TCP port (default 4840)
  --host <address>    listen on this address only and name it in the endpoint URL
                      (default: every interface, URL with "localhost")
  --module <name>     module name of the station (default Line1)
  --var <name>:<Type>[:<maxLength>]
                      add a variable (Type Boolean, Int16, Int32, Double or String; the
                      maximum length in bytes for String only); the name is taken below
                      the module unless it starts with it; repeatable
  --omit <name>       leave a station variable out; repeatable
  --sampling <ms>     sampling mode: subscriptions look at the variables every <ms>
                      milliseconds instead of reporting each change, as a PLC's server does
  --publishing <ms>   the fastest publishing interval the server grants a subscription
                      (default 50, the stack's own floor)
  --max-nodes <n>     the most variables one Read or Write may name, as a PLC's server
                      limits them (default: no limit); more are refused whole
  --pki <folder>      certificate store of the server
                      (default: $XDG_CACHE_HOME or ~/.cache, then etikor-plcsim/pki)
  --stay              keep running when standard input ends (stop with SIGTERM)
  --quiet             no connection reports on standard error
  --help              this text`;

function parseArgs(argv) {
    const o = {
        port: 4840,
        host: undefined,
        module: "Line1",
        vars: [],
        omit: [],
        pki: undefined,
        sampling: undefined,
        publishing: undefined,
        maxNodes: undefined,
        stay: false,
        quiet: false
    };
    for (let i = 0; i < argv.length; i++) {
        const arg = argv[i];
        // "--port=4840" and "--port 4840" are both accepted.
        const eq = arg.startsWith("--") ? arg.indexOf("=") : -1;
        const flag = eq > 0 ? arg.slice(0, eq) : arg;
        const inline = eq > 0 ? arg.slice(eq + 1) : undefined;
        const value = () => {
            if (inline !== undefined) return inline;
            if (i + 1 >= argv.length) throw new Error(`${flag} needs a value`);
            return argv[++i];
        };
        switch (flag) {
            case "--port": {
                const v = value();
                if (!/^\d+$/.test(v) || Number(v) < 1 || Number(v) > 65535) throw new Error(`bad port "${v}"`);
                o.port = Number(v);
                break;
            }
            case "--host":
                o.host = value();
                break;
            case "--module":
                o.module = value();
                if (!o.module || /\s/.test(o.module)) throw new Error(`bad module name "${o.module}"`);
                break;
            case "--var":
                o.vars.push(value());
                break;
            case "--omit":
                o.omit.push(value());
                break;
            case "--pki":
                o.pki = value();
                break;
            case "--sampling": {
                const v = value();
                if (!/^\d+(\.\d+)?$/.test(v) || !(Number(v) > 0)) throw new Error(`bad sampling interval "${v}"`);
                o.sampling = Number(v);
                break;
            }
            case "--publishing": {
                const v = value();
                if (!/^\d+(\.\d+)?$/.test(v) || !(Number(v) > 0)) throw new Error(`bad publishing interval "${v}"`);
                o.publishing = Number(v);
                break;
            }
            case "--max-nodes": {
                const v = value();
                if (!/^\d+$/.test(v) || !(Number(v) > 0)) throw new Error(`bad node limit "${v}"`);
                o.maxNodes = Number(v);
                break;
            }
            case "--stay":
                o.stay = true;
                break;
            case "--quiet":
                o.quiet = true;
                break;
            case "--help":
            case "-h":
                process.stdout.write(USAGE + "\n");
                process.exit(0);
                break;
            default:
                throw new Error(`unknown option "${arg}"`);
        }
    }
    return o;
}

function defaultPkiDir() {
    const cache = process.env.XDG_CACHE_HOME || path.join(os.homedir() || os.tmpdir(), ".cache");
    return path.join(cache, "etikor-plcsim", "pki");
}

// One line on standard output. Writes to a pipe or a file are synchronous on Linux, so
// each line is out as soon as this returns.
function out(line) {
    process.stdout.write(line + "\n");
}

async function main() {
    let o;
    let table;
    try {
        o = parseArgs(process.argv.slice(2));
        table = buildStation(o.module, o.vars, o.omit);
    } catch (err) {
        process.stderr.write(`plcsim: ${err.message}\n${USAGE}\n`);
        process.exit(2);
    }

    const plc = new PlcServer({
        port: o.port,
        host: o.host,
        module: o.module,
        table,
        pkiDir: o.pki || defaultPkiDir(),
        samplingMs: o.sampling,
        publishingMs: o.publishing,
        maxNodes: o.maxNodes
    });
    plc.on("write", (v, value) => out(`write ${v.name} = ${formatValue(v.type, value)}`));
    plc.on("thawed", () => out("thawed"));
    if (!o.quiet) plc.on("log", (msg) => process.stderr.write(`plcsim: ${msg}\n`));

    let stopping = false;
    const quit = async (code) => {
        if (stopping) return;
        stopping = true;
        try {
            await plc.stop();
        } catch (err) {
            process.stderr.write(`plcsim: shutdown: ${err.message}\n`);
        }
        process.exit(code);
    };
    process.on("SIGTERM", () => quit(0));
    process.on("SIGINT", () => quit(0));

    try {
        await plc.start();
    } catch (err) {
        process.stderr.write(`plcsim: cannot start the server on port ${o.port}: ${err.message}\n`);
        process.exit(1);
    }
    out(readyLine(plc));

    const commands = new CommandInterpreter(plc, out, quit);
    const rl = readline.createInterface({ input: process.stdin, terminal: false });
    rl.on("line", (line) => commands.push(line));
    rl.on("close", () => {
        if (!o.stay) commands.queue.then(() => quit(0));
    });
}

main();
