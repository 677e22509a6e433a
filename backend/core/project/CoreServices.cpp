// SPDX-License-Identifier: MIT
#include "project/CoreServices.h"

#include "zorvcommon/zorvcommon.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace physprops::core
{
namespace
{
QString SystemLoginName()
{
    // The account the process acts as, which $USER need not name (su, sudo);
    // the environment only when the account has no entry (some containers).
    long nSize = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(std::size_t(nSize > 0 ? nSize : 16384));
    passwd entry{};
    passwd* pResult = nullptr;
    while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &pResult) == ERANGE)
        buffer.resize(buffer.size() * 2);
    if (pResult && pResult->pw_name && *pResult->pw_name)
        return QString::fromLocal8Bit(pResult->pw_name);
    for (const char* pszVar : {"USER", "LOGNAME"})
        if (const char* pszValue = std::getenv(pszVar); pszValue && *pszValue)
            return QString::fromLocal8Bit(pszValue);
    return {};
}
} // namespace

const CCoreServices& CCoreServices::Default()
{
    static const CCoreServices s_services{&SystemLoginName, &QSysInfo::machineHostName,
                                          &zorvGetInstallRoot};
    return s_services;
}
} // namespace physprops::core
