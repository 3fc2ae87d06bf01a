"use strict";
// The soak's script, drawn in full from the seed before anything runs: which request comes
// when, how soon the PLC raises it after the previous answer, and which fault strikes at
// which request. The run itself draws nothing, so a seed always asks the same questions
// (the timing of the answers is the stations' own).

/** A small seeded generator (mulberry32): uniform numbers in [0, 1). */
function random(seed) {
    let a = seed >>> 0;
    return () => {
        a = (a + 0x6d2b79f5) >>> 0;
        let t = a;
        t = Math.imul(t ^ (t >>> 15), t | 1);
        t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
        return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    };
}

// Request kinds: the station serving them and the first letter of their ids.
const KINDS = {
    lot: { station: "A", prefix: "S", weight: 40 },
    raw: { station: "A", prefix: "R", weight: 20 },
    missing: { station: "A", prefix: "N", weight: 10 },
    command: { station: "B", prefix: "C", weight: 30 }
};

// Fault kinds: which requests they may be attached to, and their parameters.
const FAULTS = {
    "plc-drop": { plc: true },
    "plc-restart": { plc: true },
    "plc-down": { plc: true, seconds: [2, 6] },
    "plc-freeze": { plc: true, seconds: [1, 6] },
    "printer-refuse": { kinds: ["lot", "raw"], seconds: [1, 4] },
    "printer-reset": { kinds: ["lot", "raw"], seconds: [1, 4] },
    "printer-slow": { kinds: ["lot", "raw"], seconds: [2, 5], hold: [0.5, 3] },
    "printer-stall": { kinds: ["lot", "raw"], seconds: [2, 6] },
    "drop-while-printing": { kinds: ["lot", "raw"], hold: [0.3, 1.5] },
    "drop-after-command": { kinds: ["command"] },
    "db-lock": { kinds: ["lot", "missing"], seconds: [1, 8] },
    "disk-full": { kinds: ["lot", "raw", "missing"], seconds: [2, 5] }
};

// The PLC raises the next request this soon after it saw the answer (milliseconds).
const GAPS = [
    { share: 0.4, range: [0, 5] },
    { share: 0.3, range: [5, 20] },
    { share: 0.3, range: [20, 400] }
];

/**
 * @param {object} o
 * @param {number} o.seed
 * @param {number} o.requests  number of requests
 * @param {number} o.faults    number of faults
 * @param {number} o.warmup    requests of each station before the first fault
 * @param {string[]} [o.kinds] the fault kinds to use, all when not given
 * @returns {{requests: object[], faults: object[]}}
 */
function makePlan({ seed, requests: count, faults: faultCount, warmup, kinds = Object.keys(FAULTS) }) {
    const rnd = random(seed);
    const between = ([lo, hi]) => lo + rnd() * (hi - lo);
    const totalWeight = Object.values(KINDS).reduce((s, k) => s + k.weight, 0);

    const requests = [];
    const perStation = { A: 0, B: 0 };
    for (let i = 0; i < count; i++) {
        let w = rnd() * totalWeight;
        const kind = Object.keys(KINDS).find((k) => (w -= KINDS[k].weight) < 0) ?? "lot";
        const { station, prefix } = KINDS[kind];
        let g = rnd();
        const gap = GAPS.find((x) => (g -= x.share) < 0) ?? GAPS[GAPS.length - 1];
        requests.push({
            id: `${prefix}${String(i + 1).padStart(6, "0")}`,
            kind,
            station,
            index: i,
            local: perStation[station]++,
            gapMs: Math.round(between(gap.range)),
            faults: []
        });
    }

    // Every kind in turn, so that a handful of faults already covers each of them; the
    // requests they strike are spread evenly over the run after the warm-up.
    const kindOrder = kinds;
    const faults = [];
    const eligible = requests.filter((r) => r.local >= warmup);
    for (let f = 0; f < faultCount && eligible.length; f++) {
        const kind = kindOrder[f % kindOrder.length];
        const spec = FAULTS[kind];
        const slot = Math.floor(((f + rnd()) / faultCount) * eligible.length);
        // The nearest request from there on that this fault can strike; a PLC fault strikes
        // either station.
        const plcOf = spec.plc ? (rnd() < 0.5 ? "A" : "B") : null;
        const fits = (r) => (plcOf ? r.station === plcOf : spec.kinds.includes(r.kind));
        const target = eligible.slice(slot).find(fits) ?? eligible.slice(0, slot).reverse().find(fits);
        if (!target) continue;
        const fault = {
            n: faults.length + 1,
            kind,
            station: target.station,
            requestId: target.id,
            // Mid-request: this long after the raise, which spans a request's usual time;
            // PLC faults also strike between requests, right after an answer.
            phase: spec.plc && rnd() < 0.25 ? "after-answer" : "after-raise",
            delayMs: Math.round(between([0, 120]))
        };
        if (spec.seconds) fault.seconds = Math.round(between(spec.seconds) * 10) / 10;
        if (spec.hold) fault.hold = Math.round(between(spec.hold) * 10) / 10;
        if (kind === "plc-freeze") fault.all = rnd() < 0.5;
        if (!spec.plc) {
            // The others are in place before the request is raised.
            fault.phase = "before-raise";
            fault.delayMs = 0;
        }
        target.faults.push(fault);
        faults.push(fault);
    }
    return { requests, faults };
}

module.exports = { makePlan, KINDS, FAULTS };
