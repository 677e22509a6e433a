// SPDX-License-Identifier: MIT
#include "ipqc/IpqFrame.h"

#include <QList>

#include <gtest/gtest.h>

using ipqc::CFrameDecoder;
using ipqc::EncodeFrame;

namespace
{
QByteArray Stream(const QList<QByteArray>& payloads)
{
    QByteArray stream;
    for (const QByteArray& p : payloads)
        stream += EncodeFrame(p);
    return stream;
}

QList<QByteArray> DecodeAll(CFrameDecoder& decoder)
{
    QList<QByteArray> out;
    QByteArray payload;
    while (decoder.Next(payload))
        out.append(payload);
    return out;
}
} // namespace

TEST(Frame, encodesBigEndianLengthThenBytes)
{
    const struct
    {
        QByteArray payload;
        QByteArray frame;
    } cases[] = {
        {"", QByteArray("\0\0\0\0", 4)},
        {"abc", QByteArray("\0\0\0\3abc", 7)},
        {QByteArray(258, 'x'), QByteArray("\0\0\1\2", 4) + QByteArray(258, 'x')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeFrame(c.payload), c.frame);
}

TEST(Frame, decodesWhateverWayTheReadsSplitTheStream)
{
    // Payloads that look like headers, separators or other messages.
    const QList<QByteArray> payloads{
        "Input open \"/lib/a b.dra\"",
        QByteArray("\0\0\0\5Input new", 13),
        "",
        "line\nInput new unnamed.dra\n",
        QByteArray(5000, '\xff'),
    };
    const QByteArray stream = Stream(payloads);
    for (const qsizetype nChunk : {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(4),
                                   qsizetype(5), qsizetype(7), qsizetype(4096), stream.size()})
    {
        CFrameDecoder decoder;
        QList<QByteArray> got;
        for (qsizetype i = 0; i < stream.size(); i += nChunk)
        {
            ASSERT_TRUE(decoder.Feed(stream.mid(i, nChunk)));
            got += DecodeAll(decoder);
        }
        EXPECT_EQ(got, payloads) << "chunk size " << nChunk;
        EXPECT_FALSE(decoder.HasPartialFrame());
    }
}

TEST(Frame, keepsAnIncompleteMessageBack)
{
    CFrameDecoder decoder;
    const QByteArray frame = EncodeFrame("Input new unnamed.dra");
    ASSERT_TRUE(decoder.Feed(frame.left(frame.size() - 1)));
    QByteArray payload;
    EXPECT_FALSE(decoder.Next(payload));
    EXPECT_TRUE(decoder.HasPartialFrame());
    ASSERT_TRUE(decoder.Feed(frame.right(1)));
    ASSERT_TRUE(decoder.Next(payload));
    EXPECT_EQ(payload, "Input new unnamed.dra");
}

TEST(Frame, refusesLengthsAboveTheLimitAsSoonAsTheyArrive)
{
    const struct
    {
        const char* pszName;
        QByteArray bytes;
        quint32 nLimit;
        int nMessagesBefore;
    } cases[] = {
        {"justAboveLimit", QByteArray("\0\0\0\x11", 4), 16, 0},
        {"maximumLength", QByteArray("\xff\xff\xff\xff", 4), ipqc::kMaxFrameSize, 0},
        {"plainTextAsHeader", "hello world", ipqc::kMaxFrameSize, 0},
        {"afterAGoodMessage", EncodeFrame("ok") + QByteArray("\x7f\0\0\0", 4), 1024, 1},
        {"behindAnIncompleteMessage", QByteArray("\0\0\0\2x", 5) + QByteArray("y\x7f\0\0\0", 5),
         1024, 1},
    };
    for (const auto& c : cases)
    {
        CFrameDecoder decoder(c.nLimit);
        EXPECT_FALSE(decoder.Feed(c.bytes)) << c.pszName;
        EXPECT_TRUE(decoder.Failed()) << c.pszName;
        EXPECT_FALSE(decoder.Error().isEmpty()) << c.pszName;
        // Sound messages before the refused one still come out; nothing after.
        EXPECT_EQ(DecodeAll(decoder).size(), c.nMessagesBefore) << c.pszName;
        EXPECT_FALSE(decoder.Feed(EncodeFrame("more"))) << c.pszName;
        EXPECT_EQ(DecodeAll(decoder).size(), 0) << c.pszName;
    }
}

TEST(Frame, acceptsMessageOfExactlyTheLimit)
{
    CFrameDecoder decoder(16);
    ASSERT_TRUE(decoder.Feed(EncodeFrame(QByteArray(16, 'a'))));
    QByteArray payload;
    ASSERT_TRUE(decoder.Next(payload));
    EXPECT_EQ(payload.size(), 16);
}
