"use strict";
// The control commands read from standard input, one a line. Every command is answered
// with exactly one line; commands run one after the other, so a waiting command
// (wait-clear) holds back the ones typed after it.

const { findVariable, flagName } = require("./station");
const { byteLength, formatValue, parseValue } = require("./values");

const HELP =
    "commands: set <name> <value> | get <name> | raise [abl] | wait-clear [abl] [seconds] | " +
    "cycle <count> [abl] | " +
    "drop | restart | freeze <seconds> [all] | refuse <service> <count> [status] | list | help | quit";

const DEFAULT_WAIT_SECONDS = 30;

class CommandInterpreter {
    /**
     * @param {PlcServer} plc
     * @param {(line: string) => void} answer  writes one answer line
     * @param {(code: number) => Promise<void>} quit  stops everything and ends the process
     */
    constructor(plc, answer, quit) {
        this.plc = plc;
        this.answer = answer;
        this.quit = quit;
        this.queue = Promise.resolve();
    }

    /** Queues one input line; its answer follows the answers of the lines before it. */
    push(line) {
        this.queue = this.queue.then(() => this._run(line)).catch((err) => this.answer(`error ${err.message}`));
        return this.queue;
    }

    async _run(line) {
        const text = line.replace(/\r$/, "");
        const m = /^\s*(\S+)\s*(.*)$/s.exec(text);
        if (!m) return; // empty line
        const [, command, rest] = m;
        switch (command.toLowerCase()) {
            case "set":
                return this._set(rest);
            case "get":
                return this._get(rest.trim());
            case "raise":
                return this._raise(rest.trim());
            case "wait-clear":
                return this._waitClear(rest.trim());
            case "cycle":
                return this._cycle(rest.trim());
            case "drop":
                return this.answer(`ok dropped ${this.plc.drop()}`);
            case "restart":
                await this.plc.restart();
                return this.answer(readyLine(this.plc));
            case "freeze":
                return this._freeze(rest.trim());
            case "refuse":
                return this._refuse(rest.trim());
            case "list":
                return this.answer(
                    "vars " +
                        [...this.plc.table.values()]
                            .map((v) => `${v.name}:${v.type}${v.maxLength !== undefined ? `:${v.maxLength}` : ""}`)
                            .join(" ")
                );
            case "help":
                return this.answer(HELP);
            case "quit":
            case "exit":
                this.answer("bye");
                return this.quit(0);
            default:
                return this.answer(`error unknown command "${command}"; ${HELP}`);
        }
    }

    _variable(name) {
        if (!name) throw new Error("name missing");
        const v = findVariable(this.plc.table, this.plc.module, name);
        if (!v) throw new Error(`unknown variable ${name}`);
        return v;
    }

    _set(rest) {
        // The name ends at the first blank or tab; for a String the value is the rest of the
        // line after that one character, taken as it stands.
        const m = /^(\S+)(?:[ \t](.*))?$/s.exec(rest.replace(/^\s+/, ""));
        if (!m) throw new Error("usage: set <name> <value>");
        const v = this._variable(m[1]);
        const raw = m[2] ?? "";
        if (v.type !== "String" && raw.trim() === "") throw new Error("usage: set <name> <value>");
        const value = parseValue(v.type, raw);
        if (v.type === "String" && v.maxLength !== undefined && byteLength(value) > v.maxLength) {
            throw new Error(`too long for ${v.name}: ${byteLength(value)} bytes, at most ${v.maxLength}`);
        }
        this.plc.setValue(v, value);
        this.answer(`ok ${v.name} = ${formatValue(v.type, value)}`);
    }

    _get(name) {
        const v = this._variable(name);
        this.answer(`value ${v.name} = ${formatValue(v.type, v.value)}`);
    }

    _family(word) {
        if (word === "" || word === "print") return "";
        if (word === "abl" || word === "babl") return "abl";
        throw new Error(`unknown family "${word}" (abl or nothing)`);
    }

    _raise(rest) {
        const v = this._variable(flagName(this.plc.module, this._family(rest.toLowerCase())));
        this.plc.setValue(v, true);
        this.answer(`ok ${v.name} = true`);
    }

