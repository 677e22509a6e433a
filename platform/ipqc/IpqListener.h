// SPDX-License-Identifier: MIT
#pragma once

#include "ipqc/IpqcListenerExport.h"

#include "ipqc/IpqChannel.h"
#include "ipqc/IpqFrame.h"

#include <QObject>

class QLocalServer;
class QLocalSocket;

namespace ipqc
{
// The receiving end of a session, for companion programs: holds the
// session's channel and delivers every message sent within the session.
class IPQC_LISTENER_EXPORT CListener : public QObject
{
    Q_OBJECT
public:
    explicit CListener(QObject* pParent = nullptr);
    ~CListener() override;
    CListener(const CListener&) = delete;
    CListener& operator=(const CListener&) = delete;

    // Joins the session. False, with ErrorString(), when the channel folder
    // is refused or another program already listens in the session
    // (AnotherListens() then). A channel left behind by a listener that died
    // is taken over. Programs that start together agree on one listener.
    bool Listen(const SessionAddress& addr);
    bool AnotherListens() const { return m_bAnotherListens; }
    void Close();

    bool IsListening() const;
    QString ErrorString() const { return m_strError; }
    QString ChannelPath() const { return m_strPath; }
    SessionAddress Address() const { return m_addr; }

    // Messages longer than this end their connection.
    void SetMaxFrameSize(quint32 nBytes) { m_nMaxFrameSize = nBytes; }

Q_SIGNALS:
    // The sender is told (kAckByte) once each message has been handed on.
    void MessageReceived(const QByteArray& payload);
    // A connection sent something that is not a message stream.
    void ConnectionRefused(const QString& strReason);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* pSocket, CFrameDecoder* pDecoder);

    QLocalServer* m_pServer;
    SessionAddress m_addr;
    QString m_strPath;
    QString m_strError;
    quint32 m_nMaxFrameSize = kMaxFrameSize;
    bool m_bAnotherListens = false;
};
} // namespace ipqc
