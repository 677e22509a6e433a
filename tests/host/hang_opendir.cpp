// SPDX-License-Identifier: MIT
// Preloaded into the host by its search tests: opendir() or open() of a
// folder whose path ends in "/hanging" waits while the file that
// HANG_OPENDIR_GATE names exists, as a call into a dead network share
// waits in the kernel.
#undef _FORTIFY_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace
{
void WaitIfHanging(const char* pszName)
{
    const char* pszGate = std::getenv("HANG_OPENDIR_GATE");
    constexpr const char* kSuffix = "/hanging";
    const std::size_t nLen = std::strlen(pszName), nSuffix = std::strlen(kSuffix);
    if (pszGate && nLen >= nSuffix && std::strcmp(pszName + nLen - nSuffix, kSuffix) == 0)
        while (access(pszGate, F_OK) == 0)
            usleep(20000);
}

using Open = int (*)(const char*, int, ...);

int OpenAfterWait(const char* pszCall, const char* pszName, int nFlags, va_list args)
{
    // A mode comes only with the flags that create.
    const mode_t nMode = (nFlags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    WaitIfHanging(pszName);
    const auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, pszCall));
    return real(pszName, nFlags, nMode);
}
} // namespace

extern "C" __attribute__((visibility("default"))) DIR* opendir(const char* pszName)
{
    using OpenDir = DIR* (*)(const char*);
    static const auto real = reinterpret_cast<OpenDir>(dlsym(RTLD_NEXT, "opendir"));
    WaitIfHanging(pszName);
    return real(pszName);
}

extern "C" __attribute__((visibility("default"))) int open(const char* pszName, int nFlags, ...)
{
    va_list args;
    va_start(args, nFlags);
    const int nFd = OpenAfterWait("open", pszName, nFlags, args);
    va_end(args);
    return nFd;
}

extern "C" __attribute__((visibility("default"))) int open64(const char* pszName, int nFlags, ...)
{
    va_list args;
    va_start(args, nFlags);
    const int nFd = OpenAfterWait("open64", pszName, nFlags, args);
    va_end(args);
    return nFd;
}
