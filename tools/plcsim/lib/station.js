"use strict";
// The variable table of one print station: the request group under ".Print." and its
// alternative family under ".bAbl.Print.", plus whatever the command line adds.

const { typeByName, initialValue } = require("./values");

// Suffix, type and, for texts, the maximum length in bytes.
const REQUEST_GROUP = [
    ["anford", "Boolean"],
    ["anfordErr", "Int32"],
    ["anfordErrText", "String", 255],
    ["LosName", "String", 40],
    ["Barcode", "String", 40],
    ["RAW", "String", 255],
    ["CmdLine", "String", 255],
    ["TeileNr", "Int32"],
    ["ResteKennung", "Int16"],
    ["ResteLaenge", "Int32"],
    ["ResteProfil", "String", 40],
    ["ResteColor", "String", 40],
    ["EtikettenType", "Int16"]
];

/** The request flag of a family ("" for ".Print.", "abl" for ".bAbl.Print."). */
function flagName(module, family) {
    return family === "abl" ? `${module}.bAbl.Print.anford` : `${module}.Print.anford`;
}

/** Full name of `name` in the station: names not starting with the module get it in front. */
function fullName(module, name) {
    return name.startsWith(`${module}.`) ? name : `${module}.${name}`;
}

/**
 * Parses a variable definition "<name>:<Type>[:<maxLength>]". The maximum length applies
 * to String variables only; without it a String variable has no MaxStringLength property.
 */
function parseVarDefinition(module, definition) {
    const parts = definition.split(":");
    if (parts.length < 2 || parts.length > 3 || !parts[0]) {
        throw new Error(`bad variable definition "${definition}" (expected <name>:<Type>[:<maxLength>])`);
    }
    const type = typeByName(parts[1]);
    if (!type) throw new Error(`unknown type "${parts[1]}" in "${definition}" (Boolean, Int16, Int32, Double or String)`);
    let maxLength;
    if (parts.length === 3) {
        if (type !== "String") throw new Error(`a maximum length is only allowed for String variables: "${definition}"`);
        if (!/^\d+$/.test(parts[2]) || Number(parts[2]) > 0xffffffff) {
            throw new Error(`bad maximum length in "${definition}"`);
        }
        maxLength = Number(parts[2]);
    }
    return makeVariable(fullName(module, parts[0]), type, maxLength);
}

function makeVariable(name, type, maxLength) {
    return { name, type, maxLength, value: initialValue(type) };
}

/**
 * Builds the ordered table (Map name -> variable) of a station: the two request families,
 * then the extra definitions (which replace a standard variable of the same name), less
 * the omitted names.
 */
function buildStation(module, extraDefinitions = [], omitted = []) {
    const table = new Map();
    for (const family of [".Print.", ".bAbl.Print."]) {
        for (const [suffix, type, maxLength] of REQUEST_GROUP) {
            if (family === ".bAbl.Print." && suffix === "Barcode") continue;
            const v = makeVariable(`${module}${family}${suffix}`, type, maxLength);
            table.set(v.name, v);
        }
    }
    for (const definition of extraDefinitions) {
        const v = parseVarDefinition(module, definition);
        table.set(v.name, v);
    }
    for (const name of omitted) {
        const full = fullName(module, name);
        if (!table.delete(full)) throw new Error(`--omit: no variable ${full}`);
    }
    return table;
}

/** Looks a name up with or without the module in front. */
function findVariable(table, module, name) {
    return table.get(name) ?? table.get(`${module}.${name}`);
}

module.exports = { buildStation, findVariable, flagName, fullName, parseVarDefinition };
