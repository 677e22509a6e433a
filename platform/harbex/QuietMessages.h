// SPDX-License-Identifier: MIT
#pragma once

#include "harbex/HarbexExport.h"

// Installs a Qt message handler that drops the offscreen platform's warnings
// about window hints it cannot honour (they would bury what a program or a
// test has to say) and passes every other message on to Qt's own output.
// For the host, the companion programs and the tests alike.
HARBEX_EXPORT void InstallQuietMessageHandler();
