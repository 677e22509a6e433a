/* SPDX-License-Identifier: MIT */
/* A footprint library on a slow network share, for the share benchmark: a
 * read-only passthrough FUSE file system of one local folder that waits a
 * set time before it answers each call, as a round trip to a file server
 * would.
 *
 *   physprops_latency_share SOURCE MOUNTPOINT CONTROL_FILE [DELAY_US]
 *   physprops_latency_share --show CONTROL_FILE
 *
 * Mounts SOURCE on MOUNTPOINT and returns once it is mounted (the file
 * system goes on in the background until `fusermount3 -u MOUNTPOINT`).
 * CONTROL_FILE (LatencyShareControl.h) holds the delay, which may be changed
 * while mounted, and a counter of every kind of call; --show prints them.
 *
 * What waits: every call the kernel waits for: lookups and attributes
 * (getattr), access, readlink, opendir, each readdir (one per buffer the
 * kernel asks for), open, each read, statfs. The closes (release,
 * releasedir; flush is left to the kernel) do not: NFSv3 closes a file it
 * only read without a call, and the kernel does not wait for them.
 *
 * The kernel's caches do not answer for the share: attribute, entry and
 * negative timeouts are 0 and READDIRPLUS is off, so every lookup comes
 * here, while each directory entry still carries its type (d_type), as an
 * NFS READDIRPLUS or SMB listing gives it. Up to 64 calls wait at once. */

#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include "LatencyShareControl.h"

#include <fuse.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <inttypes.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static int g_nSource = -1;
static struct LatencyShareControl* g_pControl;

static const char* const g_callNames[] = {
#define LATENCY_SHARE_NAME(name) #name,
    LATENCY_SHARE_CALLS(LATENCY_SHARE_NAME)
#undef LATENCY_SHARE_NAME
};

/* Counts the call, then waits the delay: one round trip. */
static void RoundTrip(enum LatencyShareCall eCall)
{
    __atomic_fetch_add(&g_pControl->calls[eCall], 1, __ATOMIC_RELAXED);
    const uint64_t nDelay = __atomic_load_n(&g_pControl->delay_ns, __ATOMIC_RELAXED);
    if (nDelay == 0)
        return;
    struct timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    const uint64_t nNs = (uint64_t)until.tv_nsec + nDelay;
    until.tv_sec += (time_t)(nNs / 1000000000u);
    until.tv_nsec = (long)(nNs % 1000000000u);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR)
    {
    }
}

/* Paths come as "/a/b"; the source folder is "/". */
static const char* Relative(const char* pszPath)
{
    return pszPath[1] ? pszPath + 1 : ".";
}

static int Result(int nResult)
{
    return nResult < 0 ? -errno : nResult;
}

static int Getattr(const char* pszPath, struct stat* pStat, struct fuse_file_info* pInfo)
{
    (void)pInfo;
    RoundTrip(kLatencyCall_getattr);
    return Result(fstatat(g_nSource, Relative(pszPath), pStat, AT_SYMLINK_NOFOLLOW));
}

static int Access(const char* pszPath, int nMask)
{
    RoundTrip(kLatencyCall_access);
    return Result(faccessat(g_nSource, Relative(pszPath), nMask, 0));
}

static int Readlink(const char* pszPath, char* pBuf, size_t nSize)
{
    RoundTrip(kLatencyCall_readlink);
    const ssize_t nLen = readlinkat(g_nSource, Relative(pszPath), pBuf, nSize - 1);
    if (nLen < 0)
        return -errno;
    pBuf[nLen] = '\0';
    return 0;
}

/* An open folder and where the kernel's last readdir stopped in it. */
struct Folder
{
    DIR* pDir;
    struct dirent* pPending; /* read but not yet taken by the kernel */
    off_t nOffset;
};

