// SPDX-License-Identifier: MIT
#include "pellium/FileCalls.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

namespace pellium
{
namespace
{
struct CHookSlot
{
    std::mutex mutex;
    std::shared_ptr<const FileCallHook> pHook;
    std::atomic<bool> bSet{false};
};

// Never destroyed: a search left behind on a stuck folder may still note
// calls while the program ends.
CHookSlot& Slot()
{
    static auto* pSlot = new CHookSlot;
    return *pSlot;
}
} // namespace

FileCallHook SetFileCallHook(FileCallHook hook)
{
    CHookSlot& slot = Slot();
    std::shared_ptr<const FileCallHook> pNew;
    if (hook)
        pNew = std::make_shared<const FileCallHook>(std::move(hook));
    std::shared_ptr<const FileCallHook> pOld;
    {
        const std::lock_guard lock(slot.mutex);
        pOld = std::exchange(slot.pHook, pNew);
        slot.bSet.store(pNew != nullptr, std::memory_order_relaxed);
    }
    return pOld ? *pOld : FileCallHook();
}

bool detail::FileCallHookSet()
{
    return Slot().bSet.load(std::memory_order_relaxed);
}

void detail::CallFileCallHook(EFileCall eCall, const char* pszPath)
{
    CHookSlot& slot = Slot();
    std::shared_ptr<const FileCallHook> pHook;
    {
        const std::lock_guard lock(slot.mutex);
        pHook = slot.pHook;
    }
    // Called outside the lock: a hook that blocks holds up its own call only.
    if (pHook)
        (*pHook)(eCall, pszPath);
}
} // namespace pellium
