// SPDX-License-Identifier: MIT
#include "zorvcommon/zorvcommon.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
bool IsLibFolderName(const std::string& strName)
{
    return strName == "lib" || strName == "lib64" || strName == "lib32";
}
} // namespace

char* zorvGetInstallRoot(void)
{
    // The library's own file tells where this installation lives, whatever
    // the current folder or the program that loaded it.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&zorvGetInstallRoot), &info) == 0 || !info.dli_fname)
        return nullptr;
    char* pszReal = realpath(info.dli_fname, nullptr);
    if (!pszReal)
        return nullptr;
    std::string strPath(pszReal);
    std::free(pszReal);

    // The prefix is the parent of the nearest lib folder above the file, so a
    // multiarch layout (lib/x86_64-linux-gnu) is recognised too.
    std::string::size_type nEnd = strPath.rfind('/');
    while (nEnd != std::string::npos && nEnd > 0)
    {
        const std::string::size_type nStart = strPath.rfind('/', nEnd - 1);
        if (nStart == std::string::npos)
            break;
        if (IsLibFolderName(strPath.substr(nStart + 1, nEnd - nStart - 1)))
        {
            // Under "/" the prefix is the empty text, so that prefix + "/bin"
            // still names the right folder.
            return strdup(strPath.substr(0, nStart).c_str());
        }
        nEnd = nStart;
    }
    return nullptr;
}
