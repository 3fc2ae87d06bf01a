#pragma once

#include <QString>

class UaDecoder;
class UaEncoder;

// A name qualified by a namespace index (OPC 10000-6, 5.2.2.13): UInt16 index, then String.
struct QualifiedName {
    quint16 namespaceIndex = 0;
    QString name;

    bool operator==(const QualifiedName &other) const = default;

    static void encode(UaEncoder &encoder, const QualifiedName &value);
    static QualifiedName decode(UaDecoder &decoder);
};
