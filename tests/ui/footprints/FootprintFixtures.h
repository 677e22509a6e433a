// SPDX-License-Identifier: MIT
#pragma once

#include "TestSupport.h"
#include "pellium/Footprint.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>
#include <vector>

// A footprint list as a search would hand it over: entries owned here, the
// list of borrowed pointers given to the dialogs. An empty name stands for a
// null entry.
struct FootprintList
{
    FootprintList() = default;
    FootprintList(std::initializer_list<QString> names)
    {
        for (const QString& strName : names)
            Add(strName);
    }
    void Add(const QString& strName, const QString& strLocation = {})
    {
        if (strName.isEmpty())
        {
            list.append(nullptr);
            return;
        }
        owned.push_back(std::make_unique<CFootprintEntry>(
            strName, QString(),
            strLocation.isEmpty() ? QStringLiteral("/lib/") + strName + QStringLiteral(".dra")
                                  : strLocation));
        list.append(owned.back().get());
    }

    std::vector<std::unique_ptr<CFootprintEntry>> owned;
    QList<CFootprintEntry*> list;
};

// The real footprint names kept with the tests (folder TAB name), or an
// empty list when the file is not there.
inline QStringList KicadFootprintNames()
{
    QFile file(testsupport::SourcePath(QStringLiteral("tests/data/kicad-footprints.tsv")));
    QStringList names;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    while (!file.atEnd())
    {
        QString strLine = QString::fromUtf8(file.readLine());
        while (strLine.endsWith(u'\n') || strLine.endsWith(u'\r'))
            strLine.chop(1);
        const qsizetype nTab = strLine.indexOf(u'\t');
        if (nTab >= 0 && nTab + 1 < strLine.size())
            names.append(strLine.mid(nTab + 1));
    }
    return names;
}

#include <ostream>

// Readable test failures.
inline void PrintTo(const QString& strText, std::ostream* pOut)
{
    *pOut << '"' << strText.toStdString() << '"';
}
