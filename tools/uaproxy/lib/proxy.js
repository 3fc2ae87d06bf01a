"use strict";
// A TCP proxy between an OPC UA client (a station) and a server (the simulated PLC) that
// passes the traffic on and, when told to, makes the server misbehave towards the client:
// broken framing, aborts, floods of partial messages, decoder bombs, wrong channel and
// sequence numbers, service faults, a crawling connection. See ../README.md.
//
// The client's chunks go to the server as they are; the proxy reads them to learn the
// client's buffer sizes (Hello) and which service each request id asks for, and only while
// a service is refused does it exchange that service's requests for harmless ones. The server's
// chunks are taken apart and sent on one by one with sequence numbers of the proxy's own
// counting, so that chunks it adds, drops or replaces leave a stream that counts up by one
// as a client checks — unless a scenario means to break exactly that.

const { EventEmitter } = require("node:events");
const net = require("node:net");
const framing = require("./framing");
const messages = require("./messages");

// Scenarios and what they do while switched on (the proxy's `set`):
const SCENARIOS = {
    "pass": "nothing: every chunk goes on as it came",
    "truncate": "the next response is cut off within its first chunk, then the connection is closed",
    "size-over": "a response's size field claims 1000 bytes more than its data; the stream goes on",
    "size-under": "a response's size field is 4, less than the header",
    "oversized": "a chunk header claims 256 MiB, far above the receive buffer, followed by filler",
    "abort": "every response becomes a continuation chunk with half its body and an abort chunk",
    "flood": "endless empty continuation chunks, each of a new request id, once the channel is open",
    "flood-before-open": "the same before the channel is open: the Open response is held back meanwhile",
    "nested": "every Read response is replaced by one nested far beyond 100 levels",
    "null-variants": "every Read response is replaced by one of as many arrays of 65536 null Variants as the client's limits let through",
    "wrong-channel": "every response carries another secure channel id",
    "repeat-sequence": "every response repeats the sequence number of the chunk before it",
    "skip-sequence": "every response skips a sequence number",
    "fault": "requests of the services named are kept from the server and answered with a ServiceFault",
    "dribble": "everything towards the client goes at one byte a second"
};

const FLOOD_BATCH = 4096; // chunks written at a time
const OVERSIZED = 256 * 1024 * 1024;
const FILLER = Buffer.alloc(64 * 1024);
const ABORT_STATUS = 0x80b90000; // BadResponseTooLarge
const DEFAULT_FAULT_STATUS = 0x80100000; // BadTooManyOperations

class UaProxy extends EventEmitter {
    /**
     * @param {object} o
     * @param {string} o.targetHost  the server's address
     * @param {number} o.targetPort
     * @param {string} [o.host]      address to listen on (127.0.0.1)
     * @param {number} [o.port]      port to listen on; 0 (the default) takes a free one
     */
    constructor({ targetHost, targetPort, host = "127.0.0.1", port = 0 }) {
        super();
        Object.assign(this, { targetHost, targetPort, host, port });
        this.server = null;
        this.connections = new Set();
        this.scenario = { name: "pass" };
        this.counts = {}; // what was done, by name
        this.connectionCount = 0;
        this.nextFloodRequestId = 0x40000000; // far above the ids a client counts up to
        this.nestedRound = 0;
    }

    start() {
        return new Promise((resolve, reject) => {
            const server = net.createServer((socket) => this._accept(socket));
            server.once("error", reject);
            server.listen(this.port, this.host, () => {
                server.removeListener("error", reject);
                server.on("error", (err) => this.emit("log", `listening socket: ${err.message}`));
                this.server = server;
                this.port = server.address().port;
                resolve(this.port);
            });
        });
    }

    /** Closes the listening socket and every connection. */
    async stop() {
        const server = this.server;
        this.server = null;
        for (const c of this.connections) c.close(true);
        this.connections.clear();
        if (server) await new Promise((resolve) => server.close(() => resolve()));
    }

    /**
     * Switches a scenario on (any other goes off). `options`: for "fault", `services` (an
     * array of service names) and `status` (a status code); for "nested", `depth`.
     */
    set(name, options = {}) {
        if (!SCENARIOS[name]) throw new Error(`unknown scenario "${name}" (${Object.keys(SCENARIOS).join(", ")})`);
        if (name === "fault" && !(options.services?.length)) throw new Error("fault needs the services to refuse");
        this.scenario = { name, ...options };
        for (const c of this.connections) c.scenarioChanged();
    }

    off() {
        this.set("pass");
    }