static int Opendir(const char* pszPath, struct fuse_file_info* pInfo)
{
    RoundTrip(kLatencyCall_opendir);
    const int nFd = openat(g_nSource, Relative(pszPath), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (nFd < 0)
        return -errno;
    struct Folder* pFolder = calloc(1, sizeof *pFolder);
    if (!pFolder || !(pFolder->pDir = fdopendir(nFd)))
    {
        close(nFd);
        free(pFolder);
        return -ENOMEM;
    }
    pInfo->fh = (uint64_t)(uintptr_t)pFolder;
    return 0;
}

/* One kernel buffer of entries, each with its type, from nOffset on. */
static int Readdir(const char* pszPath, void* pBuf, fuse_fill_dir_t fnFill, off_t nOffset,
                   struct fuse_file_info* pInfo, enum fuse_readdir_flags eFlags)
{
    (void)pszPath;
    (void)eFlags;
    RoundTrip(kLatencyCall_readdir);
    struct Folder* pFolder = (struct Folder*)(uintptr_t)pInfo->fh;
    if (nOffset != pFolder->nOffset)
    {
        seekdir(pFolder->pDir, nOffset);
        pFolder->pPending = NULL;
        pFolder->nOffset = nOffset;
    }
    for (;;)
    {
        if (!pFolder->pPending && !(pFolder->pPending = readdir(pFolder->pDir)))
            break;
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = pFolder->pPending->d_ino;
        st.st_mode = DTTOIF(pFolder->pPending->d_type);
        const off_t nNext = telldir(pFolder->pDir);
        if (fnFill(pBuf, pFolder->pPending->d_name, &st, nNext, 0))
            break;
        pFolder->pPending = NULL;
        pFolder->nOffset = nNext;
    }
    return 0;
}

static int Releasedir(const char* pszPath, struct fuse_file_info* pInfo)
{
    (void)pszPath;
    struct Folder* pFolder = (struct Folder*)(uintptr_t)pInfo->fh;
    __atomic_fetch_add(&g_pControl->calls[kLatencyCall_releasedir], 1, __ATOMIC_RELAXED);
    closedir(pFolder->pDir);
    free(pFolder);
    return 0;
}

static int Open(const char* pszPath, struct fuse_file_info* pInfo)
{
    RoundTrip(kLatencyCall_open);
    if ((pInfo->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int nFd = openat(g_nSource, Relative(pszPath), O_RDONLY | O_CLOEXEC);
    if (nFd < 0)
        return -errno;
    pInfo->fh = (uint64_t)nFd;
    return 0;
}

static int Read(const char* pszPath, char* pBuf, size_t nSize, off_t nOffset,
                struct fuse_file_info* pInfo)
{
    (void)pszPath;
    RoundTrip(kLatencyCall_read);
    const ssize_t nRead = pread((int)pInfo->fh, pBuf, nSize, nOffset);
    return nRead < 0 ? -errno : (int)nRead;
}

static int Release(const char* pszPath, struct fuse_file_info* pInfo)
{
    (void)pszPath;
    __atomic_fetch_add(&g_pControl->calls[kLatencyCall_release], 1, __ATOMIC_RELAXED);
    close((int)pInfo->fh);
    return 0;
}

static int Statfs(const char* pszPath, struct statvfs* pStat)
{
    (void)pszPath;
    RoundTrip(kLatencyCall_statfs);
    return Result(fstatvfs(g_nSource, pStat));
}

static void* Init(struct fuse_conn_info* pConn, struct fuse_config* pConfig)
{
    /* Plain readdir: READDIRPLUS would look every entry up as well. */
    pConn->want &= ~(unsigned)(FUSE_CAP_READDIRPLUS | FUSE_CAP_READDIRPLUS_AUTO);
    pConfig->entry_timeout = 0;
    pConfig->attr_timeout = 0;
    pConfig->negative_timeout = 0;
    pConfig->use_ino = 1;
    return NULL;
}

static const struct fuse_operations g_operations = {
    .getattr = Getattr,
    .readlink = Readlink,
    .open = Open,
    .read = Read,
    .statfs = Statfs,
    .release = Release,
    .opendir = Opendir,
    .readdir = Readdir,
    .releasedir = Releasedir,
    .init = Init,
    .access = Access,
};

static struct LatencyShareControl* MapControl(const char* pszFile, int bCreate)
{
    const int nFd = open(pszFile, O_RDWR | O_CLOEXEC | (bCreate ? O_CREAT : 0), 0644);
    if (nFd < 0 || (bCreate && ftruncate(nFd, sizeof(struct LatencyShareControl)) != 0))
    {
        perror(pszFile);
        return NULL;
    }
    void* p =
        mmap(NULL, sizeof(struct LatencyShareControl), PROT_READ | PROT_WRITE, MAP_SHARED, nFd, 0);
    close(nFd);
    if (p == MAP_FAILED)
    {
        perror(pszFile);
        return NULL;
    }
    return p;
}

static int Show(const char* pszFile)
{
    const struct LatencyShareControl* pControl = MapControl(pszFile, 0);
    if (!pControl || pControl->magic != LATENCY_SHARE_MAGIC)
        return 1;
    printf("delay_us %" PRIu64 "\n", pControl->delay_ns / 1000u);
    for (int i = 0; i < kLatencyCallCount; ++i)
        printf("%s %" PRIu64 "\n", g_callNames[i], pControl->calls[i]);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--show") == 0)
        return Show(argv[2]);
    if (argc < 4 || argc > 5)
    {
        fprintf(stderr,
                "usage: %s SOURCE MOUNTPOINT CONTROL_FILE [DELAY_US]\n"
                "       %s --show CONTROL_FILE\n",
                argv[0], argv[0]);
        return 2;
    }
    g_nSource = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_nSource < 0)
    {
        perror(argv[1]);
        return 1;
    }
    g_pControl = MapControl(argv[3], 1);
    if (!g_pControl)
        return 1;
    memset(g_pControl, 0, sizeof *g_pControl);
    g_pControl->delay_ns = argc == 5 ? strtoull(argv[4], NULL, 10) * 1000u : 0;
    __atomic_store_n(&g_pControl->magic, LATENCY_SHARE_MAGIC, __ATOMIC_RELEASE);
    /* The file server is another machine: its delay must not grow with this
     * one's load. A woken thread of the share runs at once (real-time
     * priority, when allowed) and its sleeps end on time rather than up to
     * 50 us late; the threads the loop starts inherit both. */
    const struct sched_param priority = {.sched_priority = 1};
    if (sched_setscheduler(0, SCHED_FIFO, &priority) != 0)
        perror("latency share: real-time priority (delays will grow with the load)");
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    char szOptions[] = "ro,fsname=physprops-latency-share,subtype=latency,max_threads=64,"
                       "attr_timeout=0,entry_timeout=0,negative_timeout=0";
    char* fuseArgs[] = {argv[0], argv[2], (char*)"-o", szOptions, NULL};
    return fuse_main(4, fuseArgs, &g_operations, NULL);
}
