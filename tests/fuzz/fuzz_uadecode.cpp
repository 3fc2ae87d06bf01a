// Decodes what a server sends: every response body the client decodes (after its type id),
// the connection protocol's messages, and the structured built-in types on their own. The
// first byte picks the type, the rest is the encoded value.
//
// Memory amplification needs arrays of thousands of elements, which mutation alone seldom
// builds. So with bit 7 of the first byte set, the next byte n repeats the input's last
// (n >> 5) + 1 bytes 2^(n & 31) times, up to 128 KB: "array header, then one element" becomes
// the whole array. That is past the budget's floor (64 KB at 16 bytes per byte) and keeps
// each run short.
//
// Beyond the sanitizers, two properties must hold:
// - A decoded value holds no more memory than the decoder's budget for the bytes it came
//   from (DecodeLimits: so many bytes per byte, a floor for small messages): a server must
//   not be able to make the client allocate far more than it sent.
// - A built-in type, which the client also encodes, must read its own encoding back, and
//   encoding that again must give the same bytes.

#include "DataValue.h"
#include "DiagnosticInfo.h"
#include "ExpandedNodeId.h"
#include "ExtensionObject.h"
#include "LocalizedText.h"
#include "NodeId.h"
#include "QualifiedName.h"
#include "ResponseHeader.h"
#include "UaAttributeServices.h"
#include "UaChannelServices.h"
#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaSessionServices.h"
#include "UaSubscriptionServices.h"
#include "UaTcpMessages.h"
#include "UaViewServices.h"
#include "Variant.h"

#include <QByteArrayView>
#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <sanitizer/allocator_interface.h>