    async _waitClear(rest) {
        const words = rest.split(/\s+/).filter(Boolean);
        let family = "";
        if (words.length && !/^[\d.]+$/.test(words[0])) family = this._family(words.shift().toLowerCase());
        const seconds = words.length ? Number(words[0]) : DEFAULT_WAIT_SECONDS;
        if (!(seconds >= 0) || words.length > 1) throw new Error("usage: wait-clear [abl] [seconds]");
        const flag = this._variable(flagName(this.plc.module, family));
        const cleared = flag.value ? await this._cleared(flag, seconds) : true;
        if (!cleared) return this.answer("timeout");
        // The result and its text are written before the flag, so they are in place now.
        const base = flag.name.slice(0, -"anford".length);
        const err = this.plc.table.get(`${base}anfordErr`);
        const text = this.plc.table.get(`${base}anfordErrText`);
        this.answer(
            `cleared ${flag.name}` +
                (err ? ` anfordErr=${formatValue(err.type, err.value)}` : "") +
                (text ? ` anfordErrText=${formatValue(text.type, text.value)}` : "")
        );
    }

    // Resolves true when the flag is written false (after start() ran, which may raise it),
    // false after the given seconds.
    _cleared(flag, seconds, start = () => {}) {
        return new Promise((resolve) => {
            const onChange = (variable, value) => {
                if (variable === flag && !value) finish(true);
            };
            const timer = setTimeout(() => finish(false), seconds * 1000);
            const finish = (ok) => {
                clearTimeout(timer);
                this.plc.off("change", onChange);
                resolve(ok);
            };
            this.plc.on("change", onChange);
            start();
        });
    }

    // A machine at full speed: raises the flag, and the moment the station's clear arrives,
    // raises it again, count times; answers with the times from raise to clear as the server
    // saw them, in milliseconds.
    async _cycle(rest) {
        const words = rest.split(/\s+/).filter(Boolean);
        const count = Number(words[0]);
        if (!Number.isInteger(count) || count < 1 || words.length > 2) throw new Error("usage: cycle <count> [abl]");
        const flag = this._variable(flagName(this.plc.module, this._family((words[1] || "").toLowerCase())));
        const times = [];
        let timeouts = 0;
        for (let i = 0; i < count; i++) {
            const start = process.hrtime.bigint();
            const cleared = await this._cleared(flag, DEFAULT_WAIT_SECONDS, () => this.plc.setValue(flag, true));
            if (!cleared) {
                timeouts++;
                break;
            }
            times.push(Number(process.hrtime.bigint() - start) / 1e6);
        }
        times.sort((a, b) => a - b);
        const at = (q) => (times.length ? times[Math.min(times.length - 1, Math.floor(times.length * q))].toFixed(2) : "-");
        this.answer(
            `cycled ${times.length} p50=${at(0.5)} p90=${at(0.9)} p99=${at(0.99)} ` +
                `max=${times.length ? times[times.length - 1].toFixed(2) : "-"} timeouts=${timeouts}`
        );
    }

    _refuse(rest) {
        const [service, countText, status] = rest.split(/\s+/);
        const count = Number(countText);
        if (!service || !Number.isInteger(count) || count < 0) throw new Error("usage: refuse <service> <count> [status]");
        this.plc.refuse(service, count, status);
        this.answer(`ok refusing ${count} ${service}`);
    }

    _freeze(rest) {
        const words = rest.split(/\s+/).filter(Boolean);
        const seconds = Number(words[0]);
        const all = words[1]?.toLowerCase() === "all";
        if (!words.length || !(seconds > 0) || words.length > 2 || (words.length === 2 && !all)) {
            throw new Error("usage: freeze <seconds> [all]");
        }
        const n = this.plc.freeze(seconds, all);
        this.answer(`ok frozen ${n} for ${seconds}s${all ? " with new connections" : ""}`);
    }
}

function readyLine(plc) {
    return `ready ${plc.endpointUrl} ns=${plc.namespaceIndex} uri=${plc.namespaceUri}`;
}

module.exports = { CommandInterpreter, readyLine };