    /** Resets every client connection (and its server side) at once. */
    drop() {
        let n = 0;
        for (const c of this.connections) {
            if (c.close(true)) n++;
        }
        return n;
    }

    count(what, n = 1) {
        this.counts[what] = (this.counts[what] ?? 0) + n;
    }

    _accept(socket) {
        const c = new Connection(this, socket);
        this.connections.add(c);
        this.count("connections");
        socket.once("close", () => this.connections.delete(c));
    }
}

/** One client connection and its connection to the server. */
class Connection {
    constructor(proxy, client) {
        this.proxy = proxy;
        this.id = ++proxy.connectionCount;
        this.client = client;
        this.closed = false;
        this.hello = null; // the client's limits
        this.requests = new Map(); // request id -> service name, until answered
        this.swapped = new Set(); // request ids the server got a FindServers request for
        this.fromClient = new framing.ChunkSplitter();
        this.clientParsing = true;
        this.fromServer = new framing.ChunkSplitter();
        this.partials = new Map(); // request id -> chunks of a response not yet complete
        this.token = null; // { channelId, tokenId } once the channel is open
        this.sequence = null; // the next sequence number towards the client
        this.sentSecure = false; // whether a secure chunk went to the client yet
        this.broken = false; // the framing towards the client is already wrecked
        this.heldOpen = []; // Open responses held back while the channel must not open
        this.dribble = []; // bytes waiting to crawl to the client
        this.dribbleTimer = null;
        this.flooding = false;
        this.ending = false; // closing the client gracefully after a cut-off response
        this.swallowServer = false; // the server's chunks no longer reach the client
        client.setNoDelay(true);
        client.on("error", () => this.close(false));
        client.on("close", () => this.close(false));
        client.pause();
        this.server = net.connect({ host: proxy.targetHost, port: proxy.targetPort });
        this.server.setNoDelay(true);
        this.server.on("error", () => this.close(false));
        // After a cut-off response the client is closed gracefully, once it has the bytes.
        this.server.on("close", () => this.ending || this.close(false));
        this.server.once("connect", () => {
            client.on("data", (d) => this.onClientData(d));
            client.resume();
        });
        this.server.on("data", (d) => this.onServerData(d));
    }

    get scenario() {
        return this.proxy.scenario;
    }

    /** Ends both sides; with `reset` the client gets a TCP reset. Returns whether it was open. */
    close(reset) {
        if (this.closed) return false;
        this.closed = true;
        clearInterval(this.dribbleTimer);
        this.dribble = [];
        if (reset) this.client.resetAndDestroy();
        else this.client.destroy();
        this.server.destroy();
        return true;
    }

    // -----------------------------------------------------------------------------------
    // Client to server: passed on chunk by chunk as it came, and read for the Hello and the
    // services asked for. While the "fault" scenario refuses a service, a request of it is
    // exchanged for a FindServers request (which needs no session and changes nothing)
    // before it reaches the server: a server that refuses a request does not carry it out,
    // and one that activated the session or wrote the value after all would make a
    // different fault of it. Its answer becomes the fault on the way back.

    onClientData(data) {
        if (this.closed) return;
        if (!this.clientParsing) {
            this.server.write(data);
            return;
        }
        let chunks;
        try {
            chunks = this.fromClient.push(data);
        } catch (err) {
            // A client that does not frame its messages is the server's problem, not ours.
            this.clientParsing = false;
            this.proxy.emit("log", `client stream not understood: ${err.message}`);
            this.server.write(this.fromClient.takeAll());
            return;
        }
        for (const buffer of chunks) this.server.write(this.fromClientChunk(buffer));
    }

    /** Notes what a client chunk says; returns what goes to the server in its place. */
    fromClientChunk(buffer) {
        let chunk;
        try {
            chunk = this.noteClientChunk(buffer);
        } catch (err) {
            this.proxy.emit("log", `client chunk not understood: ${err.message}`);
            return buffer;
        }
        const s = this.scenario;
        if (!chunk || s.name !== "fault" || chunk.type !== "MSG" || chunk.chunkType !== "F") return buffer;
        if (!chunk.first || !s.services.includes(this.requests.get(chunk.requestId))) return buffer;
        let body;
        try {
            body = messages.findServersInstead(framing.body(chunk));
        } catch {
            return buffer; // the server gets the request; its answer is still replaced
        }
        this.swapped.add(chunk.requestId);
        this.proxy.count("requests kept from the server");
        return framing.symmetricChunk({ ...chunk, body });
    }

