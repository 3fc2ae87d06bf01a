#include "ExtensionObject.h"

#include "StatusCodes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

void ExtensionObject::encode(UaEncoder &encoder, const ExtensionObject &value)
{
    NodeId::encode(encoder, value.typeId);
    encoder.writeByte(quint8(value.encoding));
    if (value.encoding != BodyEncoding::None)
        encoder.writeByteString(value.body.isNull() ? QByteArray("", 0) : value.body);
}

ExtensionObject ExtensionObject::decode(UaDecoder &decoder)
{
    const UaDecoder::Nesting level(decoder);
    ExtensionObject value;
    value.typeId = NodeId::decode(decoder);
    const quint8 encoding = decoder.readByte();
    if (encoding > quint8(BodyEncoding::Xml))
        decoder.fail(UaStatus::BadDecodingError);
    value.encoding = BodyEncoding(encoding);
    if (value.encoding != BodyEncoding::None)
        value.body = decoder.readByteString();
    return decoder.ok() ? value : ExtensionObject();
}
