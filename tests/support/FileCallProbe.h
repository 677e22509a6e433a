// SPDX-License-Identifier: MIT
#pragma once

// Watches the file-system calls of searches and file checks through their
// hook: counts them per path, notes those made on the thread that made the
// probe (the dialog's), and holds those under a folder to stand for a
// stalled mount. A call on the probe's own thread is never held, so a
// search that wrongly runs there fails its test instead of hanging it.

#include "pellium/FileCalls.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace testsupport
{
class CFileCallProbe
{
public:
    using EFileCall = pellium::EFileCall;

    CFileCallProbe() : m_pState(std::make_shared<State>())
    {
        m_pState->owner = std::this_thread::get_id();
        m_previous =
            pellium::SetFileCallHook([pState = m_pState](EFileCall eCall, const char* pszPath)
                                     { pState->Note(eCall, pszPath); });
    }
    ~CFileCallProbe()
    {
        Release();
        pellium::SetFileCallHook(std::move(m_previous));
    }
    CFileCallProbe(const CFileCallProbe&) = delete;
    CFileCallProbe& operator=(const CFileCallProbe&) = delete;

    // Calls on paths under strPrefix, made on other threads, wait until
    // Release.
    void StallUnder(const QString& strPrefix)
    {
        const std::lock_guard lock(m_pState->mutex);
        m_pState->stallPrefix = strPrefix.toStdString();
    }
    void Release()
    {
        {
            const std::lock_guard lock(m_pState->mutex);
            m_pState->stallPrefix.clear();
        }
        m_pState->released.notify_all();
    }
    // Calls held now.
    int Stalled() const
    {
        const std::lock_guard lock(m_pState->mutex);
        return m_pState->nStalled;
    }
    // Calls of a kind on exactly this path.
    int Count(EFileCall eCall, const QString& strPath) const
    {
        const std::lock_guard lock(m_pState->mutex);
        const auto it = m_pState->counts.find({eCall, strPath.toStdString()});
        return it == m_pState->counts.end() ? 0 : it->second;
    }
    // Calls of a kind on paths under strPrefix.
    int CountUnder(EFileCall eCall, const QString& strPrefix) const
    {
        const std::string prefix = strPrefix.toStdString();
        const std::lock_guard lock(m_pState->mutex);
        int n = 0;
        for (const auto& [key, nCount] : m_pState->counts)
            if (key.first == eCall && key.second.starts_with(prefix))
                n += nCount;
        return n;
    }
    // The paths of the calls made on the probe's thread, in order.
    QStringList OnOwnThread() const
    {
        const std::lock_guard lock(m_pState->mutex);
        return m_pState->ownThread;
    }
    void Reset()
    {
        const std::lock_guard lock(m_pState->mutex);
        m_pState->counts.clear();
        m_pState->ownThread.clear();
    }

private:
    struct State
    {
        mutable std::mutex mutex;
        std::condition_variable released;
        std::thread::id owner;
        std::map<std::pair<EFileCall, std::string>, int> counts;
        QStringList ownThread;
        std::string stallPrefix;
        int nStalled = 0;

        void Note(EFileCall eCall, const char* pszPath)
        {
            const std::string path = pszPath ? pszPath : "";
            std::unique_lock lock(mutex);
            ++counts[{eCall, path}];
            if (std::this_thread::get_id() == owner)
            {
                ownThread.append(QString::fromStdString(path));
                return;
            }
            if (stallPrefix.empty() || !path.starts_with(stallPrefix))
                return;
            ++nStalled;
            released.wait(lock, [this, &path]
                          { return stallPrefix.empty() || !path.starts_with(stallPrefix); });
            --nStalled;
        }
    };

    std::shared_ptr<State> m_pState;
    pellium::FileCallHook m_previous;
};
} // namespace testsupport
