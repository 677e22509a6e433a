#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What the host was asked to do, read from its command line.
struct HostOptions
{
    QString strModule;      // empty: the module beside the host
    QString strProject;     // project file, optional
    QList<QPair<QString, QString>> props;
    QString strScript;      // walkthrough script; empty: interactive
    QString strScreenshots; // folder for the walkthrough's pictures
    bool bVerbose = false;
    bool bHelp = false;
    QStringList passThrough; // options meant for the module (e.g. -ipqsession NAME)
};

// Parses the arguments after the program name. False and a message on a usage error.
bool ParseHostOptions(const QStringList& args, HostOptions& opts, QString& strError);

// Reads NAME=VALUE lines (blank lines and lines starting with '#' skipped).
bool ReadPropsFile(const QString& strPath, QList<QPair<QString, QString>>& props, QString& strError);

QString HostHelpText();
