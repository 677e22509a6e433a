#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ipqMessage* IPQ_MSG;

// Reads "-ipqsession NAME" and "-ipqhost HOST" from the argument vector and
// makes them the session of this process. Returns 0 when a session was set.
int ipqcInit(int* pArgc, char** argv);

// Builds a message from a printf-style format; released by ipqSend.
IPQ_MSG ipqListN(const char* pszFormat, ...);

// Sends the message to the session's listener and releases it. Returns 0
// when delivered, -1 otherwise. Never blocks for long.
int ipqSend(IPQ_MSG hMsg);

#ifdef __cplusplus
}
#endif
