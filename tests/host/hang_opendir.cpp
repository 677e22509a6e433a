// SPDX-License-Identifier: MIT
// Preloaded into the host by its search tests: opendir() on a folder whose
// path ends in "/hanging" waits while the file that HANG_OPENDIR_GATE names
// exists, as a call into a dead network share waits in the kernel.
#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern "C" __attribute__((visibility("default"))) DIR* opendir(const char* pszName)
{
    using OpenDir = DIR* (*)(const char*);
    static const auto real = reinterpret_cast<OpenDir>(dlsym(RTLD_NEXT, "opendir"));
    const char* pszGate = std::getenv("HANG_OPENDIR_GATE");
    constexpr const char* kSuffix = "/hanging";
    const std::size_t nLen = std::strlen(pszName), nSuffix = std::strlen(kSuffix);
    if (pszGate && nLen >= nSuffix && std::strcmp(pszName + nLen - nSuffix, kSuffix) == 0)
        while (access(pszGate, F_OK) == 0)
            usleep(20000);
    return real(pszName);
}
