"use strict";
// The framing of OPC UA over TCP as far as the proxy needs it: cutting a byte stream into
// chunks, reading the headers of a chunk, and writing chunks of its own.
//
// Every chunk starts with an 8-byte header: three letters of message type, one byte of
// chunk type ('F' final, 'C' continuation, 'A' abort) and the size of the whole chunk as a
// UInt32. OPN, MSG and CLO chunks go on with the secure channel id, a security header
// (OPN: policy URI, certificate and thumbprint; MSG and CLO: the token id) and the sequence
// header (sequence number, request id) before the body.

const { Reader, Writer } = require("./binary");

const HEADER_SIZE = 8;
// Header, channel id, token id and sequence header of a MSG or CLO chunk.
const SYMMETRIC_OVERHEAD = 24;
const SECURE_TYPES = new Set(["OPN", "MSG", "CLO"]);
const KNOWN_TYPES = new Set(["HEL", "ACK", "ERR", "RHE", "OPN", "MSG", "CLO"]);

class FramingError extends Error {}

/**
 * Collects the bytes of one direction and hands out whole chunks. A header that cannot be
 * the start of a chunk (unknown type, a size below the header or above `maxChunk`) throws a
 * FramingError: the stream has lost its framing.
 */
class ChunkSplitter {
    constructor(maxChunk = 0x7fffffff) {
        this.maxChunk = maxChunk;
        this.parts = [];
        this.buffered = 0;
    }

    push(data) {
        this.parts.push(data);
        this.buffered += data.length;
        const chunks = [];
        for (;;) {
            if (this.buffered < HEADER_SIZE) break;
            const head = this.peek(HEADER_SIZE);
            const type = head.toString("latin1", 0, 3);
            const size = head.readUInt32LE(4);
            if (!KNOWN_TYPES.has(type)) throw new FramingError(`unknown message type ${JSON.stringify(type)}`);
            if (size < HEADER_SIZE || size > this.maxChunk) throw new FramingError(`chunk size ${size}`);
            if (this.buffered < size) break;
            chunks.push(this.take(size));
        }
        return chunks;
    }

    /** Everything held and not yet handed out, which the splitter then forgets. */
    takeAll() {
        const all = Buffer.concat(this.parts);
        this.parts = [];
        this.buffered = 0;
        return all;
    }

    peek(n) {
        if (this.parts[0].length >= n) return this.parts[0].subarray(0, n);
        this.parts = [Buffer.concat(this.parts)];
        return this.parts[0].subarray(0, n);
    }

    take(n) {
        if (this.parts[0].length < n) this.parts = [Buffer.concat(this.parts)];
        const first = this.parts[0];
        const chunk = first.subarray(0, n);
        if (first.length === n) this.parts.shift();
        else this.parts[0] = first.subarray(n);
        this.buffered -= n;
        return chunk;
    }
}

/**
 * The parts of one chunk: { type, chunkType, size, buffer } and for OPN, MSG and CLO also
 * channelId, tokenId (MSG, CLO), seqOffset (where the sequence number sits), sequenceNumber,
 * requestId and bodyOffset.
 */
function parseChunk(buffer) {
    const chunk = {
        type: buffer.toString("latin1", 0, 3),
        chunkType: String.fromCharCode(buffer[3]),
        size: buffer.readUInt32LE(4),
        buffer
    };
    if (!SECURE_TYPES.has(chunk.type)) return chunk;
    const r = new Reader(buffer, HEADER_SIZE);
    chunk.channelId = r.uint32();
    if (chunk.type === "OPN") {
        chunk.policyUri = r.string();
        r.byteString(); // sender certificate
        r.byteString(); // receiver certificate thumbprint
    } else {
        chunk.tokenId = r.uint32();
    }
    chunk.seqOffset = r.offset;
    chunk.sequenceNumber = r.uint32();
    chunk.requestId = r.uint32();
    chunk.bodyOffset = r.offset;
    return chunk;
}

function body(chunk) {
    return chunk.buffer.subarray(chunk.bodyOffset);
}

/** A copy of a secure chunk with another sequence number (and, when given, channel id). */
function renumbered(chunk, sequenceNumber, channelId) {
    const b = Buffer.from(chunk.buffer);
    b.writeUInt32LE(sequenceNumber >>> 0, chunk.seqOffset);
    if (channelId !== undefined) b.writeUInt32LE(channelId >>> 0, 8);
    return b;
}

/** A MSG or CLO chunk: { type, chunkType, channelId, tokenId, sequenceNumber, requestId, body }. */
function symmetricChunk({ type = "MSG", chunkType, channelId, tokenId, sequenceNumber, requestId, body }) {
    const b = Buffer.allocUnsafe(SYMMETRIC_OVERHEAD + body.length);
    b.write(type, 0, "latin1");
    b.write(chunkType, 3, "latin1");
    b.writeUInt32LE(b.length, 4);
    b.writeUInt32LE(channelId >>> 0, 8);
    b.writeUInt32LE(tokenId >>> 0, 12);
    b.writeUInt32LE(sequenceNumber >>> 0, 16);
    b.writeUInt32LE(requestId >>> 0, 20);
    body.copy(b, SYMMETRIC_OVERHEAD);
    return b;
}

/** The body of an abort chunk: the status and a reason. */
function abortBody(status, reason) {
    return new Writer().uint32(status).string(reason).toBuffer();
}

/** The limits a HEL and an ACK message both begin with, read from r. */
function readLimits(r) {
    return {
        protocolVersion: r.uint32(),
        receiveBufferSize: r.uint32(),
        sendBufferSize: r.uint32(),
        maxMessageSize: r.uint32(),
        maxChunkCount: r.uint32()
    };
}

/** The fields of a HEL message after its header: the limits, then the endpoint URL. */
function parseHello(buffer) {
    const r = new Reader(buffer, HEADER_SIZE);
    return { ...readLimits(r), endpointUrl: r.string() };
}

/** The fields of an ACK message after its header. */
function parseAcknowledge(buffer) {
    return readLimits(new Reader(buffer, HEADER_SIZE));
}

module.exports = {
    HEADER_SIZE,
    SYMMETRIC_OVERHEAD,
    ChunkSplitter,
    FramingError,
    abortBody,
    body,
    parseAcknowledge,
    parseChunk,
    parseHello,
    renumbered,
    symmetricChunk
};
