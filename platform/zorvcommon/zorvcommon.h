#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The installation prefix of the running module (the folder that holds its
// bin/ and lib/), without a trailing separator. Newly allocated; the caller
// releases it with free(). Null when it cannot be found.
char* zorvGetInstallRoot(void);

#ifdef __cplusplus
}
#endif
