"use strict";
// Little-endian reading and writing of the OPC UA Binary values the proxy has to look at
// or make up: integers, strings, byte strings, NodeIds and the parts of a response header.
// The reader throws a RangeError on anything that runs past the end, so a caller that
// cannot make sense of a message can fall back to passing it on untouched.

class Reader {
    constructor(buffer, offset = 0) {
        this.buffer = buffer;
        this.offset = offset;
    }

    get remaining() {
        return this.buffer.length - this.offset;
    }

    need(n) {
        if (n < 0 || this.offset + n > this.buffer.length) {
            throw new RangeError(`read of ${n} bytes at ${this.offset} past the end (${this.buffer.length})`);
        }
    }

    uint8() {
        this.need(1);
        return this.buffer.readUInt8(this.offset++);
    }

    uint16() {
        this.need(2);
        const v = this.buffer.readUInt16LE(this.offset);
        this.offset += 2;
        return v;
    }

    uint32() {
        this.need(4);
        const v = this.buffer.readUInt32LE(this.offset);
        this.offset += 4;
        return v;
    }

    int32() {
        this.need(4);
        const v = this.buffer.readInt32LE(this.offset);
        this.offset += 4;
        return v;
    }

    skip(n) {
        this.need(n);
        this.offset += n;
    }

    bytes(n) {
        this.need(n);
        const b = this.buffer.subarray(this.offset, this.offset + n);
        this.offset += n;
        return b;
    }

    /** A ByteString: Int32 length, -1 for null. */
    byteString() {
        const n = this.int32();
        if (n === -1) return null;
        if (n < 0) throw new RangeError(`negative length ${n}`);
        return this.bytes(n);
    }

    string() {
        const b = this.byteString();
        return b === null ? null : b.toString("utf8");
    }

    /** A NodeId in any of its encodings: { ns, id } with id a number, string or Buffer. */
    nodeId() {
        const encoding = this.uint8();
        switch (encoding & 0x3f) {
            case 0:
                return { ns: 0, id: this.uint8() };
            case 1: {
                const ns = this.uint8();
                return { ns, id: this.uint16() };
            }
            case 2: {
                const ns = this.uint16();
                return { ns, id: this.uint32() };
            }
            case 3: {
                const ns = this.uint16();
                return { ns, id: this.string() };
            }
            case 4: {
                const ns = this.uint16();
                return { ns, id: this.bytes(16) };
            }
            case 5: {
                const ns = this.uint16();
                return { ns, id: this.byteString() };
            }
            default:
                throw new RangeError(`unknown NodeId encoding ${encoding}`);
        }
    }

    /**
     * Skips a DiagnosticInfo. Its inner DiagnosticInfo is followed in a loop, not by
     * recursion, so a deeply nested one costs no stack.
     */
    skipDiagnosticInfo() {
        for (;;) {
            const mask = this.uint8();
            if (mask & 0x01) this.skip(4); // symbolic id
            if (mask & 0x02) this.skip(4); // namespace uri
            if (mask & 0x08) this.skip(4); // locale
            if (mask & 0x04) this.skip(4); // localized text
            if (mask & 0x10) this.byteString(); // additional info
            if (mask & 0x20) this.skip(4); // inner status code
            if (!(mask & 0x40)) return;
        }
    }

    /** Skips an ExtensionObject: type NodeId, encoding byte and, when there is one, its body. */
    skipExtensionObject() {
        this.nodeId();
        const encoding = this.uint8();
        if (encoding === 1 || encoding === 2) this.byteString();
        else if (encoding !== 0) throw new RangeError(`unknown ExtensionObject encoding ${encoding}`);
    }
}

class Writer {
    constructor() {
        this.parts = [];
        this.length = 0;
    }

    raw(buffer) {
        this.parts.push(buffer);
        this.length += buffer.length;
        return this;
    }

    uint8(v) {
        const b = Buffer.allocUnsafe(1);
        b.writeUInt8(v);
        return this.raw(b);
    }

    uint16(v) {
        const b = Buffer.allocUnsafe(2);
        b.writeUInt16LE(v);
        return this.raw(b);
    }

    uint32(v) {
        const b = Buffer.allocUnsafe(4);
        b.writeUInt32LE(v >>> 0);
        return this.raw(b);
    }

    int32(v) {
        const b = Buffer.allocUnsafe(4);
        b.writeInt32LE(v);
        return this.raw(b);
    }

    /** A DateTime: 100 ns ticks since 1601-01-01 UTC. */
    dateTime(date = new Date()) {
        const ticks = (BigInt(date.getTime()) + 11644473600000n) * 10000n;
        const b = Buffer.allocUnsafe(8);
        b.writeBigInt64LE(ticks);
        return this.raw(b);
    }

    string(s) {
        if (s === null || s === undefined) return this.int32(-1);
        const b = Buffer.from(s, "utf8");
        return this.int32(b.length).raw(b);
    }

    byteString(b) {
        if (b === null || b === undefined) return this.int32(-1);
        return this.int32(b.length).raw(b);
    }

    /** A numeric NodeId of namespace 0 in its shortest form. */
    numericNodeId(id) {
        if (id < 256) return this.uint8(0).uint8(id);
        if (id < 65536) return this.uint8(1).uint8(0).uint16(id);
        return this.uint8(2).uint16(0).uint32(id);
    }

    toBuffer() {
        return this.parts.length === 1 ? this.parts[0] : Buffer.concat(this.parts, this.length);
    }
}

module.exports = { Reader, Writer };
