#include "common/Texts.h"

#include "pellium/Footprint.h"
#include "properties/AltSymbols.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

#include <memory>
#include <string_view>

namespace
{
Q_LOGGING_CATEGORY(lcL10n, "physprops.l10n", QtWarningMsg)

// A long list is cut: the first names show what to look for.
constexpr qsizetype kShown = 10;

// Names and messages the core builds in English, marked here so the
// catalogues carry them.
const char* const s_coreTexts[] = {
    QT_TRANSLATE_NOOP("CTexts",
                      "ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
                      "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)"),
    QT_TRANSLATE_NOOP("CTexts", "PCB editor"),
    QT_TRANSLATE_NOOP("CTexts", "project setup editor"),
};
static_assert(std::string_view(kAltSymbolsSyntaxMessage) ==
              "ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
              "Correct syntax is : (Subclass:Symbol ,... ; Subclass:Symbol ,...)");
} // namespace

QString CTexts::Core(const QString& strText)
{
    for (const char* pszText : s_coreTexts)
        if (strText == QLatin1String(pszText))
            return tr(pszText);
    return strText;
}

QString CTexts::ProjectError(const CSearchReport& report)
{
    return tr("The footprint search path can't be read from the project file:\n%1")
        .arg(report.strProjectError);
}

QString CTexts::Skipped(const CSearchReport& report)
{
    if (report.skipped.isEmpty())
        return {};
    QString strText = u"\n\n" + tr("Search folders skipped:");
    for (qsizetype i = 0; i < report.skipped.size() && i < kShown; ++i)
        strText += u'\n' + report.skipped[i].strFolder + QStringLiteral(": ") +
                   report.skipped[i].strReason;
    if (report.skipped.size() > kShown)
        strText += u'\n' + tr("and %n more", nullptr, int(report.skipped.size() - kShown));
    return strText;
}

QString CTexts::NothingToView(const CSearchReport& report)
{
    if (!report.strProjectError.isEmpty())
        return ProjectError(report);
    return tr("Footprint can't be viewed as corresponding .dra file not found in the PSMPATH") +
           Skipped(report);
}

QString CTexts::UnwritableSelection(const QStringList& names)
{
    QString strText =
        tr("These footprints cannot be part of the selection: their names contain a "
           "comma, semicolon, colon or blank, which would split them into other names.");
    for (qsizetype i = 0; i < names.size() && i < kShown; ++i)
        strText += u'\n' + names[i];
    if (names.size() > kShown)
        strText += u'\n' + tr("... and %n more", nullptr, int(names.size() - kShown));
    strText += u'\n' + tr("Take them out of the selection, then press OK again.");
    return strText;
}

QList<QTranslator*> InstallTranslations(const QLocale& locale, const QStringList& folders)
{
    QList<QTranslator*> installed;
    QCoreApplication* pApp = QCoreApplication::instance();
    if (!pApp)
        return installed;
    const auto install = [&](const QString& strName, const QString& strFolder)
    {
        auto pTranslator = std::make_unique<QTranslator>(pApp);
        if (!pTranslator->load(locale, strName, QStringLiteral("_"), strFolder) ||
            !QCoreApplication::installTranslator(pTranslator.get()))
            return false;
        installed.append(pTranslator.release()); // the application owns it
        return true;
    };
    bool bFound = false;
    for (const QString& strFolder : folders)
        if ((bFound = install(QStringLiteral("physprops"), strFolder)))
            break;
    // Qt's own catalogue only along with ours: a language we do not speak
    // keeps English buttons under English texts.
    if (bFound)
        install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    for (const QTranslator* pTranslator : std::as_const(installed))
        qCDebug(lcL10n) << "languages" << locale.uiLanguages() << "loaded"
                        << pTranslator->filePath();
    if (!bFound)
        qCDebug(lcL10n) << "languages" << locale.uiLanguages() << "no catalogue in" << folders;
    return installed;
}
