"use strict";
// A socket RAW printer the way label printers answer on port 9100: a job is what one
// connection sends until the client closes its sending side; the printer then closes its
// own side, and that close is what tells the client the job was taken. Faults a real
// printer shows can be switched on while it runs:
//   normal  takes every job at once
//   refuse  is not listening: connections are refused
//   reset   accepts, reads the first bytes of a job and resets the connection (TCP RST)
//   slow    reads in small steps and closes only `holdSeconds` after the client's end
//   stall   accepts and reads, but never closes; leaving the mode resets what it holds,
//           like a printer that hung and was switched off and on
// Only a job the printer closed after the client's end counts as printed; the others are
// recorded as "reset" or "incomplete".
//
// Events: "started" (the first bytes of a job, a Buffer), "received" (the whole job once the
// client ended it, a Buffer), "job" (a finished job's record, see `jobs`).

const { EventEmitter } = require("node:events");
const net = require("node:net");

const MODES = ["normal", "refuse", "reset", "slow", "stall"];
const SLOW_READ_MS = 50;

class RawPrinter extends EventEmitter {
    /**
     * @param {object} [o]
     * @param {string} [o.host]        address to listen on, 127.0.0.1 when not given
     * @param {number} [o.port]        port, 0 for a free one
     * @param {number} [o.holdSeconds] how long the slow mode holds a received job
     */
    constructor({ host = "127.0.0.1", port = 0, holdSeconds = 2 } = {}) {
        super();
        this.host = host;
        this.port = port;
        this.holdSeconds = holdSeconds;
        this.mode = "normal";
        this.server = null;
        this.open = new Set(); // jobs still connected: { socket, chunks, ... }
        this.jobs = []; // every finished job: { n, status, data, acceptedAt, endedAt }
        this.printed = 0;
    }

    /** Starts listening; resolves with the port. */
    async start() {
        await this._listen();
        return this.port;
    }

    /** Stops listening and ends every open connection; their jobs count as incomplete. */
    async stop() {
        await this._unlisten();
        for (const job of [...this.open]) {
            clearTimeout(job.timer);
            job.socket.destroy();
            this._finish(job, "incomplete");
        }
    }

    /**
     * Switches the fault mode. `holdSeconds` changes the slow mode's hold for the jobs
     * received from now on.
     */
    async setMode(mode, { holdSeconds } = {}) {
        if (!MODES.includes(mode)) throw new Error(`unknown printer mode "${mode}" (${MODES.join(", ")})`);
        if (holdSeconds !== undefined) this.holdSeconds = holdSeconds;
        const previous = this.mode;
        this.mode = mode;
        if (mode === "refuse") await this._unlisten();
        else if (!this.server) await this._listen();
        if (previous === "stall" && mode !== "stall") {
            for (const job of [...this.open]) {
                if (!job.ended) continue;
                job.socket.resetAndDestroy();
                this._finish(job, "reset");
            }
        }
    }

    /** Number of connections whose job is not finished yet. */
    get pending() {
        return this.open.size;
    }

    _listen() {
        return new Promise((resolve, reject) => {
            const server = net.createServer({ allowHalfOpen: true }, (socket) => this._accept(socket));
            server.once("error", reject);
            server.listen(this.port, this.host, () => {
                server.off("error", reject);
                this.port = server.address().port;
                this.server = server;
                resolve();
            });
        });
    }

    _unlisten() {
        const server = this.server;
        this.server = null;
        if (!server) return Promise.resolve();
        // close() waits for the open connections; the listening socket itself is gone at once.
        server.close();
        return Promise.resolve();
    }

    _accept(socket) {
        const job = { socket, chunks: [], ended: false, acceptedAt: Date.now(), timer: null };
        this.open.add(job);
        socket.on("error", () => {});
        socket.on("data", (chunk) => {
            job.chunks.push(chunk);
            if (job.chunks.length === 1) this.emit("started", chunk);
            if (this.mode === "reset") {
                socket.resetAndDestroy();
                this._finish(job, "reset");
            } else if (this.mode === "slow") {
                socket.pause();
                setTimeout(() => socket.destroyed || socket.resume(), SLOW_READ_MS);
            }
        });
        socket.on("end", () => {
            job.ended = true;
            this.emit("received", Buffer.concat(job.chunks));
            if (this.mode === "slow") {
                job.timer = setTimeout(() => this._take(job), this.holdSeconds * 1000);
            } else if (this.mode !== "stall") {
                this._take(job);
            }
        });
        socket.on("close", () => {
            clearTimeout(job.timer);
            this._finish(job, "incomplete");
        });
    }

    // The job is taken: the printer closes its side.
    _take(job) {
        if (!this.open.has(job)) return;
        if (job.socket.destroyed) return this._finish(job, "incomplete");
        job.socket.end();
        this._finish(job, "printed");
    }

    _finish(job, status) {
        if (!this.open.delete(job)) return;
        const record = {
            n: status === "printed" ? ++this.printed : undefined,
            status,
            data: Buffer.concat(job.chunks),
            acceptedAt: job.acceptedAt,
            endedAt: Date.now()
        };
        this.jobs.push(record);
        this.emit("job", record);
    }
}

module.exports = { RawPrinter, MODES };
