#include "SpiProject.h"

namespace
{
QString g_strLastNote;
}

QString GetLastSpiNote() { return g_strLastNote; }

int CSpiProject::SelectProgram(const QString&) { return 1; }
int CSpiProject::SelectDirective(const QString&) { return 1; }
void CSpiProject::RewindValues() {}
int CSpiProject::NextValue(QString&) { return 2; }
int CSpiProject::ReadDirective(const QString&, QString&) { return 1; }
