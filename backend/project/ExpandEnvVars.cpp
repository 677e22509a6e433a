#include "ExpandEnvVars.h"

int ExpandEnvVars(const char*, const char**, const char**) { return 0; }

const char* LookupInstallRoot(const char*, std::string&) { return nullptr; }

bool ExpandEnvVars(const QString& strText, QString& strResult, QString&)
{
    strResult = strText;
    return true;
}
