// SPDX-License-Identifier: MIT
#pragma once

#include "ipqc/IpqcExport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace ipqc
{
// The largest message a session carries. Paths are far shorter; the limit
// keeps a broken or hostile peer from making a listener buffer without end.
inline constexpr quint32 kMaxFrameSize = 1u << 20;

// One message on the wire: its length as 4 bytes, most significant first,
// then the bytes themselves. Nothing inside a message can end it early or
// start another one. The payload must not exceed kMaxFrameSize.
IPQC_EXPORT QByteArray EncodeFrame(QByteArrayView payload);

// Cuts a byte stream back into messages, however the reads split it.
class IPQC_EXPORT CFrameDecoder
{
public:
    explicit CFrameDecoder(quint32 nMaxFrameSize = kMaxFrameSize);

    // Adds received bytes. Returns false once the stream is refused (a
    // length above the limit); after that nothing more is taken, and only
    // the complete messages that came before the refused one can be read.
    bool Feed(QByteArrayView bytes);
    // Moves the next complete message into payload; false when none is complete.
    bool Next(QByteArray& payload);

    bool Failed() const { return !m_strError.isEmpty(); }
    QString Error() const { return m_strError; }
    // True while part of a message has arrived but not all of it.
    bool HasPartialFrame() const { return m_nPos < m_buffer.size(); }

private:
    quint32 m_nMaxFrameSize;
    QByteArray m_buffer;
    qsizetype m_nPos = 0; // start of the first message not yet taken
    QString m_strError;
};
} // namespace ipqc
