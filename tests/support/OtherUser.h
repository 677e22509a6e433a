// SPDX-License-Identifier: MIT
#pragma once

#include <pwd.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>

namespace testsupport
{
// The unprivileged account that plays "another local user".
struct OtherUser
{
    uid_t nUid = 0;
    gid_t nGid = 0;
    bool bFound = false;
};

inline OtherUser Nobody()
{
    OtherUser user;
    if (const passwd* pEntry = ::getpwnam("nobody"))
    {
        user.nUid = pEntry->pw_uid;
        user.nGid = pEntry->pw_gid;
        user.bFound = user.nUid != 0;
    }
    return user;
}

// Acts as another user for its lifetime (effective ids only, so the
// process can return to root afterwards). Only root can do this.
class ActAs
{
public:
    explicit ActAs(const OtherUser& user)
    {
        m_bOk = ::setegid(user.nGid) == 0 && ::seteuid(user.nUid) == 0;
    }
    ~ActAs()
    {
        if (::seteuid(0) != 0 || ::setegid(0) != 0)
            std::abort();
    }
    ActAs(const ActAs&) = delete;
    ActAs& operator=(const ActAs&) = delete;
    bool Ok() const { return m_bOk; }

private:
    bool m_bOk = false;
};
} // namespace testsupport
