#include "Session.h"
#include "SpiProject.h"

#include <QCoreApplication>

QStringList& ProcessOptions()
{
    static QStringList s_options = QCoreApplication::instance()
                                       ? QCoreApplication::arguments()
                                       : QStringList{};
    return s_options;
}

int FindCommandOption(const QString&, QString&) { return -1; }
void AddSessionOption(const QString&) {}
int ProtectQuotedSpaces(QByteArray& dest, const QByteArray& src)
{
    dest = src;
    return 0;
}
void SplitCommandLine(const QByteArray&, int* pArgc, char*** pArgv)
{
    *pArgc = 0;
    *pArgv = new char*[1]{nullptr};
}

int CSpiProject::GetSessionName(QString&) { return -1; }
int CSpiProject::InitMessageSession(const char*, int*, char***) { return -1; }
