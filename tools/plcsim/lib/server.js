"use strict";
// The OPC UA side of the simulated PLC: one server (security mode None, anonymous) that
// publishes a station's variables as string node ids in its own namespace, refuses texts
// longer than their MaxStringLength, reports every value a client writes, and can drop,
// restart or stall its client connections on request. In sampling mode its subscriptions
// look at the variables on a timer, as a PLC's own server does, instead of reporting every
// change.

const { EventEmitter } = require("node:events");
const path = require("node:path");
const {
    AttributeIds,
    DataType,
    MessageSecurityMode,
    MonitoredItem,
    OPCUACertificateManager,
    OPCUAServer,
    SecurityPolicy,
    ServiceFault,
    StatusCodes,
    Subscription,
    Variant,
    VariantArrayType
} = require("node-opcua");
const { byteLength, dataTypeOf } = require("./values");

const APPLICATION_URI = "urn:etikor:plcsim";
const REFUSABLE = ["CreateSubscription", "CreateMonitoredItems", "Publish"];

class PlcServer extends EventEmitter {
    /**
     * @param {object} o
     * @param {number} o.port      TCP port to listen on
     * @param {string} [o.host]    address to listen on and to name in the endpoint URL;
     *                             without it the server listens on every interface and
     *                             names "localhost"
     * @param {string} o.module    module name of the station
     * @param {Map} o.table        variable table (name -> {name, type, maxLength, value})
     * @param {string} o.pkiDir    folder of the server's certificate store
     * @param {number} [o.samplingMs] sampling mode: every variable's MinimumSamplingInterval,
     *                             so monitored items sample at this interval
     * @param {number} [o.publishingMs] the fastest publishing interval granted
     * @param {number} [o.maxNodes] the most nodes one Read or Write may name
     */
    constructor({ port, host, module, table, pkiDir, samplingMs, publishingMs, maxNodes }) {
        super();
        if (samplingMs !== undefined && !(samplingMs > 0)) throw new Error(`bad sampling interval ${samplingMs}`);
        if (publishingMs !== undefined && !(publishingMs > 0)) throw new Error(`bad publishing interval ${publishingMs}`);
        this.samplingMs = samplingMs;
        this.publishingMs = publishingMs;
        this.maxNodes = maxNodes;
        this.port = port;
        this.host = host;
        this.module = module;
        this.table = table;
        this.pkiDir = pkiDir;
        this.server = null;
        this.nodes = new Map(); // name -> UAVariable of the running server
        this.sockets = new Set(); // client sockets of the running server
        this.freezeState = null; // { all, sockets: Set, timer }
        this.refusals = new Map(); // service name -> { count, status }
    }

    get endpointUrl() {
        return `opc.tcp://${this.host || "localhost"}:${this.port}`;
    }

    get namespaceIndex() {
        return this.server.engine.addressSpace.getOwnNamespace().index;
    }

    get namespaceUri() {
        return this.server.engine.addressSpace.getOwnNamespace().namespaceUri;
    }

    async start() {
        // The stack never samples faster than its static floor (50 ms), which also bounds a
        // monitored item's revised interval; a faster PLC lowers it. The floor is shared by
        // every server of the process.
        if (this.samplingMs < MonitoredItem.minimumSamplingInterval) MonitoredItem.minimumSamplingInterval = this.samplingMs;
        // Likewise the fastest publishing interval a subscription is granted (also a floor of
        // the process): a PLC server that publishes every 10 ms sets it that low.
        if (this.publishingMs !== undefined) Subscription.minimumPublishingInterval = this.publishingMs;
        const server = new OPCUAServer({
            port: this.port,
            host: this.host,
            hostname: this.host || "localhost",
            serverCertificateManager: new OPCUACertificateManager({
                rootFolder: path.join(this.pkiDir, "own"),
                automaticallyAcceptUnknownCertificate: true
            }),
            userCertificateManager: new OPCUACertificateManager({
                rootFolder: path.join(this.pkiDir, "user"),
                automaticallyAcceptUnknownCertificate: true
            }),
            securityModes: [MessageSecurityMode.None],
            securityPolicies: [SecurityPolicy.None],
            allowAnonymous: true,
            serverInfo: {
                applicationUri: APPLICATION_URI,
                productUri: APPLICATION_URI,
                applicationName: { text: `Etikor PLC simulator ${this.module}` }
            },
            buildInfo: { productName: "Etikor PLC simulator", manufacturerName: "Etikor" }
        });
        try {
            await server.initialize();
            if (this.maxNodes !== undefined) {
                const limits = server.engine.serverCapabilities.operationLimits;
                limits.maxNodesPerRead = this.maxNodes;
                limits.maxNodesPerWrite = this.maxNodes;
            }
            this._populate(server.engine.addressSpace);
            this._watchConnections(server);
            this._hookRefusals(server);
            await server.start();
        } catch (err) {
            this.nodes.clear();
            await server.shutdown(0).catch(() => {});
            throw err;
        }
        this.server = server;
    }

