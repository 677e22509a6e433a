// SPDX-License-Identifier: MIT
#include "Languages.h"
#include "common/EditorFault.h"
#include "common/Modal.h"
#include "footprints/FootprintListModel.h"
#include "footprints/FootprintSelectDlg.h"
#include "harbex/ToolManager.h"
#include "ipqc/IpqOutbox.h"
#include "pellium/Footprint.h"
#include "viewing/LaunchRequests.h"

#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using physprops::ui::CDialogBase;
using physprops::ui::CEditorFault;
using physprops::ui::CFootprintListModel;
using physprops::ui::CFootprintSelectDlg;
using physprops::ui::CTexts;

using physprops::core::NewDrawingRequest;
using physprops::core::SetupEditorRequest;

namespace
{
struct Message
{
    QString strContext;
    QString strSource;
    QStringList translations; // one, or one per plural form
    QString strType;          // "unfinished", "vanished", ... or empty
    bool bNumerus = false;
};

QList<Message> ReadCatalogue(const QString& strPath, QString& strError)
{
    QFile file(strPath);
    QList<Message> messages;
    if (!file.open(QIODevice::ReadOnly))
    {
        strError = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString strContext;
    while (!xml.atEnd())
    {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = xml.name();
        if (name == u"name")
            strContext = xml.readElementText();
        else if (name == u"message")
            messages.append({strContext,
                             {},
                             {},
                             {},
                             xml.attributes().value(QLatin1String("numerus")) == u"yes"});
        else if (name == u"source" && !messages.isEmpty())
            messages.last().strSource = xml.readElementText();
        else if (name == u"translation" && !messages.isEmpty())
        {
            messages.last().strType = xml.attributes().value(QLatin1String("type")).toString();
            if (!messages.last().bNumerus)
                messages.last().translations.append(xml.readElementText());
        }
        else if (name == u"numerusform" && !messages.isEmpty())
            messages.last().translations.append(xml.readElementText());
    }
    if (xml.hasError())
        strError = xml.errorString();
    return messages;
}
} // namespace

TEST(Translations, everyMessageIsFinishedAndKeepsItsPlaceholders)
{
    static const QRegularExpression s_placeholder(QStringLiteral("%(\\d|n)"));
    const QStringList languages = CatalogueLanguages();
    ASSERT_GE(languages.size(), 2);
    for (const QString& strLanguage : languages)
    {
        const QByteArray language = strLanguage.toUtf8();
        const char* pszLanguage = language.constData();
        QString strError;
        const QList<Message> messages =
            ReadCatalogue(testsupport::SourcePath(
                              QStringLiteral("translations/physprops_%1.ts").arg(pszLanguage)),
                          strError);
        ASSERT_TRUE(strError.isEmpty()) << pszLanguage << ": " << strError.toStdString();
        EXPECT_GT(messages.size(), 50) << pszLanguage;
        for (const Message& m : messages)
        {
            const std::string where = std::string(pszLanguage) + " " + m.strContext.toStdString() +
                                      " \"" + m.strSource.toStdString() + '"';
            EXPECT_TRUE(m.strType.isEmpty()) << where << " is " << m.strType.toStdString();
            EXPECT_EQ(m.translations.size(), m.bNumerus ? 2 : 1) << where;
            for (const QString& strTranslation : m.translations)
            {
                EXPECT_FALSE(strTranslation.trimmed().isEmpty()) << where;
                for (const auto& match : s_placeholder.globalMatch(m.strSource))
                    EXPECT_TRUE(strTranslation.contains(match.captured()))
                        << where << " loses " << match.captured().toStdString() << " in \""
                        << strTranslation.toStdString() << '"';
            }
        }
    }
}

TEST(Translations, loadFromTheBuildTreeWithQtsOwnAndReachTheCoresTexts)
{
    for (const QString& strLanguage : CatalogueLanguages())
    {
        const QByteArray name = strLanguage.toUtf8();
        const char* pszLanguage = name.constData();
        const CLanguage language{strLanguage};
        QStringList files;
        for (const QTranslator* p : language.Installed())
            files.append(QFileInfo(p->filePath()).fileName());
        QStringList expected{QStringLiteral("physprops_%1.qm").arg(pszLanguage)};
        if (QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                              QStringLiteral("/qtbase_%1.qm").arg(pszLanguage)))
            expected.append(QStringLiteral("qtbase_%1.qm").arg(pszLanguage));
        EXPECT_EQ(files, expected) << pszLanguage;
        for (const auto& [strText, strEnglish] :
             {std::pair{CTexts::AltSymbolsSyntax(),
                        QStringLiteral("ERROR : Incorrect syntax of ALT_SYMBOLS.\n"
                                       "Correct syntax is : (Subclass:Symbol ,... ; "
                                       "Subclass:Symbol ,...)")},
              std::pair{CTexts::Companion(NewDrawingRequest().m_eWhat),
                        QStringLiteral("PCB editor")},
              std::pair{CTexts::Companion(SetupEditorRequest({}).m_eWhat),
                        QStringLiteral("project setup editor")}})
            EXPECT_NE(strText, strEnglish) << pszLanguage << " " << strEnglish.toStdString();
        EXPECT_NE(QCoreApplication::translate("CPhysPropsDlg", "Physical Properties"),
                  u"Physical Properties");
        // A class's own tr() finds its catalogue context: a class in a
        // namespace translates under its qualified name.
        for (const auto& [strText, pszEnglish] :
             {std::pair{CFootprintListModel::tr("Location"), "Location"},
              std::pair{CFootprintSelectDlg::tr("No footprint matches \u201c%1\u201d"),
                        "No footprint matches \u201c%1\u201d"},
              std::pair{CDialogBase::tr("Size grip"), "Size grip"}})
            EXPECT_NE(strText.toStdString(), pszEnglish) << pszLanguage;
    }
    // English, or a language without a catalogue, installs nothing.
    for (const char* pszLanguage : {"en", "C", "sw"})
        EXPECT_TRUE(CLanguage(QString::fromLatin1(pszLanguage)).Installed().isEmpty())
            << pszLanguage;
}

