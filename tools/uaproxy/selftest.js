#!/usr/bin/env node
"use strict";
// The messages the proxy makes up, decoded by another OPC UA stack (node-opcua, from the
// simulated PLC's packages): a scenario meant to send a valid but heavy response must not
// fail a station for a mere encoding mistake of the proxy's.
//   node tools/uaproxy/selftest.js     (after npm ci in tools/plcsim)

const path = require("node:path");
const messages = require("./lib/messages");
const { Writer } = require("./lib/binary");

const modules = path.join(__dirname, "../plcsim/node_modules");
const { StatusCodes } = require(path.join(modules, "node-opcua-status-code"));
const { BinaryStream } = require(path.join(modules, "node-opcua-binary-stream"));
const { decodeExpandedNodeId } = require(path.join(modules, "node-opcua-basic-types"));
const { getStandardDataTypeFactory } = require(path.join(modules, "node-opcua-factory"));
require(path.join(modules, "node-opcua-types")); // registers the service types with the factory

function decode(body) {
    const stream = new BinaryStream(body);
    const object = getStandardDataTypeFactory().constructObject(decodeExpandedNodeId(stream));
    object.decode(stream);
    if (stream.length !== body.length) throw new Error(`${body.length - stream.length} bytes left over`);
    return object;
}

const checks = [
    ["ServiceFault", () => {
        const fault = decode(messages.serviceFault(4711, StatusCodes.BadTooManyOperations.value));
        return fault.responseHeader.requestHandle === 4711 &&
            fault.responseHeader.serviceResult.value === StatusCodes.BadTooManyOperations.value;
    }],
    // A shallow copy of each nested shape: the decoder here has its own depth limit.
    ...Object.entries(messages.NESTED_SHAPES).map(([shape, make]) => [`nested ${shape}`, () => {
        const read = decode(make(77, 8));
        return read.constructor.name === "ReadResponse" && read.responseHeader.requestHandle === 77;
    }]),
    ["null variants", () => {
        const nulls = decode(messages.nullVariantReadResponse(99, 300000));
        return nulls.results.length === 4 && nulls.results.every((r) =>
            r.value.value.length === messages.NULL_ARRAY_LENGTH && r.value.value.every((v) => v.dataType === 0));
    }],
    ["FindServers in place of a request", () => {
        const request = new Writer().numericNodeId(631); // a Read request's header
        request.uint8(5).uint16(1).byteString(Buffer.alloc(32, 7)).dateTime().uint32(1234).uint32(0).string(null).uint32(5000);
        request.numericNodeId(0).uint8(0).raw(Buffer.from([0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0]));
        const swapped = decode(messages.findServersInstead(request.toBuffer()));
        return swapped.constructor.name === "FindServersRequest" && swapped.requestHeader.requestHandle === 1234;
    }]
];

let failed = 0;
for (const [name, check] of checks) {
    let ok = false;
    let why = "";
    try {
        ok = check();
    } catch (err) {
        why = `: ${err.message}`;
    }
    if (!ok) failed++;
    process.stdout.write(`${ok ? "ok  " : "FAIL"} ${name}${why}\n`);
}
process.stdout.write(`selftest: ${checks.length - failed} passed, ${failed} failed\n`);
process.exit(failed ? 1 : 0);
