// SPDX-License-Identifier: MIT
#pragma once

// The library the footprint search tests search: a temporary folder, and
// how they name its folders and show what a search found.

#include "pellium/Footprint.h"

#include "TempLibrary.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& str, std::ostream* pOut)
{
    *pOut << '"' << str.toStdString() << '"';
}

// A footprint library in a temporary folder.
class FootprintSearchTest : public testsupport::TempLibraryTest
{
protected:
    // A search path of folders under the temporary root, in order.
    CSearchPath Folders(const QStringList& relative) const
    {
        CSearchPath path;
        for (const QString& strFolder : relative)
        {
            path.folders.append(Path(strFolder));
            path.unexpanded.append(QString());
        }
        return path;
    }

    // "name|location" per entry, paths shown relative to the temporary root.
    QString Flatten(const CFootprint& footprint) const
    {
        QList<CFootprintEntry*> list;
        footprint.GetFootprintList(list);
        QStringList rows;
        for (const CFootprintEntry* p : list)
            rows.append(p->GetName() + u'|' +
                        QString(p->GetLocation()).replace(m_strRoot, QStringLiteral("~")));
        return rows.join(u';');
    }
};
