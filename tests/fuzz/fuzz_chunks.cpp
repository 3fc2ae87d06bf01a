// Feeds a server's byte stream to the chunk assembler in pieces, as the socket delivers it.
// Input: one byte that picks the limits the client announced, two bytes that decide where
// the stream is cut, then the stream.
//
// Where the socket cuts the stream must not matter: the pieces must give exactly the
// messages and the status that the whole stream fed at once gives. A failed assembler
// returns nothing more, and no message holds more body bytes than the stream had.

#include "ChunkAssembler.h"

#include <QList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

ChunkLimits limitsFrom(uint8_t b)
{
    // A zero takes the assembler's default.
    static constexpr quint32 kBufferSizes[] = {0, 8192, 16384, 65536};
    static constexpr quint32 kMessageSizes[] = {0, 8192, 65536, 1024 * 1024};
    static constexpr quint32 kChunkCounts[] = {0, 1, 2, 16};
    return {kBufferSizes[b & 3], kMessageSizes[(b >> 2) & 3], kChunkCounts[(b >> 4) & 3]};
}

bool sameMessage(const ReceivedMessage &a, const ReceivedMessage &b)
{
    return a.type == b.type && a.secureChannelId == b.secureChannelId && a.tokenId == b.tokenId &&
           a.requestId == b.requestId && a.body == b.body && a.abort == b.abort;
}

[[noreturn]] void fail(const char *what, qsizetype index)
{
    fprintf(stderr, "chunk assembler: %s (message %lld)\n", what, qlonglong(index));
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 3)
        return 0;
    const ChunkLimits limits = limitsFrom(bytes[0]);
    const QByteArrayView stream(reinterpret_cast<const char *>(bytes) + 3, qsizetype(size - 3));

    ChunkAssembler whole(limits);
    const QList<ReceivedMessage> expected = whole.feed(stream);

    ChunkAssembler pieces(limits);
    QList<ReceivedMessage> got;
    // The lengths of the pieces: from one byte up to 2^(bits) bytes, in an order the two cut
    // bytes choose (xorshift), so that a change of those bytes moves every boundary.
    quint32 state = 0x9E3779B9u ^ (quint32(bytes[1]) << 8) ^ bytes[2];
    const quint32 mask = (1u << (bytes[1] & 15)) - 1;
    for (qsizetype offset = 0; offset < stream.size();) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const qsizetype length = qMin(1 + qsizetype(state & mask), stream.size() - offset);
        const bool failedBefore = !pieces.ok();
        const QList<ReceivedMessage> messages = pieces.feed(stream.sliced(offset, length));
        if (failedBefore && !messages.isEmpty())
            fail("messages after a failure", got.size());
        got += messages;
        offset += length;
    }

    if (pieces.status() != whole.status()) {
        fprintf(stderr, "status 0x%08x in pieces, 0x%08x whole\n", pieces.status(), whole.status());
        fail("the status depends on where the stream was cut", got.size());
    }
    if (got.size() != expected.size())
        fail("the message count depends on where the stream was cut", got.size());
    qsizetype bodyBytes = 0;
    for (qsizetype i = 0; i < got.size(); ++i) {
        if (!sameMessage(got[i], expected[i]))
            fail("a message depends on where the stream was cut", i);
        bodyBytes += got[i].body.size();
    }
    if (bodyBytes > stream.size())
        fail("more body bytes than the stream held", got.size());
    return 0;
}