namespace
{
// The dialogs' catalogue, as CTexts words the faults.
QString Catalogue(const char* pszText)
{
    return QCoreApplication::translate("CTexts", pszText);
}
} // namespace

// Every fault the core reports reads in English as the core's own words for
// logs and the host, and in every catalogue's language otherwise.
TEST(Translations, faultsReadAsTheCoreWordsThemAndInEveryLanguage)
{
    struct Fault
    {
        std::function<QString()> words; // through the dialogs' wording
        QString strEnglish;             // the core's
    };
    QList<Fault> faults;
    for (int n = 1; n <= int(EFileFault::kNoPathSource); ++n)
    {
        const CFileFault fault{.eKind = EFileFault(n),
                               .strFile = QStringLiteral("p.spi"),
                               .nLine = n % 2,
                               .nLimit = 9,
                               .strSystem = QStringLiteral("x")};
        faults.append({[fault] { return CTexts::FileFault(fault); }, fault.Describe()});
    }
    for (int n = 1; n <= int(EFolderFault::kExpandsEmpty); ++n)
    {
        const CSkippedFolder folder{QStringLiteral("/lib"),
                                    {EFolderFault(n), EACCES},
                                    n % 2 ? QStringLiteral("Environment Variable X not set")
                                          : QString()};
        faults.append({[folder] { return CTexts::SkipReason(folder); }, folder.Reason()});
    }
    for (int n = 1; n <= int(EFileType::kSocket); ++n)
    {
        const CFileFault fault{.eKind = EFileFault::kNotAFile,
                               .strFile = QStringLiteral("p.spi"),
                               .eType = EFileType(n)};
        faults.append({[fault] { return CTexts::FileFault(fault); }, fault.Describe()});
    }
    for (const EFolderHint eHint : {EFolderHint::kTilde, EFolderHint::kExpansionOff})
    {
        const CSkippedFolder folder{QStringLiteral("/lib"),
                                    {EFolderFault::kMissing},
                                    {},
                                    {QStringLiteral("p.spi:2"), eHint}};
        faults.append({[folder] { return CTexts::SkipReason(folder); }, folder.Reason()});
    }
    for (const auto eKind : {CPathLineNote::EKind::kIndented, CPathLineNote::EKind::kUnreadSection})
    {
        const CPathLineNote note{eKind, QStringLiteral("p.spi:3"), QStringLiteral("psmpath"),
                                 QStringLiteral("brdedit")};
        faults.append({[note] { return note.Describe(&Catalogue); }, note.Describe()});
    }
    for (const EToolStartFault eKind : {EToolStartFault::kNoProcess, EToolStartFault::kFolder})
    {
        const CToolStartFault fault{eKind, ENOENT, QStringLiteral("/work")};
        faults.append({[fault] { return CTexts::ToolStartFault(fault); }, fault.Reason()});
    }
    // Why View requests did not reach the editor: the outbox's faults, and
    // the launcher's reasons inside "nobody listens".
    using EDelivery = ipqc::CDeliveryFault::EKind;
    for (const EDelivery eKind : {EDelivery::kFull, EDelivery::kTooLarge, EDelivery::kNobodyListens,
                                  EDelivery::kSenderEnded})
    {
        const ipqc::CDeliveryFault fault{eKind, QStringLiteral("s"), 9, 8, QStringLiteral("x")};
        faults.append({[fault] { return fault.Describe(&Catalogue); }, fault.Describe()});
    }
    using EEditor = CEditorFault::EKind;
    for (int n = 0; n <= int(EEditor::kNotStarted); ++n)
    {
        CEditorFault fault(EEditor(n), QStringLiteral("brdedit"));
        fault.status = 256; // exit status 1
        fault.startFault = {EToolStartFault::kNoProcess};
        faults.append({[fault] { return fault.Describe(&Catalogue); }, fault.Describe()});
    }
    for (const Fault& fault : faults)
    {
        EXPECT_EQ(fault.words(), fault.strEnglish);
        for (const QString& strLanguage : CatalogueLanguages())
        {
            const CLanguage language{strLanguage};
            EXPECT_NE(fault.words(), fault.strEnglish) << strLanguage.toStdString();
        }
    }
}

