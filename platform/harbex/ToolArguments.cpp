// SPDX-License-Identifier: MIT
#include "harbex/ToolArguments.h"

QStringList SplitToolArguments(const QString& strArgs)
{
    QStringList words;
    QString strWord;
    bool bInWord = false; // a quote alone also makes a word, possibly empty
    bool bQuoted = false;
    for (qsizetype i = 0; i < strArgs.size(); ++i)
    {
        const QChar c = strArgs[i];
        if (c == u'\\')
        {
            qsizetype nSlashes = 0;
            while (i < strArgs.size() && strArgs[i] == u'\\')
            {
                ++nSlashes;
                ++i;
            }
            bInWord = true;
            if (i < strArgs.size() && strArgs[i] == u'"')
            {
                strWord.append(QString(nSlashes / 2, u'\\'));
                if (nSlashes % 2)
                    strWord.append(u'"');
                else
                    bQuoted = !bQuoted;
            }
            else
            {
                strWord.append(QString(nSlashes, u'\\'));
                --i;
            }
        }
        else if (c == u'"')
        {
            bQuoted = !bQuoted;
            bInWord = true;
        }
        else if ((c == u' ' || c == u'\t') && !bQuoted)
        {
            if (bInWord)
                words.append(strWord);
            strWord.clear();
            bInWord = false;
        }
        else
        {
            strWord.append(c);
            bInWord = true;
        }
    }
    if (bInWord)
        words.append(strWord);
    return words;
}

QString QuoteToolArgument(const QString& strArg)
{
    QString strOut(u'"');
    qsizetype nSlashes = 0;
    for (const QChar c : strArg)
    {
        if (c == u'\\')
        {
            ++nSlashes;
            continue;
        }
        if (c == u'"')
            strOut.append(QString(2 * nSlashes + 1, u'\\'));
        else
            strOut.append(QString(nSlashes, u'\\'));
        strOut.append(c);
        nSlashes = 0;
    }
    // Backslashes before the closing quote must not escape it.
    strOut.append(QString(2 * nSlashes, u'\\'));
    strOut.append(u'"');
    return strOut;
}
