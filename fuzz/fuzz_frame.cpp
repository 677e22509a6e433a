// SPDX-License-Identifier: MIT
// The message framing decoder, two ways. Mode 0: the input is a raw stream
// (a hostile or broken peer), cut into reads of fuzzed sizes; what comes out
// must be exactly the messages a plain reading of the stream finds, up to
// the first refused length. Mode 1: the input is a list of payloads; they are
// encoded, cut into reads, and must come back unchanged.
#include "FuzzSupport.h"
#include "ipqc/IpqFrame.h"

#include <QtEndian>

#include <algorithm>
#include <vector>

namespace
{
constexpr quint32 kLimits[] = {0, 1, 7, 300, ipqc::kMaxFrameSize};

struct Expected
{
    std::vector<QByteArray> messages;
    bool bRefused = false;
    bool bPartial = false;
};

Expected ReadPlainly(QByteArrayView stream, quint32 nLimit)
{
    Expected e;
    qsizetype nPos = 0;
    while (stream.size() - nPos >= 4)
    {
        const quint32 nLength = qFromBigEndian<quint32>(stream.data() + nPos);
        if (nLength > nLimit)
        {
            e.bRefused = true;
            return e;
        }
        if (stream.size() - nPos - 4 < qsizetype(nLength))
            break;
        e.messages.emplace_back(stream.data() + nPos + 4, qsizetype(nLength));
        nPos += 4 + qsizetype(nLength);
    }
    e.bPartial = nPos < stream.size();
    return e;
}

// Feeds the stream in pieces whose sizes come from the cut bytes (cycled),
// taking messages out between reads as a listener does.
std::vector<QByteArray> FeedInPieces(ipqc::CFrameDecoder& decoder, QByteArrayView stream,
                                     QByteArrayView cuts)
{
    std::vector<QByteArray> got;
    qsizetype nPos = 0;
    qsizetype nCut = 0;
    bool bRefused = false;
    while (nPos < stream.size())
    {
        qsizetype nPiece = cuts.isEmpty()
                               ? stream.size()
                               : 1 + (static_cast<unsigned char>(cuts[nCut++ % cuts.size()]) % 64);
        nPiece = std::min(nPiece, stream.size() - nPos);
        const bool bFed = decoder.Feed(stream.sliced(nPos, nPiece));
        FUZZ_CHECK(bFed == !decoder.Failed());
        // Once refused, the decoder stays refused.
        FUZZ_CHECK(!bRefused || !bFed);
        bRefused = !bFed;
        nPos += nPiece;
        QByteArray payload;
        while (decoder.Next(payload))
            got.push_back(payload);
    }
    return got;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 3)
        return 0;
    const unsigned char nMode = pData[0] & 1;
    const quint32 nLimit = kLimits[(pData[0] >> 1) % std::size(kLimits)];
    const std::size_t nCuts = std::min<std::size_t>(pData[1] % 8, nSize - 2);
    const QByteArrayView cuts(pData + 2, qsizetype(nCuts));
    const QByteArrayView body(pData + 2 + nCuts, qsizetype(nSize - 2 - nCuts));

    ipqc::CFrameDecoder decoder(nLimit);
    if (nMode == 0)
    {
        const Expected e = ReadPlainly(body, nLimit);
        const std::vector<QByteArray> got = FeedInPieces(decoder, body, cuts);
        FUZZ_CHECK(got == e.messages);
        FUZZ_CHECK(decoder.Failed() == e.bRefused);
        if (!e.bRefused)
            FUZZ_CHECK(decoder.HasPartialFrame() == e.bPartial);
        QByteArray payload;
        FUZZ_CHECK(!decoder.Next(payload));
        return 0;
    }

    // Payloads: each starts with its length byte, capped by the limit.
    std::vector<QByteArray> sent;
    QByteArray stream;
    for (qsizetype i = 0; i < body.size();)
    {
        const qsizetype nLen = std::min<qsizetype>(
            {static_cast<unsigned char>(body[i]), body.size() - i - 1, qsizetype(nLimit)});
        sent.emplace_back(body.data() + i + 1, nLen);
        stream += ipqc::EncodeFrame(sent.back());
        i += 1 + nLen;
    }
    const std::vector<QByteArray> got = FeedInPieces(decoder, stream, cuts);
    FUZZ_CHECK(got == sent);
    FUZZ_CHECK(!decoder.Failed());
    FUZZ_CHECK(!decoder.HasPartialFrame());
    return 0;
}