// A project file that cannot be reached needs nothing fixed in it: the
// advice follows the fault.
TEST(Translations, projectErrorsAdviseWhatFitsTheFault)
{
    const struct
    {
        CFileFault fault;
        const char* pszAdvice;
    } cases[] = {
        {{.eKind = EFileFault::kCannotOpen,
          .strSystem = QStringLiteral("Transport endpoint is not connected"),
          .nErrno = ENOTCONN},
         "Make sure the project file can be reached"},
        {{.eKind = EFileFault::kCannotRead, .strSystem = QStringLiteral("x"), .nErrno = EIO},
         "Make sure the project file can be reached"},
        {{.eKind = EFileFault::kMalformed, .nLine = 2}, "Fix the project file"},
        {{.eKind = EFileFault::kUtf16}, "Fix the project file"},
        {{.eKind = EFileFault::kPathNotUtf8}, "rename the folder"},
    };
    for (const auto& c : cases)
    {
        CSearchReport report;
        report.projectFault = c.fault;
        report.projectFault.strFile = QStringLiteral("/mnt/share/p.ini");
        const QString strText = CTexts::ProjectError(report);
        EXPECT_TRUE(strText.startsWith(
            QStringLiteral("The footprint search path can't be read from the project file:\n") +
            report.projectFault.Describe()))
            << strText.toStdString();
        EXPECT_TRUE(strText.contains(QString::fromLatin1(c.pszAdvice))) << strText.toStdString();
        EXPECT_EQ(strText.contains(u"Fix the project file"),
                  QByteArray(c.pszAdvice).startsWith("Fix"))
            << strText.toStdString();
    }
}
