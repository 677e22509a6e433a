// SPDX-License-Identifier: MIT
#pragma once

// The file-system calls a footprint search and the dialogs' file checks
// make, told to a hook before each is made. On a network share every call
// is a round trip; tests count them per folder, hold one to stand for a
// stalled mount, and check which thread makes them. Not installed: the
// module and its tests include it from the source tree.

#include "pellium/PelliumExport.h"

#include <QtGlobal>

#include <functional>

namespace pellium
{
enum class EFileCall : quint8
{
    kStat,    // stat, lstat or fstatat of a path
    kAccess,  // access or faccessat
    kOpen,    // open, openat or opendir of a path
    kFstat,   // fstat of an open file
    kReadDir, // the reading of an open folder's entries, once per folder
    kRead,    // the reading of an open file's contents, once per file
    kStatFs,  // statfs or fstatfs
};

// Called on the thread that makes the call, with the path it is made on (an
// open file's own path for kFstat, kReadDir and kRead). May block: the call
// then waits.
using FileCallHook = std::function<void(EFileCall eCall, const char* pszPath)>;

// Sets the hook, returning the one it replaces; an empty hook removes it.
// A call already in the old hook finishes there.
PELLIUM_EXPORT FileCallHook SetFileCallHook(FileCallHook hook);

namespace detail
{
PELLIUM_EXPORT bool FileCallHookSet();
PELLIUM_EXPORT void CallFileCallHook(EFileCall eCall, const char* pszPath);
} // namespace detail

// Tells the hook, when there is one, of a call about to be made. Costs one
// relaxed load when there is none.
inline void NoteFileCall(EFileCall eCall, const char* pszPath)
{
    if (detail::FileCallHookSet())
        detail::CallFileCallHook(eCall, pszPath);
}
} // namespace pellium