    async stop() {
        this._thaw(false);
        const server = this.server;
        this.server = null;
        this.nodes.clear();
        if (server) await server.shutdown(0);
        for (const s of this.sockets) s.destroy();
        this.sockets.clear();
    }

    /** Shuts the server down and starts a new one on the same port; values are kept. */
    async restart() {
        await this.stop();
        await this.startAgain();
    }

    /** Starts after a stop; the port may still be held a moment, so it is tried again. */
    async startAgain() {
        for (let attempt = 0; ; attempt++) {
            try {
                return await this.start();
            } catch (err) {
                if (attempt >= 20) throw err;
                await new Promise((r) => setTimeout(r, 500));
            }
        }
    }

    /** Sets a value as the PLC itself would; subscribed clients are notified. */
    setValue(variable, value) {
        variable.value = value;
        const node = this.nodes.get(variable.name);
        if (node) {
            node.setValueFromSource(new Variant({ dataType: dataTypeOf(variable.type), value }), StatusCodes.Good);
        }
        this.emit("change", variable, value);
    }

    /** Closes every client connection with a TCP reset; the server keeps listening. */
    drop() {
        let n = 0;
        for (const s of this.sockets) {
            if (s.destroyed) continue;
            s.resetAndDestroy();
            n++;
        }
        return n;
    }

    /**
     * Stalls the open client connections for `seconds`: nothing is read from them and
     * nothing is sent on them (the server's answers and keep-alives wait in the socket's
     * write buffer), but they stay open. With `all`, connections accepted meanwhile are
     * stalled too. Afterwards the connections go on where they stood and "thawed" is
     * emitted. A second freeze while one is running moves the end to the new time.
     */
    freeze(seconds, all) {
        if (this.freezeState) {
            clearTimeout(this.freezeState.timer);
            this.freezeState.all = this.freezeState.all || all;
        } else {
            this.freezeState = { all, sockets: new Set() };
        }
        for (const s of this.sockets) this._stall(s);
        this.freezeState.timer = setTimeout(() => this._thaw(true), seconds * 1000);
        return this.freezeState.sockets.size;
    }

    _stall(socket) {
        const state = this.freezeState;
        if (socket.destroyed || state.sockets.has(socket)) return;
        socket.pause();
        socket.cork();
        // The server resumes a new connection's socket once it has accepted it; that must
        // not undo the stall.
        socket.resume = () => socket;
        state.sockets.add(socket);
    }

    _thaw(report) {
        const state = this.freezeState;
        if (!state) return;
        this.freezeState = null;
        clearTimeout(state.timer);
        for (const s of state.sockets) {
            delete s.resume;
            if (s.destroyed) continue;
            s.uncork();
            s.resume();
        }
        if (report) this.emit("thawed", state.sockets.size);
    }

    /**
     * Answers the next `count` requests of a subscription service (CreateSubscription,
     * CreateMonitoredItems, Publish) with a service fault of the status named, as a server
     * short of resources does. Lasts across a restart. A count of 0 ends it.
     */
    refuse(service, count, statusName = "BadTooManyOperations") {
        if (!REFUSABLE.includes(service)) throw new Error(`cannot refuse ${service} (${REFUSABLE.join(", ")})`);
        const status = StatusCodes[statusName];
        if (!status || !status.isBad?.()) throw new Error(`unknown bad status ${statusName}`);
        this.refusals.set(service, { count, status });
    }

