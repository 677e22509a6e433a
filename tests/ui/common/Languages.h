// SPDX-License-Identifier: MIT
#pragma once

#include "TestSupport.h"
#include "common/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

// The catalogues built with the tests, where the module finds them in the
// build tree.
inline QString CatalogueFolder()
{
    return testsupport::BinaryPath(QStringLiteral("share/physprops/translations"));
}

// The languages with a catalogue in the sources ("de", "fr", ...).
inline QStringList CatalogueLanguages()
{
    QStringList languages;
    const QDir dir(testsupport::SourcePath(QStringLiteral("translations")));
    for (const QString& strFile : dir.entryList({QStringLiteral("physprops_*.ts")}, QDir::Files))
        languages.append(strFile.mid(10).chopped(3));
    return languages;
}

// The module's texts in one language for the life of the object; English
// ("en") installs nothing.
class CLanguage
{
public:
    explicit CLanguage(const QString& strLanguage)
        : m_installed(physprops::ui::InstallTranslations(QLocale(strLanguage), {CatalogueFolder()}))
    {
    }
    ~CLanguage()
    {
        for (QTranslator* pTranslator : std::as_const(m_installed))
        {
            QCoreApplication::removeTranslator(pTranslator);
            delete pTranslator;
        }
    }
    CLanguage(const CLanguage&) = delete;
    CLanguage& operator=(const CLanguage&) = delete;
    const QList<QTranslator*>& Installed() const { return m_installed; }

private:
    QList<QTranslator*> m_installed;
};
