#!/usr/bin/env node
"use strict";
// A RAW printer for demonstrations and tests: listens on a TCP port the way label printers
// do (socket://host:port, often 9100), saves every job it receives to its own file and
// reports it on standard output as
//   job <n> <bytes> bytes <file>
// A job is everything one connection sends until it closes.
//
//   node rawprinter.js --port 9100 --dir ./jobs [--host 127.0.0.1]
// Prints "listening <port>" once ready; ends on SIGTERM or SIGINT.

const fs = require("node:fs");
const net = require("node:net");
const path = require("node:path");

function parseArgs(argv) {
    const o = { port: 9100, host: "127.0.0.1", dir: "." };
    for (let i = 0; i < argv.length; i++) {
        const value = () => {
            if (i + 1 >= argv.length) throw new Error(`${argv[i]} needs a value`);
            return argv[++i];
        };
        switch (argv[i]) {
            case "--port": o.port = Number(value()); break;
            case "--host": o.host = value(); break;
            case "--dir": o.dir = value(); break;
            default: throw new Error(`unknown option ${argv[i]}`);
        }
    }
    if (!Number.isInteger(o.port) || o.port < 0 || o.port > 65535) throw new Error("bad port");
    return o;
}

function main() {
    let options;
    try {
        options = parseArgs(process.argv.slice(2));
    } catch (e) {
        process.stderr.write(`rawprinter: ${e.message}\n`);
        process.exit(2);
    }
    fs.mkdirSync(options.dir, { recursive: true });
    let jobs = 0;
    const server = net.createServer((socket) => {
        const chunks = [];
        socket.on("data", (chunk) => chunks.push(chunk));
        socket.on("error", () => {});
        socket.on("close", () => {
            const data = Buffer.concat(chunks);
            const file = path.join(options.dir, `job-${String(++jobs).padStart(4, "0")}.prn`);
            fs.writeFileSync(file, data);
            process.stdout.write(`job ${jobs} ${data.length} bytes ${file}\n`);
        });
    });
    server.listen(options.port, options.host, () => {
        process.stdout.write(`listening ${server.address().port}\n`);
    });
    const stop = () => server.close(() => process.exit(0));
    process.on("SIGTERM", stop);
    process.on("SIGINT", stop);
}

main();
