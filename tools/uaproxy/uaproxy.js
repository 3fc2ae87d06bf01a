#!/usr/bin/env node
"use strict";
// A hostile OPC UA server in front of a real one: passes a client's connection on to the
// server and, on command, makes the server's side misbehave. See README.md.

const readline = require("node:readline");
const { UaProxy, SCENARIOS } = require("./lib/proxy");
const { REQUEST_IDS } = require("./lib/messages");

const USAGE = `usage: uaproxy.js --target <host>:<port> [--port <n>] [--host <address>]
  --target   the OPC UA server to pass the connections on to
  --port     port to listen on (default: a free one, named in the ready line)
  --host     address to listen on (default 127.0.0.1)
commands on standard input, one a line:
  set <scenario> [services=<A,B>] [status=<code>] [depth=<n>]
  off | drop | counts | list | quit`;

function parseArgs(argv) {
    const o = { host: "127.0.0.1", port: 0 };
    for (let i = 0; i < argv.length; i++) {
        const value = () => {
            if (i + 1 >= argv.length) throw new Error(`${argv[i]} needs a value`);
            return argv[++i];
        };
        switch (argv[i]) {
            case "--target": {
                const m = /^(.*):(\d+)$/.exec(value());
                if (!m) throw new Error("--target needs <host>:<port>");
                o.targetHost = m[1];
                o.targetPort = Number(m[2]);
                break;
            }
            case "--port": o.port = Number(value()); break;
            case "--host": o.host = value(); break;
            case "--help": case "-h": process.stdout.write(USAGE + "\n"); process.exit(0); break;
            default: throw new Error(`unknown option "${argv[i]}"`);
        }
    }
    if (!o.targetHost) throw new Error("--target is required");
    return o;
}

/** "set fault services=Read,Write status=0x80020000" -> ["fault", { services, status }] */
function parseSet(words) {
    const [name, ...rest] = words;
    const options = {};
    for (const w of rest) {
        const [key, value] = w.split("=", 2);
        if (key === "services") {
            options.services = value.split(",").filter(Boolean);
            for (const s of options.services) if (!REQUEST_IDS[s]) throw new Error(`unknown service ${s}`);
        } else if (key === "status") {
            options.status = Number(value);
            if (!Number.isInteger(options.status) || options.status < 0x80000000 || options.status > 0xffffffff) {
                throw new Error(`bad status ${value} (a Bad status code, e.g. 0x80100000)`);
            }
        } else if (key === "depth") {
            options.depth = Number(value);
            if (!(options.depth >= 1)) throw new Error(`bad depth ${value}`);
        } else {
            throw new Error(`unknown option ${key}`);
        }
    }
    return [name, options];
}

async function main() {
    let o;
    try {
        o = parseArgs(process.argv.slice(2));
    } catch (err) {
        process.stderr.write(`uaproxy: ${err.message}\n${USAGE}\n`);
        process.exit(2);
    }
    const proxy = new UaProxy(o);
    proxy.on("log", (text) => process.stderr.write(`uaproxy: ${text}\n`));
    await proxy.start();
    const say = (line) => process.stdout.write(line + "\n");
    say(`ready ${o.host}:${proxy.port} -> ${o.targetHost}:${o.targetPort}`);
    const quit = async () => {
        await proxy.stop();
        process.exit(0);
    };
    process.on("SIGINT", quit);
    process.on("SIGTERM", quit);
    const lines = readline.createInterface({ input: process.stdin });
    lines.on("close", quit);
    lines.on("line", (line) => {
        const words = line.trim().split(/\s+/).filter(Boolean);
        if (!words.length) return;
        try {
            switch (words[0]) {
                case "set": {
                    const [name, options] = parseSet(words.slice(1));
                    proxy.set(name, options);
                    return say(`ok ${name}`);
                }
                case "off":
                    proxy.off();
                    return say("ok pass");
                case "drop":
                    return say(`ok dropped ${proxy.drop()}`);
                case "counts":
                    return say(`counts ${JSON.stringify(proxy.counts)}`);
                case "list":
                    return say(`scenarios ${Object.keys(SCENARIOS).join(" ")}`);
                case "quit":
                    say("bye");
                    return quit();
                default:
                    return say(`error unknown command "${words[0]}"`);
            }
        } catch (err) {
            say(`error ${err.message}`);
        }
    });
}

main();