namespace {

// What any decoding may leave behind whatever the budget: the first Variant of a kind
// registers its type with Qt, some 2 KB.
constexpr size_t kFixedAllowance = 16 * 1024;

void checkAmplification(size_t before, size_t inputSize, const char *type)
{
    const size_t after = __sanitizer_get_current_allocated_bytes();
    const size_t held = after > before ? after - before : 0;
    const DecodeLimits limits;
    const size_t budget =
        size_t(qMax(limits.memoryFloor, qint64(inputSize) * limits.memoryPerByte));
    if (held > budget + kFixedAllowance) {
        fprintf(stderr,
                "%s: %zu input bytes decode to %zu bytes held (%.1f per byte), budget %zu\n", type,
                inputSize, held, double(held) / double(inputSize ? inputSize : 1), budget);
        abort();
    }
}

template <typename T> void decodeOnly(QByteArrayView data, const char *type)
{
    const size_t before = __sanitizer_get_current_allocated_bytes();
    UaDecoder decoder(data);
    const T value = T::decode(decoder);
    checkAmplification(before, size_t(data.size()), type);
    (void)value;
}

// decode and encode: the type's own functions, wrapped where they take extra arguments.
template <typename T, typename Decode, typename Encode>
void decodeAndReencode(QByteArrayView data, const char *type, Decode decode, Encode encode)
{
    const size_t before = __sanitizer_get_current_allocated_bytes();
    UaDecoder decoder(data);
    const T value = decode(decoder);
    checkAmplification(before, size_t(data.size()), type);
    if (!decoder.ok())
        return;

    // The round trip is about the encoding rules, not the limits: a value read within the
    // budget of a larger message, or whose invalid UTF-8 came back as U+FFFD (three bytes for
    // one), must read back all the same.
    DecodeLimits unlimited;
    unlimited.maxStringLength = std::numeric_limits<qint32>::max();
    unlimited.maxByteStringLength = std::numeric_limits<qint32>::max();
    unlimited.memoryFloor = std::numeric_limits<qint64>::max() / 2;
    UaEncoder first;
    encode(first, value);
    UaDecoder again(first.data(), unlimited);
    const T reread = decode(again);
    if (!again.ok() || !again.atEnd()) {
        fprintf(stderr, "%s: own encoding (%lld bytes) does not decode: status 0x%08x at %lld\n",
                type, qlonglong(first.size()), again.status(), qlonglong(again.position()));
        abort();
    }
    UaEncoder second;
    encode(second, reread);
    if (second.data() != first.data()) {
        fprintf(stderr, "%s: encoding changes after a round trip\n  %s\n  %s\n", type,
                first.data().toHex(' ').constData(), second.data().toHex(' ').constData());
        abort();
    }
}

template <typename T> void roundTrip(QByteArrayView data, const char *type)
{
    decodeAndReencode<T>(
        data, type, [](UaDecoder &d) { return T::decode(d); },
        [](UaEncoder &e, const T &v) { T::encode(e, v); });
}

// The input with its last unit bytes repeated, see above.
QByteArray expanded(QByteArrayView input, uint8_t n)
{
    constexpr qsizetype kLargest = 128 * 1024;
    const qsizetype unit = qMin(qsizetype(n >> 5) + 1, input.size());
    QByteArray out = input.toByteArray();
    if (unit == 0)
        return out;
    const QByteArrayView tail = input.last(unit);
    const qsizetype repeats = qMin(qsizetype(1) << qMin(n & 31, 17), kLargest / unit);
    out.reserve(input.size() + (repeats - 1) * unit);
    for (qsizetype i = 1; i < repeats; ++i)
        out.append(tail);
    return out;
}

// What the first byte picks. Service responses, as UaSession, UaSubscription and
// UaViewServices decode them (ResponseHeader stands for ServiceFault, ActivateSession and
// CloseSession); the connection protocol (ACK and ERR, and the body of an aborted chunk),
// which is read and never sent on, so invalid UTF-8 in a reason may come back as U+FFFD and
// exceed its limit: no round trip; then the structured built-in types.
using Run = void (*)(QByteArrayView, const char *);
struct Target {
    Run run;
    const char *type;
};
const Target kTargets[] = {
    {decodeOnly<ReadResponse>, "ReadResponse"},
    {decodeOnly<WriteResponse>, "WriteResponse"},
    {decodeOnly<OpenSecureChannelResponse>, "OpenSecureChannelResponse"},
    {decodeOnly<CreateSessionResponse>, "CreateSessionResponse"},
    {decodeOnly<CreateSubscriptionResponse>, "CreateSubscriptionResponse"},
    {decodeOnly<DeleteResponse>, "DeleteResponse"},
    {decodeOnly<CreateMonitoredItemsResponse>, "CreateMonitoredItemsResponse"},
    {decodeOnly<PublishResponse>, "PublishResponse"},
    {decodeOnly<TranslateBrowsePathsResponse>, "TranslateBrowsePathsResponse"},
    {decodeOnly<ResponseHeader>, "ResponseHeader"},
    {decodeOnly<NotificationMessage>, "NotificationMessage"},
    {decodeOnly<AcknowledgeMessage>, "AcknowledgeMessage"},
    {decodeOnly<ErrorMessage>, "ErrorMessage"},
    {decodeOnly<HelloMessage>, "HelloMessage"},
    {roundTrip<Variant>, "Variant"},
    {roundTrip<DataValue>, "DataValue"},
    {roundTrip<DiagnosticInfo>, "DiagnosticInfo"},
    {roundTrip<ExtensionObject>, "ExtensionObject"},
    {roundTrip<NodeId>, "NodeId"},
    {roundTrip<ExpandedNodeId>, "ExpandedNodeId"},
    {roundTrip<LocalizedText>, "LocalizedText"},
    {roundTrip<QualifiedName>, "QualifiedName"},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 1)
        return 0;
    QByteArrayView data(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size - 1));
    QByteArray repeated;
    if (bytes[0] & 0x80) {
        if (data.isEmpty())
            return 0;
        repeated = expanded(data.sliced(1), uint8_t(data[0]));
        data = repeated;
    }
    const Target &target = kTargets[(bytes[0] & 0x7F) % std::size(kTargets)];
    target.run(data, target.type);
    return 0;
}
