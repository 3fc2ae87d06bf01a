#!/usr/bin/env node
"use strict";
// A RAW printer for demonstrations and tests: listens on a TCP port the way label printers
// do (socket://host:port, often 9100), saves every job it receives to its own file and
// reports it on standard output as
//   job <n> <bytes> bytes <file>
// A job is everything one connection sends until the client ends it; the printer then
// closes its side (see printer.js). A connection that breaks off before is reported as
//   incomplete <bytes> bytes      or, when the printer reset it,      reset <bytes> bytes
//
//   node rawprinter.js --port 9100 --dir ./jobs [--host 127.0.0.1] [--mode <mode>]
//                      [--hold <seconds>] [--commands]
// Prints "listening <port>" once ready; ends on SIGTERM or SIGINT. --mode starts in a
// fault mode (normal, refuse, reset, slow, stall; --hold is the slow mode's delay); with
// --commands, lines "mode <mode> [seconds]" on standard input switch it, answered with
// "ok mode <mode>".

const fs = require("node:fs");
const path = require("node:path");
const readline = require("node:readline");
const { RawPrinter, MODES } = require("./printer");

function parseArgs(argv) {
    const o = { port: 9100, host: "127.0.0.1", dir: ".", mode: "normal", hold: 2, commands: false };
    for (let i = 0; i < argv.length; i++) {
        const value = () => {
            if (i + 1 >= argv.length) throw new Error(`${argv[i]} needs a value`);
            return argv[++i];
        };
        switch (argv[i]) {
            case "--port": o.port = Number(value()); break;
            case "--host": o.host = value(); break;
            case "--dir": o.dir = value(); break;
            case "--mode": o.mode = value(); break;
            case "--hold": o.hold = Number(value()); break;
            case "--commands": o.commands = true; break;
            default: throw new Error(`unknown option ${argv[i]}`);
        }
    }
    if (!Number.isInteger(o.port) || o.port < 0 || o.port > 65535) throw new Error("bad port");
    if (!MODES.includes(o.mode)) throw new Error(`bad mode (${MODES.join(", ")})`);
    if (!(o.hold >= 0)) throw new Error("bad hold time");
    return o;
}

async function main() {
    let options;
    try {
        options = parseArgs(process.argv.slice(2));
    } catch (e) {
        process.stderr.write(`rawprinter: ${e.message}\n`);
        process.exit(2);
    }
    fs.mkdirSync(options.dir, { recursive: true });
    const printer = new RawPrinter({ host: options.host, port: options.port, holdSeconds: options.hold });
    printer.on("job", (job) => {
        if (job.status !== "printed") {
            process.stdout.write(`${job.status} ${job.data.length} bytes\n`);
            return;
        }
        const file = path.join(options.dir, `job-${String(job.n).padStart(4, "0")}.prn`);
        fs.writeFileSync(file, job.data);
        process.stdout.write(`job ${job.n} ${job.data.length} bytes ${file}\n`);
    });
    await printer.start();
    // Listening first, so that "refuse" still learns its port.
    await printer.setMode(options.mode);
    process.stdout.write(`listening ${printer.port}\n`);
    const stop = () => printer.stop().then(() => process.exit(0));
    process.on("SIGTERM", stop);
    process.on("SIGINT", stop);
    if (options.commands) {
        readline.createInterface({ input: process.stdin, terminal: false }).on("line", (line) => {
            const [word, mode, seconds] = line.trim().split(/\s+/);
            if (!word) return;
            const hold = seconds === undefined ? undefined : Number(seconds);
            if (word !== "mode" || !MODES.includes(mode) || (hold !== undefined && !(hold >= 0))) {
                process.stdout.write(`error usage: mode <${MODES.join("|")}> [seconds]\n`);
                return;
            }
            printer.setMode(mode, { holdSeconds: hold }).then(
                () => process.stdout.write(`ok mode ${mode}\n`),
                (e) => process.stdout.write(`error ${e.message}\n`)
            );
        });
    }
}

main().catch((e) => {
    process.stderr.write(`rawprinter: ${e.message}\n`);
    process.exit(1);
});
