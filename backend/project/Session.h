#pragma once

#include <QString>
#include <QStringList>

// The process-wide option list that stands in for the process argument
// vector: it starts from the process's own arguments and keeps what the
// session set-up adds.
QStringList& ProcessOptions();

int FindCommandOption(const QString& strOption, QString& strValue);
void AddSessionOption(const QString& strSession);
int ProtectQuotedSpaces(QByteArray& dest, const QByteArray& src);
// Splits a command line into words. The vector (argc + 1 entries, last null)
// is newly allocated with new[]; the caller deletes it. The texts stay valid
// until the next split.
void SplitCommandLine(const QByteArray& cmdLine, int* pArgc, char*** pArgv);