    noteClientChunk(buffer) {
        const chunk = framing.parseChunk(buffer);
        if (chunk.type === "HEL") {
            this.hello = framing.parseHello(buffer);
            return chunk;
        }
        if (chunk.type === "OPN") {
            this.requests.set(chunk.requestId, "OpenSecureChannel");
            return chunk;
        }
        if (chunk.type !== "MSG") return chunk;
        if (chunk.chunkType === "A") {
            this.requests.delete(chunk.requestId);
            return chunk;
        }
        // The service's type id opens the body of the first chunk of a request.
        if (!this.requests.has(chunk.requestId)) {
            chunk.first = true;
            this.requests.set(chunk.requestId, messages.serviceOfRequest(framing.body(chunk)));
        }
        return chunk;
    }

    // -----------------------------------------------------------------------------------
    // Server to client

    onServerData(data) {
        if (this.closed) return;
        let chunks;
        try {
            chunks = this.fromServer.push(data);
        } catch (err) {
            this.proxy.emit("log", `server stream not understood: ${err.message}`);
            this.close(false);
            return;
        }
        for (const buffer of chunks) {
            if (this.closed) return;
            this.onServerChunk(framing.parseChunk(buffer));
        }
    }

    onServerChunk(chunk) {
        if (this.swallowServer) return;
        switch (chunk.type) {
            case "ACK":
            case "ERR":
                this.send(chunk.buffer);
                if (chunk.type === "ACK" && this.scenario.name === "flood-before-open") this.startFlood();
                return;
            case "OPN":
                this.onOpenResponse(chunk);
                return;
            case "MSG":
            case "CLO":
                this.collect(chunk);
                return;
            default:
                this.send(chunk.buffer);
        }
    }

    onOpenResponse(chunk) {
        if (this.sequence === null) this.sequence = chunk.sequenceNumber;
        if (this.scenario.name === "flood-before-open") {
            this.heldOpen.push(chunk);
            this.proxy.count("open responses held");
            return;
        }
        this.forwardOpen(chunk);
    }

    forwardOpen(chunk) {
        let token = null;
        try {
            token = messages.openResponseToken(framing.body(chunk));
        } catch {
            // not an Open response the proxy can read: the token stays as it was
        }
        if (token) this.token = token;
        this.send(framing.renumbered(chunk, this.nextSequence(false)));
        if (this.token && this.scenario.name === "flood") this.startFlood();
    }

    /** Collects the chunks of one response; a whole one goes to respond(). */
    collect(chunk) {
        const parts = this.partials.get(chunk.requestId) ?? [];
        parts.push(chunk);
        if (chunk.chunkType === "C") {
            this.partials.set(chunk.requestId, parts);
            return;
        }
        this.partials.delete(chunk.requestId);
        const service = this.requests.get(chunk.requestId);
        this.requests.delete(chunk.requestId);
        // A request the server never saw is refused, even when the scenario ended meanwhile:
        // the client must not get the answer to the FindServers request in its place.
        if (this.swapped.delete(chunk.requestId) && chunk.type === "MSG" && chunk.chunkType === "F" && !this.broken) {
            if (this.fault(parts, service)) return;
        }
        this.respond(parts, service);
    }

    /** The sequence number of the next chunk towards the client. */
    nextSequence(response) {
        if (this.sequence === null) this.sequence = 1;
        if (response && this.scenario.name === "skip-sequence") {
            this.sequence = (this.sequence + 1) >>> 0;
            this.proxy.count("sequence numbers skipped");
        }
        if (response && this.scenario.name === "repeat-sequence" && this.sentSecure) {
            this.proxy.count("sequence numbers repeated");
            return (this.sequence - 1) >>> 0;
        }
        this.sentSecure = true;
        const n = this.sequence;
        this.sequence = (this.sequence + 1) >>> 0;
        return n;
    }

