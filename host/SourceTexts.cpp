// SPDX-License-Identifier: MIT
#include "SourceTexts.h"

#include <QCoreApplication>

namespace host
{
QString PlainText(QString s)
{
    return s.remove(u'&');
}

SourceTexts::SourceTexts(QObject* pParent) : QTranslator(pParent)
{
    // Last installed is asked first.
    QCoreApplication::installTranslator(this);
}

SourceTexts::~SourceTexts()
{
    QCoreApplication::removeTranslator(this);
}

QString SourceTexts::translate(const char* pszContext, const char* pszSource,
                               const char* pszDisambiguation, int n) const
{
    if (!pszSource || !*pszSource)
        return {};
    Asked asked{pszContext, pszSource, pszDisambiguation, n};
    const QString strKey = PlainText(QString::fromUtf8(pszSource));
    // Any thread may translate.
    const QMutexLocker lock(&m_mutex);
    QList<Asked>& list = m_asked[strKey];
    if (!list.contains(asked))
        list.append(std::move(asked));
    return {}; // the catalogues answer
}

bool SourceTexts::Matches(const QString& strShown, const QString& strScript) const
{
    const QString strPlain = PlainText(strShown);
    if (strPlain == strScript)
        return true;
    QList<Asked> asked;
    {
        const QMutexLocker lock(&m_mutex);
        asked = m_asked.value(strScript);
    }
    for (const Asked& a : std::as_const(asked))
        if (PlainText(QCoreApplication::translate(
                a.context.constData(), a.source.constData(),
                a.disambiguation.isNull() ? nullptr : a.disambiguation.constData(), a.n)) ==
            strPlain)
            return true;
    return false;
}
} // namespace host
