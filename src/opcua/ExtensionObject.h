#pragma once

#include "NodeId.h"

#include <QByteArray>

// A structure the codec does not know, kept as its encoded body (OPC 10000-6, 5.2.2.15):
// the NodeId of its DataTypeEncoding, an encoding byte, then for a body its length (Int32)
// and bytes. The caller that knows the type decodes the body with its own UaDecoder.
struct ExtensionObject {
    enum class BodyEncoding : quint8 { None = 0x00, Binary = 0x01, Xml = 0x02 };

    NodeId typeId;
    BodyEncoding encoding = BodyEncoding::None;
    QByteArray body;

    bool operator==(const ExtensionObject &other) const = default;

    static void encode(UaEncoder &encoder, const ExtensionObject &value);
    // An encoding byte other than 0, 1 or 2 is a BadDecodingError; the body length is held to
    // the decoder's ByteString limit.
    static ExtensionObject decode(UaDecoder &decoder);
};
