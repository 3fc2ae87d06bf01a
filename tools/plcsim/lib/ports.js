"use strict";
// A TCP port on 127.0.0.1 that is free now, for a server a test or tool is about to start.

const net = require("node:net");

function freePort() {
    return new Promise((resolve, reject) => {
        const s = net.createServer();
        s.once("error", reject);
        s.listen(0, "127.0.0.1", () => {
            const { port } = s.address();
            s.close(() => resolve(port));
        });
    });
}

module.exports = { freePort };