    /** A whole response from the server, in `parts` (its chunks), answering `service`. */
    respond(parts, service) {
        const s = this.scenario;
        const first = parts[0];
        if (this.proxy.listenerCount("response")) {
            const info = first.type === "MSG" && first.chunkType !== "A" ? this.responseInfo(parts) : null;
            this.proxy.emit("response", {
                connection: this.id,
                requestId: first.requestId,
                service: service ?? "?",
                status: info?.serviceResult,
                scenario: this.broken ? "broken" : s.name
            });
        }
        const isResponse = first.type === "MSG" && first.chunkType !== "A";
        if (!isResponse || this.broken) {
            this.forward(parts, false);
            return;
        }
        switch (s.name) {
            case "truncate": {
                const b = framing.renumbered(first, this.nextSequence(true));
                // Header and channel id, and half of the rest.
                this.send(b.subarray(0, 12 + Math.floor((b.length - 12) / 2)));
                this.proxy.count("responses truncated");
                this.broken = true;
                this.finishThenClose();
                return;
            }
            case "size-over":
            case "size-under": {
                const b = framing.renumbered(first, this.nextSequence(true));
                const limit = this.hello?.receiveBufferSize || 65536;
                b.writeUInt32LE(s.name === "size-over" ? Math.min(b.length + 1000, limit) : 4, 4);
                this.send(b);
                this.proxy.count(s.name === "size-over" ? "size fields too large" : "size fields too small");
                this.broken = true;
                this.forward(parts.slice(1), true);
                return;
            }
            case "oversized": {
                const b = framing.renumbered(first, this.nextSequence(true));
                b.writeUInt32LE(OVERSIZED, 4);
                this.send(b);
                this.proxy.count("oversized chunks");
                this.broken = true;
                // What follows stands for the body the header announced.
                this.swallowServer = true;
                this.fill(OVERSIZED - b.length);
                return;
            }
            case "abort":
                this.abort(parts);
                return;
            case "wrong-channel":
                for (const chunk of parts) {
                    this.send(framing.renumbered(chunk, this.nextSequence(true), (chunk.channelId + 1) >>> 0));
                }
                this.proxy.count("responses on a wrong channel");
                return;
            case "nested":
            case "null-variants":
                if (service === "Read" && this.replaceRead(parts)) return;
                break;
            case "fault":
                if (s.services.includes(service) && this.fault(parts, service)) return;
                break;
            default:
                break;
        }
        this.forward(parts, true);
    }

    forward(parts, response) {
        for (const chunk of parts) {
            if (chunk.seqOffset === undefined) this.send(chunk.buffer);
            else this.send(framing.renumbered(chunk, this.nextSequence(response && chunk.type === "MSG")));
        }
    }

    /** A body of the proxy's own making as the response to the request of `like`. */
    sendBody(like, body) {
        const limit = this.hello?.receiveBufferSize || 65536;
        const room = limit - framing.SYMMETRIC_OVERHEAD;
        for (let offset = 0; offset < body.length || offset === 0; offset += room) {
            const part = body.subarray(offset, offset + room);
            const last = offset + room >= body.length;
            this.send(
                framing.symmetricChunk({
                    chunkType: last ? "F" : "C",
                    channelId: like.channelId,
                    tokenId: like.tokenId,
                    sequenceNumber: this.nextSequence(true),
                    requestId: like.requestId,
                    body: part
                })
            );
        }
    }

    abort(parts) {
        const first = parts[0];
        const body = Buffer.concat(parts.map(framing.body));
        const room = (this.hello?.receiveBufferSize || 65536) - framing.SYMMETRIC_OVERHEAD;
        const half = body.subarray(0, Math.min(room, Math.max(1, Math.floor(body.length / 2))));
        const like = { channelId: first.channelId, tokenId: first.tokenId, requestId: first.requestId };
        this.send(framing.symmetricChunk({ ...like, chunkType: "C", sequenceNumber: this.nextSequence(true), body: half }));
        this.send(
            framing.symmetricChunk({
                ...like,
                chunkType: "A",
                sequenceNumber: this.nextSequence(true),
                body: framing.abortBody(ABORT_STATUS, "the server gave up on this response")
            })
        );
        this.proxy.count("responses aborted");
    }

    fault(parts, service) {
        const info = this.responseInfo(parts);
        if (!info) return false;
        this.sendBody(parts[0], messages.serviceFault(info.requestHandle, this.scenario.status ?? DEFAULT_FAULT_STATUS));
        this.proxy.count(`faults on ${service}`);
        return true;
    }

    replaceRead(parts) {
        const info = this.responseInfo(parts);
        if (!info) return false;
        let body;
        if (this.scenario.name === "nested") {
            const shapes = Object.keys(messages.NESTED_SHAPES);
            const shape = shapes[this.proxy.nestedRound++ % shapes.length];
            body = messages.NESTED_SHAPES[shape](info.requestHandle, this.scenario.depth ?? 100000);
            this.proxy.count(`nested ${shape}`);
        } else {
            body = messages.nullVariantReadResponse(info.requestHandle, this.largestBody());
            this.proxy.count("null-variant responses");
            this.proxy.count("null-variant bytes", body.length);
        }
        this.sendBody(parts[0], body);
        return true;
    }

