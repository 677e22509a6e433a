// SPDX-License-Identifier: MIT
#pragma once

#include "zorvcommon/ZorvcommonExport.h"

#ifdef __cplusplus
extern "C"
{
#endif

    // The installation prefix of the running module: the parent of the lib
    // folder that holds this library (the build tree mirrors an installation,
    // build/<preset>/bin and build/<preset>/lib). No trailing separator; a
    // library installed in /lib gives the empty text. Newly allocated with
    // malloc; the caller releases it with free(). Null when it cannot be found.
    ZORVCOMMON_EXPORT char* zorvGetInstallRoot(void);

#ifdef __cplusplus
}
#endif
