// SPDX-License-Identifier: MIT
#pragma once

#include "LiveSession.h"
#include "OtherUser.h"

#include <QString>

#include <ostream>

inline void PrintTo(const QString& str, std::ostream* pOut)
{
    *pOut << '"' << str.toStdString() << '"';
}

namespace reliability
{
using testsupport::ActAs;
using testsupport::IsAlive;
using testsupport::Nobody;
using testsupport::OtherUser;
using testsupport::SessionProcesses;
} // namespace reliability
