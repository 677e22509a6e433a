// SPDX-License-Identifier: MIT
#include "ipqc/IpqFrame.h"

#include <QtEndian>

namespace ipqc
{
namespace
{
constexpr qsizetype kHeaderSize = 4;
}

QByteArray EncodeFrame(QByteArrayView payload)
{
    Q_ASSERT(payload.size() <= qsizetype(kMaxFrameSize));
    QByteArray frame(kHeaderSize + payload.size(), Qt::Uninitialized);
    qToBigEndian(quint32(payload.size()), frame.data());
    std::copy(payload.begin(), payload.end(), frame.begin() + kHeaderSize);
    return frame;
}

CFrameDecoder::CFrameDecoder(quint32 nMaxFrameSize) : m_nMaxFrameSize(nMaxFrameSize) {}

bool CFrameDecoder::Feed(QByteArrayView bytes)
{
    if (Failed())
        return false;
    // Drop what was already taken before the buffer grows again.
    if (m_nPos > 0 && m_nPos >= m_buffer.size() / 2)
    {
        m_buffer.remove(0, m_nPos);
        m_nPos = 0;
    }
    m_buffer.append(bytes.data(), bytes.size());

    // Refuse an oversized length as soon as it is known rather than after
    // buffering its bytes; every complete header in the buffer is checked.
    qsizetype nPos = m_nPos;
    while (m_buffer.size() - nPos >= kHeaderSize)
    {
        const quint32 nLength = qFromBigEndian<quint32>(m_buffer.constData() + nPos);
        if (nLength > m_nMaxFrameSize)
        {
            m_strError = QStringLiteral("message of %1 bytes refused (limit %2)")
                             .arg(nLength)
                             .arg(m_nMaxFrameSize);
            // The messages before it were sound and can still be taken.
            m_buffer.truncate(nPos);
            return false;
        }
        nPos += kHeaderSize + qsizetype(nLength);
    }
    return true;
}

bool CFrameDecoder::Next(QByteArray& payload)
{
    if (m_buffer.size() - m_nPos < kHeaderSize)
        return false;
    const qsizetype nLength = qFromBigEndian<quint32>(m_buffer.constData() + m_nPos);
    if (m_buffer.size() - m_nPos - kHeaderSize < nLength)
        return false;
    payload = m_buffer.mid(m_nPos + kHeaderSize, nLength);
    m_nPos += kHeaderSize + nLength;
    if (m_nPos == m_buffer.size())
    {
        m_buffer.clear();
        m_nPos = 0;
    }
    return true;
}
} // namespace ipqc
