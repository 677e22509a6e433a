// SPDX-License-Identifier: MIT
#pragma once

#include "ipqc/IpqcExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <functional>
#include <optional>

namespace ipqc
{
// A message session: its name and the message host it belongs to. Programs
// that agree on both talk over the same channel.
struct IPQC_EXPORT SessionAddress
{
    QString strSession;
    QString strHost;
    bool operator==(const SessionAddress&) const = default;
};

// Environment variables through which a session passes to the programs a
// process starts after joining it.
inline constexpr char kSessionVariable[] = "IPQ_SESSION";
inline constexpr char kHostVariable[] = "IPQ_HOST";

// How long a send may take at most, connecting and writing together.
inline constexpr int kSendTimeoutMs = 80;

// Written back by a listener for each message it has handed on, in order,
// so that a sender that waits for it knows what arrived. Senders that do
// not wait never read it.
inline constexpr char kAckByte = '\x06';

// Whether a word of a command line is the option NAME: "-NAME" or "/NAME",
// in any case. With bBareToo a word without '-' or '/' in front may also be
// NAME alone (the module's own option list is read that way).
IPQC_EXPORT bool IsOptionWord(QStringView word, QStringView name, bool bBareToo = false);

// The first word of args that is the option NAME (as IsOptionWord), or -1.
IPQC_EXPORT qsizetype FindOptionWord(const QStringList& args, QStringView name,
                                     bool bBareToo = false);

// Whether a word is one of the message session's options, which a host
// passes on to the module: any word that starts with "-ipq" or "/ipq", in
// any case.
IPQC_EXPORT bool IsSessionOptionWord(QStringView word);

// Reads "-ipqsession NAME" and "-ipqhost HOST" (also written with '/', any
// case) into addr. Returns true when the session option was present; a
// missing value (the option last, or followed by the other option) gives
// the empty session name.
IPQC_EXPORT bool ParseSessionOptions(const QStringList& args, SessionAddress& addr);
// The same, and removes the options and their values from args.
IPQC_EXPORT bool TakeSessionOptions(QStringList& args, SessionAddress& addr);

// The session of a program started without options: IPQ_SESSION and
// IPQ_HOST when set, else the empty session name on this machine's host name.
IPQC_EXPORT SessionAddress SessionFromEnvironment();

// A companion's session: its options (taken out of args), else the environment.
IPQC_EXPORT SessionAddress SessionFromArguments(QStringList& args);

// The session that ipqSend uses: the one ipqcInit set, else the environment's.
IPQC_EXPORT SessionAddress CurrentSession();
// The session ipqcInit set, if it set one.
IPQC_EXPORT std::optional<SessionAddress> JoinedSession();
IPQC_EXPORT void SetCurrentSession(const SessionAddress& addr);

// Where the channel folder is, checked or not.
IPQC_EXPORT QString ChannelFolderPath();

// The folder that holds the session channels: $XDG_RUNTIME_DIR/ipqc, else
// (unset, relative, or naming no folder) /tmp/ipqc-<uid>. Created with mode 0700 when bCreate and
// it is missing; refused with the reason in *pError (empty result) when it is not private.
IPQC_EXPORT QString ChannelFolder(bool bCreate, QString* pError);

// Accepts a folder only when it is a real folder (not a symbolic link),
// owned by nUid, with mode exactly 0700.
IPQC_EXPORT bool CheckPrivateFolder(const QString& strPath, uid_t nUid, QString* pError);

// Creates strPath (mode 0700) when missing, then checks it as above.
IPQC_EXPORT bool PreparePrivateFolder(const QString& strPath, uid_t nUid, QString* pError);

// The channel's file name inside the folder: "s-" and the session and host
// with every byte other than a letter, digit, '_' or '-' written as %XX;
// when that would not fit a local socket address, "h-" and a digest of both.
// Never contains '/' and never starts with '.'.
IPQC_EXPORT QString ChannelFileName(const QString& strFolder, const SessionAddress& addr);

// Full path of the session's channel in the checked folder; empty with the
// reason in *pError when the folder is refused.
IPQC_EXPORT QString ChannelPath(const SessionAddress& addr, bool bCreateFolder, QString* pError);

// Sends one message to the session's listener. Returns 0 when it was handed
// over, -1 with the reason in *pError otherwise. Gives up after nTimeoutMs
// (nobody listening fails at once; a listener that does not read, after the
// timeout).
IPQC_EXPORT int SendPayload(const SessionAddress& addr, const QByteArray& payload, int nTimeoutMs,
                            QString* pError);

// Whether someone holds a channel, asked without waiting.
enum class ListenerState
{
    Answers,  // connected, or queued by a listener too busy to accept now
    Nobody,   // no channel, or one left behind by a listener that ended
    Unusable, // the folder or the channel cannot be used (the reason says why)
};

// Opens a non-blocking connection to the channel at strPath. The socket, or
// -1 with the state and its reason; a busy listener also gives -1, with
// ListenerState::Answers.
IPQC_EXPORT int ConnectChannel(const QString& strPath, ListenerState& state, QString* pError);

// Asks whether a listener holds the session's channel, without waiting.
IPQC_EXPORT ListenerState ProbeListener(const SessionAddress& addr, QString* pError);

// Sends one message and waits until the listener has handed it on. 0 when
// it has, -1 with the reason otherwise (also when nTimeoutMs ran out first:
// the message may still arrive then).
IPQC_EXPORT int SendConfirmed(const SessionAddress& addr, const QByteArray& payload, int nTimeoutMs,
                              QString* pError);
} // namespace ipqc
