#pragma once

#include <QString>

class OptionStore;

// How the station reaches its variables on an OPC UA server, kept as registry options in the
// area "OPC UA" so that a plant engineer sets them once per machine:
//   "Endpoint"        an "opc.tcp://" URL that replaces the configuration's net id and port,
//                     for a configuration whose net id names the PLC in another way (one
//                     taken over from a station that reached its PLC by another protocol);
//   "Namespace"       the namespace of the variables: an index ("3") or a namespace URI
//                     ("urn:plant:line1"), looked up in the server's namespace table at every
//                     new session; empty for index 1, the server's own namespace;
//   "Prefix"          put in front of every variable name ("PLC1.Application.");
//   "Timeout(ms)"     how long one call waits for the server (default 5000);
//   "Publishing(ms)"  the publishing interval asked for the request flag's subscription;
//                     by default the fastest the server grants (it revises the 0 asked
//                     for), a larger value slows the reports down for a weak PLC;
//   "Check(ms)"       how often the station reads its request flag while it serves nothing,
//                     to find a request whose change the server never reported (it samples
//                     the flag and misses a clear and a new raise that fall between two
//                     samples); default 1000, 0 switches the check off.
struct OpcUaLinkOptions {
    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr int kDefaultPublishingMs = 0;
    static constexpr int kDefaultCheckMs = 1000;
    static constexpr quint16 kDefaultNamespace = 1;

    QString endpoint;
    QString namespaceSpec;
    QString prefix;
    int timeoutMs = kDefaultTimeoutMs;
    int publishingMs = kDefaultPublishingMs;
    int checkMs = kDefaultCheckMs;

    static OpcUaLinkOptions fromStore(OptionStore &store);

    // The namespace as an index when it was given as one.
    bool namespaceIsIndex(quint16 &index) const;

    // The endpoint option when set, else endpointUrl(netId, port).
    QString endpointFor(const QString &netId, const QString &port) const;

    // The endpoint for a net id and port: a net id that is an "opc.tcp://" URL is taken as
    // it stands (a port given separately replaces the URL's); a host name or address gets
    // the port, 4840 when the port is empty.
    static QString endpointUrl(const QString &netId, const QString &port);
};