    _hookRefusals(server) {
        for (const service of REFUSABLE) {
            // node-opcua looks the handler of a request up by name on the server object.
            const method = `_on_${service}Request`;
            const original = server[method].bind(server);
            server[method] = (message, channel) => {
                const refusal = this.refusals.get(service);
                if (!refusal || refusal.count <= 0) return original(message, channel);
                refusal.count--;
                const fault = new ServiceFault({ responseHeader: { serviceResult: refusal.status } });
                channel.send_response("MSG", fault, message);
            };
        }
    }

    _populate(addressSpace) {
        const ns = addressSpace.getOwnNamespace();
        const folder = ns.addFolder(addressSpace.rootFolder.objects, {
            nodeId: `s=${this.module}`,
            browseName: this.module
        });
        this.nodes.clear();
        for (const v of this.table.values()) {
            const node = ns.addVariable({
                componentOf: folder,
                nodeId: `s=${v.name}`,
                browseName: v.name.slice(this.module.length + 1),
                displayName: v.name,
                dataType: v.type,
                valueRank: -1,
                accessLevel: "CurrentRead | CurrentWrite",
                userAccessLevel: "CurrentRead | CurrentWrite",
                // Reads and writes always see the current value; only subscriptions sample.
                minimumSamplingInterval: this.samplingMs ?? 0,
                value: new Variant({ dataType: dataTypeOf(v.type), value: v.value })
            });
            if (v.maxLength !== undefined) {
                ns.addVariable({
                    propertyOf: node,
                    browseName: { namespaceIndex: 0, name: "MaxStringLength" },
                    typeDefinition: "PropertyType",
                    dataType: "UInt32",
                    valueRank: -1,
                    accessLevel: "CurrentRead",
                    userAccessLevel: "CurrentRead",
                    minimumSamplingInterval: this.samplingMs ?? 0,
                    value: new Variant({ dataType: DataType.UInt32, value: v.maxLength })
                });
            }
            this._hookWrites(node, v);
            this.nodes.set(v.name, node);
        }
    }

    // Every client write of a value passes here: a text longer than the variable's maximum
    // length is refused with BadOutOfRange (the address space itself does not look at the
    // MaxStringLength property); the data type is checked by the address space, which
    // answers BadTypeMismatch. An accepted value is reported with a "write" event.
    _hookWrites(node, variable) {
        const original = node.writeAttribute.bind(node);
        node.writeAttribute = (context, writeValue, callback) => {
            if (writeValue.attributeId !== AttributeIds.Value) {
                original(context, writeValue, callback);
                return;
            }
            const variant = writeValue.value?.value;
            if (
                variable.maxLength !== undefined &&
                variant?.dataType === DataType.String &&
                variant.arrayType === VariantArrayType.Scalar &&
                byteLength(variant.value) > variable.maxLength
            ) {
                callback(null, StatusCodes.BadOutOfRange);
                return;
            }
            original(context, writeValue, (err, statusCode) => {
                if (!err && statusCode && statusCode.isGood()) {
                    const value = node.readValue().value.value;
                    variable.value = value;
                    this.emit("write", variable, value);
                    this.emit("change", variable, value);
                }
                callback(err, statusCode);
            });
        };
    }

    _watchConnections(server) {
        for (const endpoint of server.endpoints) {
            // The endpoint's listening socket is not part of node-opcua's public interface;
            // the pinned version keeps it in `_server`.
            if (!endpoint._server) throw new Error("node-opcua endpoint without a listening socket");
            endpoint._server.on("connection", (socket) => {
                this.sockets.add(socket);
                socket.on("close", () => this.sockets.delete(socket));
                if (this.freezeState?.all) this._stall(socket);
                this.emit("log", `connection from ${socket.remoteAddress}:${socket.remotePort}`);
            });
        }
        server.on("session_activated", (session) => this.emit("log", `session activated: ${session.sessionName || ""}`));
        server.on("session_closed", (session, reason) =>
            this.emit("log", `session closed: ${session.sessionName || ""} (${reason})`)
        );
        server.on("closeChannel", (channel) => this.emit("log", `channel ${channel.channelId} closed`));
    }
}

module.exports = { PlcServer, APPLICATION_URI };
