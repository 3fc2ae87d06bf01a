"use strict";
// The value types a simulated PLC variable can have: how a value is parsed from a
// command line, how it is shown in an answer, and which OPC UA data type carries it.

const { DataType } = require("node-opcua");

const TYPES = {
    Boolean: { dataType: DataType.Boolean, initial: false },
    Int16: { dataType: DataType.Int16, initial: 0, min: -32768, max: 32767 },
    Int32: { dataType: DataType.Int32, initial: 0, min: -2147483648, max: 2147483647 },
    Double: { dataType: DataType.Double, initial: 0 },
    String: { dataType: DataType.String, initial: "" }
};

const TYPE_NAMES = Object.keys(TYPES);

/** Canonical type name for `name` (any case), or undefined. */
function typeByName(name) {
    return TYPE_NAMES.find((t) => t.toLowerCase() === String(name).toLowerCase());
}

function dataTypeOf(type) {
    return TYPES[type].dataType;
}

function initialValue(type) {
    return TYPES[type].initial;
}

/** Length of a text as the MaxStringLength property counts it: bytes of its UTF-8 form. */
function byteLength(text) {
    return Buffer.byteLength(text ?? "", "utf8");
}

/**
 * Parses `text` as a value of `type`. A String value is taken as it stands, or as a
 * JSON string literal when it starts with a double quote (for empty texts, leading or
 * trailing blanks and escapes). Throws an Error with a short reason when it does not fit.
 */
function parseValue(type, text) {
    const t = text.trim();
    switch (type) {
        case "Boolean": {
            const v = t.toLowerCase();
            if (v === "true" || v === "1") return true;
            if (v === "false" || v === "0") return false;
            throw new Error(`not a Boolean: ${t || "(empty)"}`);
        }
        case "Int16":
        case "Int32": {
            if (!/^[+-]?\d+$/.test(t)) throw new Error(`not an integer: ${t || "(empty)"}`);
            const v = Number(t);
            const { min, max } = TYPES[type];
            if (v < min || v > max) throw new Error(`out of range for ${type}: ${t}`);
            return v;
        }
        case "Double": {
            const v = t === "" ? NaN : Number(t);
            if (!Number.isFinite(v)) throw new Error(`not a number: ${t || "(empty)"}`);
            return v;
        }
        case "String": {
            if (text.startsWith('"')) {
                let v;
                try {
                    v = JSON.parse(text);
                } catch {
                    throw new Error("bad quoted text");
                }
                if (typeof v !== "string") throw new Error("bad quoted text");
                return v;
            }
            return text;
        }
        default:
            throw new Error(`unknown type ${type}`);
    }
}

/** A value as answers and write reports show it: texts JSON-quoted, the rest plain. */
function formatValue(type, value) {
    if (type === "String") return JSON.stringify(value ?? "");
    if (type === "Boolean") return value ? "true" : "false";
    return String(value);
}

module.exports = { TYPE_NAMES, typeByName, dataTypeOf, initialValue, byteLength, parseValue, formatValue };
