// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace host
{
using HostProperties = QList<QPair<QString, QString>>;

enum class HostOutput
{
    Lines, // NAME=VALUE, one a line, escaped
    Json,  // one JSON object
};

// What the host was asked to do, read from its command line.
struct HostOptions
{
    QString strModule;  // empty: the module beside the host
    QString strProject; // project file, optional
    HostProperties props;
    QString strScript;      // walkthrough script; empty: interactive
    QString strScreenshots; // folder for the walkthrough's pictures
    HostOutput output = HostOutput::Lines;
    bool bVerbose = false;
    bool bHelp = false;
    bool bVersion = false;
    QStringList passThrough; // options meant for the module (e.g. -ipqsession NAME)
    QString strQtPlatform;   // -platform NAME, left to Qt; empty: not given
    QString strQtDisplay;    // -display NAME, left to Qt; empty: not given
};

// Parses the arguments after the program name. False and a message on a usage error.
bool ParseHostOptions(const QStringList& args, HostOptions& opts, QString& strError);
// The same from the bytes the program was given: every argument must be UTF-8.
bool ParseHostArguments(const QByteArrayList& args, HostOptions& opts, QString& strError);

// Reads NAME=VALUE lines (blank lines and lines starting with '#' skipped).
// Blanks around the name and before the value are dropped; the rest of the
// value is kept exactly, blanks and '#' included.
bool ReadPropsFile(const QString& strPath, HostProperties& props, QString& strError);

// The values after OK as the host prints them.
QByteArray FormatHostResult(const HostProperties& props, HostOutput output);

QString HostHelpText();
} // namespace host
