// SPDX-License-Identifier: MIT
#pragma once

#include "ipqc/IpqcExport.h"

#ifdef __cplusplus
extern "C"
{
#endif

    typedef struct ipqMessage* IPQ_MSG;

    // Reads "-ipqsession NAME" and "-ipqhost HOST" (also '/' for '-', any case)
    // from the argument vector and makes them the session of this process; the
    // host defaults to this machine's name. The session is also put into the
    // environment (IPQ_SESSION, IPQ_HOST), so programs this process starts
    // afterwards join it. Returns 0 when a session was set, -1 when the vector
    // names none (nothing changes then). The vector is only read.
    IPQC_EXPORT int ipqcInit(int* pArgc, char** argv);

    // Builds a message from a printf-style format, of any length. Null when the
    // format is null or the text cannot be built. Released by ipqSend or ipqFree.
    IPQC_EXPORT IPQ_MSG ipqListN(const char* pszFormat, ...);

    // Sends the message within the session and releases it. Without ipqcInit
    // the session comes from IPQ_SESSION and IPQ_HOST, else it is the empty
    // session name on this machine. Returns 0 when delivered, -1 otherwise (the
    // reason goes to standard error). Never blocks for more than a fraction of
    // a second, whether or not anyone listens or reads.
    IPQC_EXPORT int ipqSend(IPQ_MSG hMsg);

    // Releases a message that is not sent.
    IPQC_EXPORT void ipqFree(IPQ_MSG hMsg);

#ifdef __cplusplus
}
#endif