    /** The largest message body the client said it takes (its Hello), 16 MiB when it set none. */
    largestBody() {
        const h = this.hello ?? {};
        const room = (h.receiveBufferSize || 65536) - framing.SYMMETRIC_OVERHEAD;
        const byChunks = h.maxChunkCount ? h.maxChunkCount * room : Infinity;
        const byMessage = h.maxMessageSize || Infinity;
        const largest = Math.min(byChunks, byMessage);
        return Number.isFinite(largest) ? largest : 16 * 1024 * 1024;
    }

    responseInfo(parts) {
        try {
            return messages.responseInfo(Buffer.concat(parts.map(framing.body)));
        } catch {
            return null;
        }
    }

    // -----------------------------------------------------------------------------------
    // Writing towards the client

    /** Writes to the client, or queues for the crawl; false when the socket is full. */
    send(buffer) {
        if (this.closed || buffer.length === 0) return true;
        if (this.scenario.name === "dribble" || this.dribble.length) {
            this.dribble.push(Buffer.from(buffer));
            this.startDribble();
            return true;
        }
        return this.client.write(buffer);
    }

    startDribble() {
        if (this.dribbleTimer) return;
        this.dribbleTimer = setInterval(() => {
            if (this.closed) return;
            if (!this.dribble.length) {
                clearInterval(this.dribbleTimer);
                this.dribbleTimer = null;
                return;
            }
            const head = this.dribble[0];
            this.client.write(head.subarray(0, 1));
            this.proxy.count("bytes dribbled");
            if (head.length === 1) this.dribble.shift();
            else this.dribble[0] = head.subarray(1);
        }, 1000);
    }

    scenarioChanged() {
        if (this.closed) return;
        const name = this.scenario.name;
        if (name !== "dribble" && this.dribble.length) {
            // Back to speed: what waited goes at once.
            clearInterval(this.dribbleTimer);
            this.dribbleTimer = null;
            const waiting = this.dribble;
            this.dribble = [];
            for (const b of waiting) this.client.write(b);
        }
        if (name !== "flood-before-open" && this.heldOpen.length) {
            const held = this.heldOpen;
            this.heldOpen = [];
            for (const chunk of held) this.forwardOpen(chunk);
        }
        if (name === "flood" && this.token) this.startFlood();
        if (name === "flood-before-open" && !this.token && this.hello) this.startFlood();
    }

    /**
     * Writes empty continuation chunks, each of a request id never used before, with this
     * connection's channel, token and sequence numbers, as fast as the client takes them,
     * while a flood scenario is on.
     */
    startFlood() {
        if (this.flooding || this.closed) return;
        this.flooding = true;
        const pump = () => {
            const name = this.scenario.name;
            const before = name === "flood-before-open";
            if (this.closed || (name !== "flood" && !before) || (name === "flood" && !this.token)) {
                this.flooding = false;
                return;
            }
            const channelId = before ? 0 : this.token.channelId;
            const tokenId = before ? 0 : this.token.tokenId;
            const batch = Buffer.allocUnsafe(FLOOD_BATCH * framing.SYMMETRIC_OVERHEAD);
            for (let i = 0; i < FLOOD_BATCH; i++) {
                const o = i * framing.SYMMETRIC_OVERHEAD;
                batch.write("MSGC", o, "latin1");
                batch.writeUInt32LE(framing.SYMMETRIC_OVERHEAD, o + 4);
                batch.writeUInt32LE(channelId >>> 0, o + 8);
                batch.writeUInt32LE(tokenId >>> 0, o + 12);
                batch.writeUInt32LE(this.nextSequence(false), o + 16);
                batch.writeUInt32LE(this.proxy.nextFloodRequestId, o + 20);
                this.proxy.nextFloodRequestId = (this.proxy.nextFloodRequestId + 1) >>> 0 || 0x40000000;
            }
            this.proxy.count("flood chunks", FLOOD_BATCH);
            if (this.client.write(batch)) setImmediate(pump);
            else this.client.once("drain", pump);
        };
        pump();
    }

    /** After a broken chunk header: `total` bytes of filler, as fast as the client takes them. */
    fill(total) {
        let left = total;
        const pump = () => {
            if (this.closed || left <= 0) return;
            const b = FILLER.subarray(0, Math.min(FILLER.length, left));
            left -= b.length;
            this.proxy.count("filler bytes", b.length);
            if (this.client.write(b)) setImmediate(pump);
            else this.client.once("drain", pump);
        };
        pump();
    }

    /** Lets what was written reach the client, then closes the connection. */
    finishThenClose() {
        this.ending = true;
        this.server.destroy();
        this.client.end();
        // A client that does not read the rest must not keep the connection alive.
        setTimeout(() => this.close(false), 2000).unref();
    }
}

module.exports = { UaProxy, SCENARIOS };
