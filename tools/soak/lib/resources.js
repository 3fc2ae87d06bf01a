"use strict";
// What the soak holds outside its own process besides the stations: a writer that locks the
// print database, and the small file system that stands for a full disk. Each can be taken
// away again from the emergency exit.

const { execFileSync, spawn } = require("node:child_process");
const fs = require("node:fs");
const path = require("node:path");
const readline = require("node:readline");

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

/**
 * Holds an exclusive lock on an SQLite database for `seconds` with the sqlite3 shell, the
 * way a writer with a long transaction does: readers get "database is locked" or wait.
 * Resolves once the lock is given back.
 */
class DatabaseLock {
    constructor(database) {
        this.database = database;
        this.proc = null;
    }

    async hold(seconds, onLocked) {
        const proc = spawn("sqlite3", [this.database], { stdio: ["pipe", "pipe", "pipe"] });
        this.proc = proc;
        const exited = new Promise((resolve) => proc.on("exit", resolve));
        let errors = "";
        proc.stderr.on("data", (d) => (errors += d));
        const lines = readline.createInterface({ input: proc.stdout });
        const locked = new Promise((resolve) => lines.on("line", (l) => l === "locked" && resolve(true)));
        // A reader that holds the database just now delays the lock, it does not refuse it.
        proc.stdin.write(".timeout 20000\nBEGIN EXCLUSIVE;\nSELECT 'locked';\n");
        const got = await Promise.race([locked, exited.then(() => false)]);
        if (!got) throw new Error(`database not locked: ${errors.trim()}`);
        onLocked();
        await sleep(seconds * 1000);
        proc.stdin.end("COMMIT;\n.quit\n");
        await exited;
        this.proc = null;
    }

    kill() {
        if (this.proc) this.proc.kill("SIGKILL");
    }
}

/**
 * The application folder of a station on a file system of its own, a small tmpfs, that can
 * be filled to the last byte and emptied again. Where mounting is not allowed, the folder
 * stays on the ordinary disk and a full disk is played by a folder put where the
 * communication log would be written, so that writing it fails as well.
 */
class SmallDisk {
    constructor(dir, sizeMb) {
        this.dir = dir;
        this.sizeMb = sizeMb;
        this.mounted = false;
        this.filler = path.join(dir, "soak-filler.bin");
    }

    /** Mounts the tmpfs; returns an explanation when that is not possible. */
    mount() {
        fs.mkdirSync(this.dir, { recursive: true });
        try {
            execFileSync("mount", ["-t", "tmpfs", "-o", `size=${this.sizeMb}m,mode=0755`, "etikor-soak", this.dir], {
                stdio: ["ignore", "ignore", "pipe"]
            });
            this.mounted = true;
            return null;
        } catch (err) {
            return (err.stderr?.toString() || err.message).trim();
        }
    }

    /** Fills the file system, or blocks the log file; returns what was done. */
    fill(commLog) {
        if (!this.mounted) {
            this.blocked = commLog;
            if (fs.existsSync(commLog)) fs.renameSync(commLog, `${commLog}.${Date.now()}`);
            fs.mkdirSync(commLog);
            return "log file replaced by a folder";
        }
        const chunk = Buffer.alloc(1 << 20);
        const fd = fs.openSync(this.filler, "w");
        let bytes = 0;
        try {
            for (;;) bytes += fs.writeSync(fd, chunk);
        } catch (err) {
            if (err.code !== "ENOSPC") throw err;
        } finally {
            fs.closeSync(fd);
        }
        return `filled with ${bytes} bytes, ${fs.statfsSync(this.dir).bavail} blocks free`;
    }

    empty() {
        fs.rmSync(this.filler, { force: true });
        if (this.blocked) {
            fs.rmSync(this.blocked, { recursive: true, force: true });
            this.blocked = null;
        }
    }

    /** Unmounts; what the station wrote there is copied to `keepDir` first when given. */
    unmount(keepDir) {
        if (!this.mounted) return;
        if (keepDir) fs.cpSync(this.dir, keepDir, { recursive: true, filter: (f) => f !== this.filler });
        try {
            execFileSync("umount", [this.dir], { stdio: "ignore" });
        } catch {
            // Something still has a file open there: detach it now, it goes once closed.
            execFileSync("umount", ["-l", this.dir], { stdio: "ignore" });
        }
        this.mounted = false;
    }
}

module.exports = { DatabaseLock, SmallDisk };
