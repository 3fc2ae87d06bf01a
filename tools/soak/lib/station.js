"use strict";
// One Etikor station of the soak: its folders, its configuration as a Windows station writes
// it, and the etikord process with an environment of its own, watched for an early exit.

const { spawn } = require("node:child_process");
const fs = require("node:fs");
const path = require("node:path");
const readline = require("node:readline");

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The configuration records in the order stations write them: CR LF line ends, and only
// ASCII here, which Windows-1252 leaves as it is.
function configText(c) {
    const text = (k, v) => `"${k}","${v}"`;
    const num = (k, v) => `"${k}",${v}`;
    return [
        text("ServerPath", c.database),
        text("Netid", "127.0.0.1"),
        text("Port", c.plcPort),
        text("Modulname", c.module),
        num("Labelshop", 0),
        text("LabelshopPath", ""),
        text("DeleteDelay", "30"),
        num("CAD-Print", 0),
        text("CAD-Path", ""),
        text("CAD-Extension", ".wmf"),
        num("CAD-PrintRest", 0),
        text("Command-Line", c.commandLine ?? ""),
        num("Option-Command-Line", c.commandLine ? 1 : 0),
        num("PrintToFit", 0),
        num("WritePrintData", c.commandLine ? 0 : 1),
        num("Sonderzeichen", 1),
        num("PaperOrientation", 0),
        num("PrintRAW", c.commandLine ? 0 : 1),
        num("WinCADPrint", 0),
        num("UTF8Codierung", 0),
        text("Printername", `socket://127.0.0.1:${c.printerPort}`),
        num("ChinaCodierung", 0),
        num("PrefixOnOff", 0),
        text("Prefix", ""),
        num("RAWAddCrLf", 0),
        text("Codierung", ""),
        num("AblOnOff", 0)
    ]
        .map((l) => l + "\r\n")
        .join("");
}

class Station {
    /**
     * @param {object} o
     * @param {string} o.name       "A" or "B"
     * @param {string} o.dir        the station's folder; its "Server" folder is ETIKOR_HOME
     * @param {string} o.module
     * @param {string} o.etikord    path of the service binary
     * @param {(line: string) => void} o.onOutput  one line of the service's output
     */
    constructor({ name, dir, module, etikord, onOutput }) {
        Object.assign(this, { name, dir, module, etikord, onOutput });
        this.home = path.join(dir, "Server");
        this.config = path.join(this.home, `${module}.dcnf`);
        this.proc = null;
        this.exit = null; // { code, signal, at } once the process ended
        this.stopping = false;
        fs.mkdirSync(this.home, { recursive: true });
        fs.mkdirSync(path.join(dir, "run"), { recursive: true, mode: 0o700 });
        fs.mkdirSync(path.join(dir, "home"), { recursive: true });
    }

    /** The communication log the station writes into its application folder. */
    get commLog() {
        return path.join(this.home, `EtikorComm-${this.module}-.dat`);
    }

    writeConfig(c) {
        fs.writeFileSync(this.config, configText({ module: this.module, ...c }), "latin1");
    }

    /** Registry options: { area: { name: value } }, in the registry file's own syntax. */
    writeOptions(areas) {
        const lines = ["Windows Registry Editor Version 5.00", ""];
        for (const [area, options] of Object.entries(areas)) {
            lines.push(`[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\${area}\\Optionen]`);
            for (const [name, value] of Object.entries(options)) lines.push(`"${name}"="${value}"`);
            lines.push("");
        }
        fs.writeFileSync(this.registry, lines.map((l) => l + "\r\n").join(""), "latin1");
    }

    get registry() {
        return path.join(this.dir, "registry.reg");
    }

    /**
     * Starts etikord. The binary may be relinked meanwhile, so a missing or busy file is
     * waited for (up to two minutes).
     */
    async start() {
        const env = {
            ...process.env,
            HOME: path.join(this.dir, "home"),
            ETIKOR_HOME: this.home,
            ETIKOR_REGISTRY: this.registry,
            XDG_RUNTIME_DIR: path.join(this.dir, "run"),
            // No CUPS server is needed: the printer is a socket URI.
            CUPS_SERVER: "127.0.0.1:9",
            QT_LOGGING_RULES: "etikor.*=true"
        };
        const out = fs.createWriteStream(path.join(this.dir, "etikord.out"));
        for (let attempt = 0; ; attempt++) {
            try {
                fs.accessSync(this.etikord, fs.constants.X_OK);
                this.proc = await new Promise((resolve, reject) => {
                    const p = spawn(this.etikord, [this.config], { cwd: this.dir, env, stdio: ["ignore", "pipe", "pipe"] });
                    p.once("spawn", () => resolve(p));
                    p.once("error", reject);
                });
                break;
            } catch (err) {
                if (attempt >= 120 || !["ENOENT", "ETXTBSY", "EACCES"].includes(err.code)) throw err;
                await sleep(1000);
            }
        }
        this.pid = this.proc.pid;
        this.proc.on("error", () => {});
        for (const stream of [this.proc.stdout, this.proc.stderr]) {
            stream.pipe(out, { end: false });
            readline.createInterface({ input: stream }).on("line", (line) => this.onOutput(line));
        }
        this.exited = new Promise((resolve) =>
            this.proc.on("exit", (code, signal) => {
                this.exit = { code, signal, at: Date.now() };
                resolve(this.exit);
            })
        );
    }

    /** Resident memory (kB) and open file descriptors of the running process. */
    usage() {
        if (!this.proc || this.exit) return null;
        try {
            const status = fs.readFileSync(`/proc/${this.pid}/status`, "utf8");
            const rssKb = Number(/^VmRSS:\s+(\d+)/m.exec(status)?.[1]);
            const fds = fs.readdirSync(`/proc/${this.pid}/fd`).length;
            return { rssKb, fds };
        } catch {
            return null;
        }
    }

    /** SIGTERM runs the station's shutdown; SIGKILL after `graceMs`. */
    async stop(graceMs = 10000) {
        this.stopping = true;
        if (!this.proc || this.exit) return this.exit;
        this.proc.kill("SIGTERM");
        const timer = setTimeout(() => this.exit || this.proc.kill("SIGKILL"), graceMs);
        await this.exited;
        clearTimeout(timer);
        return this.exit;
    }

    /** For an emergency exit: no waiting. */
    kill() {
        if (this.proc && !this.exit) this.proc.kill("SIGKILL");
    }
}

module.exports = { Station };
