/* SPDX-License-Identifier: MIT */
#pragma once

/* The control file of the latency share (bench/latency_share.c), mapped
 * shared by the file system and the benchmark: the delay every call waits,
 * which the benchmark may change while the share is mounted, and how many
 * calls of each kind the share has answered. Read and written with the
 * __atomic built-ins, from C and C++ alike. */

#include <stdint.h>

/* The calls counted, in the order of the counters. */
#define LATENCY_SHARE_CALLS(X)                                                                     \
    X(getattr)                                                                                     \
    X(access)                                                                                      \
    X(readlink)                                                                                    \
    X(opendir)                                                                                     \
    X(readdir)                                                                                     \
    X(releasedir)                                                                                  \
    X(open)                                                                                        \
    X(read)                                                                                        \
    X(release)                                                                                     \
    X(statfs)

#define LATENCY_SHARE_ENUM(name) kLatencyCall_##name,
enum LatencyShareCall
{
    LATENCY_SHARE_CALLS(LATENCY_SHARE_ENUM) kLatencyCallCount
};
#undef LATENCY_SHARE_ENUM

#define LATENCY_SHARE_MAGIC UINT64_C(0x31736c6174656e63)

struct LatencyShareControl
{
    uint64_t magic;    /* LATENCY_SHARE_MAGIC once the share has set it up */
    uint64_t delay_ns; /* waited before answering each call but the closes */
    uint64_t calls[kLatencyCallCount];
};
