#include "zorvcommon.h"

#include <cstdlib>

char* zorvGetInstallRoot(void)
{
    return nullptr;
}
