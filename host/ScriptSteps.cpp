// SPDX-License-Identifier: MIT
// The steps a walkthrough script may hold: their table, and reading and
// checking a script before any of it runs.
#include "ScriptSteps.h"
#include "project/TextFile.h"

using physprops::core::CheckTextLine;
using physprops::core::ReadCheckedTextFile;

namespace host
{
namespace
{
constexpr qint64 kMaxScriptSize = 16 << 20;

QString Unescape(QString s)
{
    s.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
    return s;
}

// The step being checked, with the texts every check words its refusal with.
struct StepCheck
{
    const ScriptStep& step;
    QString strStep; // step "VERB"
    QString strArgs; // what it takes, as --help shows it
    qint64& nWaitedMs;
    int nLimitMs;

    QString Needs() const { return QStringLiteral("%1 needs %2").arg(strStep, strArgs); }
    QString Usage() const
    {
        return QStringLiteral("%1 takes %2, got \"%3\"").arg(strStep, strArgs, step.strRest);
    }
};

// Each check tells why its step's arguments are wrong; empty when they are right.
using CheckFn = QString (*)(const StepCheck&);

struct StepForm
{
    const char* pszVerb;
    CheckFn check;
    const char* pszArgs; // as --help shows them
    const char* pszWhat;
};

// The steps whose text goes to the keyboard: there a line break or a tab is
// a key that presses a button or moves the focus.
bool TypesKeys(const QString& strVerb)
{
    return strVerb == u"edit" || strVerb == u"type";
}

// Why a typed text cannot be typed as it reads; empty when it can.
QString UntypableText(const QString& strText)
{
    if (strText.contains(QStringLiteral("\\n")))
        return QStringLiteral("\\n in the text would press Enter, not type a line break (\\n is "
                              "a line break only in dialog, message and say)");
    if (strText.contains(QStringLiteral("\\t")) || strText.contains(u'\t'))
        return QStringLiteral("a tab in the text would move the focus, not type a tab");
    if (strText.endsWith(u' '))
        return QStringLiteral("the text ends in a blank, which a reader of the script cannot see "
                              "(end it with another character)");
    return {};
}

// The typing steps' refusal of strText, worded for the step; empty for other steps.
QString UntypableFor(const StepCheck& c, const QString& strText)
{
    const QString strWhy = TypesKeys(c.step.strVerb) ? UntypableText(strText) : QString();
    return strWhy.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(c.strStep, strWhy);
}

bool IsCount(const QString& strWord)
{
    bool bOk = false;
    return strWord.toInt(&bOk) >= 1 && bOk;
}

QString TakesNothing(const StepCheck& c)
{
    return c.step.args.isEmpty()
               ? QString()
               : QStringLiteral("%1 takes nothing more, got \"%2\"").arg(c.strStep, c.step.strRest);
}

// The rest of the line, not empty.
QString TakesText(const StepCheck& c)
{
    return c.step.strRest.isEmpty() ? c.Needs() : UntypableFor(c, c.step.strRest);
}

// The rest of the line, maybe empty.
QString TakesOptionalText(const StepCheck&)
{
    return {};
}

QString TakesFileName(const StepCheck& c)
{
    if (c.step.strRest.isEmpty())
        return c.Needs();
    return c.step.strRest.contains(u'/') ? c.Usage() + QStringLiteral(" (a name without '/')")
                                         : QString();
}

// ROW [COL]
QString TakesCell(const StepCheck& c)
{
    const QStringList& args = c.step.args;
    if (args.isEmpty())
        return c.Needs();
    if (args.size() > 2 || !IsCount(args[0]) || (args.size() == 2 && !IsCount(args[1])))
        return c.Usage() + QStringLiteral(" (rows and columns count from 1)");
    return {};
}

QString TakesColumn(const StepCheck& c)
{
    const QStringList& args = c.step.args;
    if (args.isEmpty())
        return c.Needs();
    if (args.size() > 1 || !IsCount(args[0]))
        return c.Usage() + QStringLiteral(" (columns count from 1)");
    return {};
}

// ROW COL TEXT
QString TakesCellText(const StepCheck& c)
{
    const QStringList& args = c.step.args;
    if (args.size() >= 2 && (!IsCount(args[0]) || !IsCount(args[1])))
        return c.Usage() + QStringLiteral(" (rows and columns count from 1)");
    if (args.size() < 3)
        return QStringLiteral("%1 needs %2, got \"%3\"").arg(c.strStep, c.strArgs, c.step.strRest);
    return UntypableFor(c, TextAfterWords(c.step.strRest, 2));
}

QString TakesKey(const StepCheck& c)
{
    const QStringList& args = c.step.args;
    if (args.size() != 1)
        return args.isEmpty() ? c.Needs() : c.Usage();
    return KeyNames().contains(args[0].toLower())
               ? QString()
               : QStringLiteral("%1: unknown key \"%2\" (known: Enter, Escape, Down, Up, "
                                "Tab, Backspace, Space, Home, End)")
                     .arg(c.strStep, args[0]);
}

// A wait counts towards the script's limit.
QString TakesMilliseconds(const StepCheck& c)
{
    const QStringList& args = c.step.args;
    if (args.isEmpty())
        return c.Needs();
    bool bNumber = false;
    const qlonglong nMs = args[0].toLongLong(&bNumber);
    if (args.size() > 1 || !bNumber || nMs < 0)
        return c.Usage() + QStringLiteral(" (a whole number of milliseconds)");
    const QString strLimit =
        QStringLiteral("the script's limit of %1 s (%2 ms)").arg(c.nLimitMs / 1000).arg(c.nLimitMs);
    if (nMs > c.nLimitMs)
        return QStringLiteral("%1: %2 ms is more than %3").arg(c.strStep, args[0], strLimit);
    c.nWaitedMs += nMs;
    if (c.nWaitedMs > c.nLimitMs)
        return QStringLiteral("%1: the waits up to here add up to %2 ms, more than %3")
            .arg(c.strStep)
            .arg(c.nWaitedMs)
            .arg(strLimit);
    return {};
}

const StepForm s_forms[] = {
    {"dialog", TakesText, "TITLE", "wait until the topmost dialog has this title"},
    {"click", TakesCell, "ROW [COL]", "click a grid cell (rows and columns count from 1)"},
    {"ctrl-click", TakesCell, "ROW [COL]", "add a row to the selection"},
    {"dblclick", TakesCell, "ROW [COL]", "double-click a grid cell"},
    {"header-dblclick", TakesColumn, "COL", "double-click a column header (sorts)"},
    {"edit", TakesCellText, "ROW COL TEXT", "type TEXT into a cell and press Enter"},
    {"choose", TakesCellText, "ROW COL TEXT", "pick TEXT in a cell's drop-down"},
    {"press", TakesText, "BUTTON",
     "click the button with this text (without '&'); on a message box, print its text first"},
    {"type", TakesText, "TEXT", "type TEXT into the focused control"},
    {"key", TakesKey, "KEY",
     "press a key: Enter, Escape, Down, Up, Tab, Backspace, Space, "
     "Home or End"},
    {"clear-text", TakesNothing, "", "empty the focused text box"},
    {"message", TakesText, "TEXT", "expect a message box with this text and press its OK"},
    {"shot", TakesFileName, "NAME",
     "save the topmost dialog as NAME.png (NAME without '/'); a picture that cannot be written "
     "fails the step"},
    {"grid", TakesNothing, "",
     "print the rows of the topmost dialog's grid, each header with its column number"},
    {"say", TakesOptionalText, "[TEXT]", "print TEXT"},
    {"wait", TakesMilliseconds, "MS", "let MS milliseconds pass before the next step"},
};

const StepForm* FormOf(const QString& strVerb)
{
    for (const StepForm& form : s_forms)
        if (strVerb == QLatin1String(form.pszVerb))
            return &form;
    return nullptr;
}

// One line of a script as a step; the text of a typing step kept as written.
ScriptStep StepOfLine(const QString& strWritten, int nLine)
{
    const QString strLine = strWritten.trimmed();
    ScriptStep step;
    step.nLine = nLine;
    const qsizetype nSpace = strLine.indexOf(u' ');
    step.strVerb = nSpace < 0 ? strLine : strLine.left(nSpace);
    step.strRest = nSpace < 0 ? QString() : strLine.mid(nSpace + 1).trimmed();
    if (TypesKeys(step.strVerb) && nSpace >= 0)
    {
        // Kept as written, trailing blanks too, so that the check can refuse
        // what would not be typed as it reads.
        QStringView raw = strWritten;
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        raw = raw.sliced(raw.indexOf(step.strVerb) + step.strVerb.size());
        while (!raw.isEmpty() && raw.front().isSpace())
            raw = raw.sliced(1);
        step.strRest = raw.toString();
    }
    else
        step.strRest = Unescape(step.strRest);
    step.args = step.strRest.split(u' ', Qt::SkipEmptyParts);
    return step;
}
} // namespace

const QHash<QString, Qt::Key>& KeyNames()
{
    static const QHash<QString, Qt::Key> s_keys = {
        {QStringLiteral("enter"), Qt::Key_Return},
        {QStringLiteral("return"), Qt::Key_Return},
        {QStringLiteral("escape"), Qt::Key_Escape},
        {QStringLiteral("down"), Qt::Key_Down},
        {QStringLiteral("up"), Qt::Key_Up},
        {QStringLiteral("tab"), Qt::Key_Tab},
        {QStringLiteral("backspace"), Qt::Key_Backspace},
        {QStringLiteral("space"), Qt::Key_Space},
        {QStringLiteral("home"), Qt::Key_Home},
        {QStringLiteral("end"), Qt::Key_End},
    };
    return s_keys;
}

QString TextAfterWords(const QString& strRest, int nWords)
{
    qsizetype i = 0;
    for (int w = 0; w < nWords; ++w)
    {
        while (i < strRest.size() && strRest[i] == u' ')
            ++i;
        while (i < strRest.size() && strRest[i] != u' ')
            ++i;
    }
    // One blank separates the last number from the text.
    return i < strRest.size() ? strRest.mid(i + 1) : QString();
}

QString ScriptPlace(const QString& strFile, int nLine)
{
    // In one pass, so a '%' in the file's name is not taken for a placeholder.
    return strFile.isEmpty() ? QStringLiteral("line %1").arg(nLine)
                             : QStringLiteral("%1:%2").arg(strFile, QString::number(nLine));
}

QString CheckStep(const ScriptStep& step, qint64& nWaitedMs, int nLimitMs)
{
    const StepForm* pForm = FormOf(step.strVerb);
    if (!pForm)
        return QStringLiteral("unknown step \"%1\" (physprops --help lists the steps)")
            .arg(step.strVerb);
    return pForm->check({step, QStringLiteral("step \"%1\"").arg(step.strVerb),
                         QLatin1String(pForm->pszArgs), nWaitedMs, nLimitMs});
}

bool ReadScript(const QString& strPath, QStringList& lines, QString& strError)
{
    QByteArray text;
    if (!ReadCheckedTextFile(strPath, kMaxScriptSize, text, strError))
        return false;
    const QList<QByteArray> raw = text.split('\n');
    lines.clear();
    for (qsizetype i = 0; i < raw.size(); ++i)
    {
        const QString strBad = CheckTextLine(raw[i]);
        if (!strBad.isEmpty())
        {
            strError = ScriptPlace(strPath, int(i + 1)) + QStringLiteral(": ") + strBad;
            return false;
        }
        lines.append(QString::fromUtf8(raw[i]));
    }
    return true;
}

bool ParseScript(const QStringList& lines, const QString& strFile, QList<ScriptStep>& steps,
                 QString& strError, int nScriptLimitMs)
{
    steps.clear();
    qint64 nWaitedMs = 0;
    for (qsizetype i = 0; i < lines.size(); ++i)
    {
        const QString strLine = lines[i].trimmed();
        if (strLine.isEmpty() || strLine.startsWith(u'#'))
            continue;
        const ScriptStep step = StepOfLine(lines[i], int(i + 1));
        const QString strWrong = CheckStep(step, nWaitedMs, nScriptLimitMs);
        if (!strWrong.isEmpty())
        {
            strError = ScriptPlace(strFile, step.nLine) + QStringLiteral(": ") + strWrong;
            steps.clear();
            return false;
        }
        steps.append(step);
    }
    return true;
}

QString ScriptStepsHelp()
{
    QString strHelp;
    for (const StepForm& form : s_forms)
    {
        // Descriptions start in one column and wrap within 79.
        QString strLine =
            QStringLiteral("  %1 %2").arg(QLatin1String(form.pszVerb), QLatin1String(form.pszArgs));
        strLine = strLine.leftJustified(26) + u' ';
        for (const QString& strWord : QString::fromLatin1(form.pszWhat).split(u' '))
        {
            if (strLine.size() + strWord.size() > 79)
            {
                strHelp += strLine.trimmed().prepend(QStringLiteral("  ")) + u'\n';
                strLine = QString(27, u' ');
            }
            strLine += strWord + u' ';
        }
        strHelp += QStringView(strLine).chopped(1) + u'\n';
    }
    return strHelp;
}
} // namespace host
