#include "QualifiedName.h"

#include "UaDecoder.h"
#include "UaEncoder.h"

void QualifiedName::encode(UaEncoder &encoder, const QualifiedName &value)
{
    encoder.writeUInt16(value.namespaceIndex);
    encoder.writeString(value.name);
}

QualifiedName QualifiedName::decode(UaDecoder &decoder)
{
    QualifiedName value;
    value.namespaceIndex = decoder.readUInt16();
    value.name = decoder.readString();
    return value;
}
