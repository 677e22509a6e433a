// SPDX-License-Identifier: MIT
#include "ipqc/ipqc.h"
#include "ipqc/IpqChannel.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QStringList>
#include <QSysInfo>

#include <cstdarg>
#include <cstdio>
#include <new>
#include <vector>

namespace
{
Q_LOGGING_CATEGORY(lcIpqc, "physprops.ipqc")
} // namespace

struct ipqMessage
{
    QByteArray text;
};

int ipqcInit(int* pArgc, char** argv)
{
    if (!pArgc || !argv)
        return -1;
    QStringList args;
    for (int i = 0; i < *pArgc; ++i)
        if (argv[i])
            args.append(QString::fromLocal8Bit(argv[i]));
    ipqc::SessionAddress addr{QString(), QSysInfo::machineHostName()};
    if (!ipqc::ParseSessionOptions(args, addr))
        return -1;
    ipqc::SetCurrentSession(addr);
    qputenv(ipqc::kSessionVariable, addr.strSession.toLocal8Bit());
    qputenv(ipqc::kHostVariable, addr.strHost.toLocal8Bit());
    return 0;
}

IPQ_MSG ipqListN(const char* pszFormat, ...)
{
    if (!pszFormat)
        return nullptr;
    va_list args;
    va_start(args, pszFormat);
    va_list argsCopy;
    va_copy(argsCopy, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, args);
    va_end(args);
    IPQ_MSG hMsg = nullptr;
    if (nLength >= 0)
        hMsg = new (std::nothrow) ipqMessage;
    if (hMsg)
    {
        // One more byte for the terminator that vsnprintf always writes.
        std::vector<char> buffer(std::size_t(nLength) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), pszFormat, argsCopy);
        hMsg->text = QByteArray(buffer.data(), nLength);
    }
    va_end(argsCopy);
    return hMsg;
}

int ipqSend(IPQ_MSG hMsg)
{
    if (!hMsg)
        return -1;
    const QByteArray text = std::move(hMsg->text);
    delete hMsg;

    const ipqc::SessionAddress addr = ipqc::CurrentSession();
    QString strError;
    const int nResult = ipqc::SendPayload(addr, text, ipqc::kSendTimeoutMs, &strError);
    if (nResult != 0)
        qCWarning(lcIpqc).noquote() << "ipqc:" << strError;
    return nResult;
}

void ipqFree(IPQ_MSG hMsg)
{
    delete hMsg;
}
