// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QTranslator>

namespace host
{
// Lets a walkthrough name dialogs, buttons and messages by their English
// source text whatever language the dialogs speak. Installed after the
// module's catalogues, it is asked first for every text the dialogs
// translate: it notes the source and its context and answers nothing, so the
// catalogues give the text as before. A script's text then also matches
// whatever that source is shown as now.
class SourceTexts : public QTranslator
{
public:
    explicit SourceTexts(QObject* pParent = nullptr);
    ~SourceTexts() override;

    // Whether a shown text (mnemonic '&' removed) is the script's text, or
    // the translation of a source text that reads as the script's text.
    bool Matches(const QString& strShown, const QString& strScript) const;

    QString translate(const char* pszContext, const char* pszSource, const char* pszDisambiguation,
                      int n) const override;
    // An empty translator would not be installed.
    bool isEmpty() const override { return false; }

private:
    struct Asked
    {
        QByteArray context;
        QByteArray source;
        QByteArray disambiguation;
        int n;
        bool operator==(const Asked&) const = default;
    };
    mutable QMutex m_mutex;
    // By the source's plain text (without '&').
    mutable QHash<QString, QList<Asked>> m_asked;
};

// A control's text as a user reads it: without the '&' of its mnemonic.
QString PlainText(QString s);
} // namespace host
