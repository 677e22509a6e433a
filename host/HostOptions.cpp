// SPDX-License-Identifier: MIT
#include "HostOptions.h"
#include "ScriptSteps.h"
#include "ipqc/IpqChannel.h"
#include "pellium/FileFault.h"
#include "project/TextFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using physprops::core::CheckTextLine;
using physprops::core::DecodeUtf8;
using physprops::core::ReadCheckedTextFile;

namespace host
{
namespace
{
// A properties file is a handful of lines; the bound only keeps a wrong
// file (a disk image, a log) from being read whole.
constexpr qint64 kMaxPropsFileSize = 16 << 20;

bool SplitProp(const QString& strText, QPair<QString, QString>& prop)
{
    const qsizetype nEq = strText.indexOf(u'=');
    if (nEq <= 0)
        return false;
    prop = {strText.left(nEq), strText.mid(nEq + 1)};
    return true;
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A line of a properties file: "NAME = VALUE" is laid out for reading, so
// the blanks around the name and after '=' are not part of either. The
// value keeps everything else, even trailing blanks: it may be anything.
bool SplitFileProp(const QString& strLine, QPair<QString, QString>& prop)
{
    const qsizetype nEq = strLine.indexOf(u'=');
    if (nEq < 0)
        return false;
    qsizetype nStart = 0, nEnd = nEq;
    while (nStart < nEnd && IsBlank(strLine[nStart]))
        ++nStart;
    while (nEnd > nStart && IsBlank(strLine[nEnd - 1]))
        --nEnd;
    if (nStart == nEnd)
        return false;
    qsizetype nValue = nEq + 1;
    while (nValue < strLine.size() && IsBlank(strLine[nValue]))
        ++nValue;
    prop = {strLine.mid(nStart, nEnd - nStart), strLine.mid(nValue)};
    return true;
}

// Qt's own options, which QApplication takes out of the arguments: true if
// the option takes a value.
const QHash<QString, bool>& QtOptions()
{
    static const QHash<QString, bool> s_options = {
        {QStringLiteral("-platform"), true},        {QStringLiteral("-platformpluginpath"), true},
        {QStringLiteral("-platformtheme"), true},   {QStringLiteral("-plugin"), true},
        {QStringLiteral("-qwindowgeometry"), true}, {QStringLiteral("-qwindowtitle"), true},
        {QStringLiteral("-qwindowicon"), true},     {QStringLiteral("-style"), true},
        {QStringLiteral("-stylesheet"), true},      {QStringLiteral("-display"), true},
        {QStringLiteral("-geometry"), true},        {QStringLiteral("-reverse"), false},
        {QStringLiteral("-widgetcount"), false},
    };
    return s_options;
}

// Backslash first, so the escapes it writes are not escaped again.
QString EscapeResultText(const QString& s)
{
    QString strOut;
    strOut.reserve(s.size());
    for (const QChar c : s)
    {
        if (c == u'\\')
            strOut += QStringLiteral("\\\\");
        else if (c == u'\n')
            strOut += QStringLiteral("\\n");
        else if (c == u'\r')
            strOut += QStringLiteral("\\r");
        else
            strOut += c;
    }
    return strOut;
}

// The arguments being read, at the option in hand.
struct ArgReader
{
    const QStringList& args;
    const QList<bool>& utf8;
    QString& strError;
    qsizetype i = 0;

    const QString& Option() const { return args[i]; }
    bool HasNext() const { return i + 1 < args.size(); }

    // Takes the word after the option as its value.
    bool Value(QString& strOut)
    {
        if (!HasNext())
        {
            strError = QStringLiteral("option %1 needs a value").arg(Option());
            return false;
        }
        if (!utf8[i + 1])
        {
            strError = QStringLiteral("option %1: the value is not UTF-8 text (\"%2\")")
                           .arg(Option(), args[i + 1]);
            return false;
        }
        strOut = args[++i];
        return true;
    }
};

bool ReadOutput(ArgReader& r, HostOptions& opts)
{
    QString strFormat;
    if (!r.Value(strFormat))
        return false;
    if (strFormat == u"lines")
        opts.output = HostOutput::Lines;
    else if (strFormat == u"json")
        opts.output = HostOutput::Json;
    else
    {
        r.strError = QStringLiteral("--output takes lines or json, got \"%1\"").arg(strFormat);
        return false;
    }
    return true;
}

bool ReadProp(ArgReader& r, HostOptions& opts)
{
    QString strProp;
    if (!r.Value(strProp))
        return false;
    QPair<QString, QString> prop;
    if (!SplitProp(strProp, prop))
    {
        r.strError = QStringLiteral("--prop needs NAME=VALUE, got \"%1\"").arg(strProp);
        return false;
    }
    opts.props.append(prop);
    return true;
}

bool ReadPropsFileOption(ArgReader& r, HostOptions& opts)
{
    QString strFile;
    return r.Value(strFile) && ReadPropsFile(strFile, opts.props, r.strError);
}

// Message-session options belong to the module, which reads them from the
// process's own arguments.
bool ReadSessionOption(ArgReader& r, HostOptions& opts)
{
    // The module takes whatever follows as the value, so another option
    // there would silently become the session or host name.
    if (r.HasNext() && r.args[r.i + 1].startsWith(u'-'))
    {
        r.strError =
            QStringLiteral("option %1 needs a value, got %2").arg(r.Option(), r.args[r.i + 1]);
        return false;
    }
    opts.passThrough.append(r.Option());
    QString strValue;
    if (r.HasNext())
    {
        if (!r.Value(strValue))
            return false;
        opts.passThrough.append(strValue);
    }
    return true;
}

// Left in the arguments for QApplication; the platform and display are
// noted to tell early whether a window can be shown.
bool ReadQtOption(ArgReader& r, HostOptions& opts, const QString& strQtName, bool bTakesValue)
{
    QString strValue;
    if (bTakesValue && !r.Value(strValue))
        return false;
    if (strQtName == u"-platform")
        opts.strQtPlatform = strValue;
    else if (strQtName == u"-display")
        opts.strQtDisplay = strValue;
    return true;
}

using OptionFn = bool (*)(ArgReader&, HostOptions&);

// The host's own options.
const QHash<QString, OptionFn>& HostOptionTable()
{
    static const QHash<QString, OptionFn> s_options = {
        {QStringLiteral("--help"), [](ArgReader&, HostOptions& o) { return o.bHelp = true; }},
        {QStringLiteral("-h"), [](ArgReader&, HostOptions& o) { return o.bHelp = true; }},
        {QStringLiteral("--version"), [](ArgReader&, HostOptions& o) { return o.bVersion = true; }},
        {QStringLiteral("--verbose"), [](ArgReader&, HostOptions& o) { return o.bVerbose = true; }},
        {QStringLiteral("-v"), [](ArgReader&, HostOptions& o) { return o.bVerbose = true; }},
        {QStringLiteral("--module"),
         [](ArgReader& r, HostOptions& o) { return r.Value(o.strModule); }},
        {QStringLiteral("--project"),
         [](ArgReader& r, HostOptions& o) { return r.Value(o.strProject); }},
        {QStringLiteral("--script"),
         [](ArgReader& r, HostOptions& o) { return r.Value(o.strScript); }},
        {QStringLiteral("--screenshots"),
         [](ArgReader& r, HostOptions& o) { return r.Value(o.strScreenshots); }},
        {QStringLiteral("--output"), ReadOutput},
        {QStringLiteral("--prop"), ReadProp},
        {QStringLiteral("--props-file"), ReadPropsFileOption},
    };
    return s_options;
}

bool ReadOption(ArgReader& r, HostOptions& opts)
{
    const QString& a = r.Option();
    if (const auto it = HostOptionTable().constFind(a); it != HostOptionTable().constEnd())
        return (*it)(r, opts);
    if (ipqc::IsSessionOptionWord(a))
        return ReadSessionOption(r, opts);
    // Qt reads "--platform" as "-platform".
    const QString strQtName = a.startsWith(QStringLiteral("--")) ? a.mid(1) : a;
    if (const auto it = QtOptions().constFind(strQtName); it != QtOptions().constEnd())
        return ReadQtOption(r, opts, strQtName, *it);
    r.strError = a.startsWith(u'-')
                     ? QStringLiteral("unknown option %1 (see --help)").arg(a)
                     : QStringLiteral("unexpected argument \"%1\" (see --help)").arg(a);
    return false;
}

bool ParseArgs(const QStringList& args, const QList<bool>& utf8, HostOptions& opts,
               QString& strError)
{
    for (ArgReader r{args, utf8, strError}; r.i < args.size(); ++r.i)
    {
        if (!utf8[r.i])
        {
            strError = QStringLiteral("argument %1 is not UTF-8 text (\"%2\")")
                           .arg(r.i + 1)
                           .arg(r.Option());
            return false;
        }
        if (!ReadOption(r, opts))
            return false;
    }
    return true;
}
} // namespace

bool ParseHostOptions(const QStringList& args, HostOptions& opts, QString& strError)
{
    return ParseArgs(args, QList<bool>(args.size(), true), opts, strError);
}

bool ParseHostArguments(const QByteArrayList& args, HostOptions& opts, QString& strError)
{
    // Checked on the bytes: decoded, a stray byte is already a replacement
    // character that would go into the part as if the user had typed it.
    QStringList texts;
    QList<bool> utf8;
    for (const QByteArray& arg : args)
    {
        QString strText;
        utf8.append(DecodeUtf8(arg, strText));
        texts.append(strText);
    }
    return ParseArgs(texts, utf8, opts, strError);
}

bool ReadPropsFile(const QString& strPath, HostProperties& props, QString& strError)
{
    QByteArray text;
    if (!ReadCheckedTextFile(strPath, kMaxPropsFileSize, text, strError))
        return false;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i)
    {
        const int nLine = int(i + 1);
        QByteArrayView line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        // Old Mac line ends would make the whole file one property.
        const QString strBad = line.contains('\r')
                                   ? CFileFault{.eKind = EFileFault::kCarriageReturn}.Reason()
                                   : CheckTextLine(line);
        if (!strBad.isEmpty())
        {
            strError = QStringLiteral("%1:%2: %3").arg(strPath).arg(nLine).arg(strBad);
            return false;
        }
        QString strLine;
        DecodeUtf8(line, strLine); // CheckTextLine has refused what is not UTF-8
        if (strLine.trimmed().isEmpty() || strLine.trimmed().startsWith(u'#'))
            continue;
        QPair<QString, QString> prop;
        if (!SplitFileProp(strLine, prop))
        {
            strError = QStringLiteral("%1:%2: expected NAME=VALUE").arg(strPath).arg(nLine);
            return false;
        }
        props.append(prop);
    }
    return true;
}

QByteArray FormatHostResult(const HostProperties& props, HostOutput output)
{
    if (output == HostOutput::Json)
    {
        // An array of pairs, not an object keyed by name: it keeps the order
        // and a name given twice.
        QJsonArray list;
        for (const auto& prop : props)
            list.append(QJsonObject{{QStringLiteral("name"), prop.first},
                                    {QStringLiteral("value"), prop.second}});
        return QJsonDocument(QJsonObject{{QStringLiteral("properties"), list}})
                   .toJson(QJsonDocument::Compact) +
               '\n';
    }
    QString strOut;
    for (const auto& prop : props)
        strOut += EscapeResultText(prop.first) + u'=' + EscapeResultText(prop.second) + u'\n';
    return strOut.toUtf8();
}

QString HostHelpText()
{
    return QStringLiteral(
               "Usage: physprops [options]\n"
               "\n"
               "Reference host of the Physical Properties module: loads the module, gives it\n"
               "a tool manager, the project and the part's properties, runs the dialog and\n"
               "prints the values after OK.\n"
               "\n"
               "Options:\n"
               "  --module PATH        the module to load (default: the installed plug-in folder\n"
               "                       LIBDIR/physprops/libphysprops_backend.so beside the host's\n"
               "                       bin/ folder, LIBDIR being lib/x86_64-linux-gnu on Debian,\n"
               "                       else lib/libphysprops_backend.so there)\n"
               "  --project FILE       the project file (INI: [Program] sections, name = value\n"
               "                       directives; psmpath lines give the footprint search path)\n"
               "  --prop NAME=VALUE    a property of the part; repeat for more, in order\n"
               "                       (UTF-8 text, taken exactly; other bytes are refused)\n"
               "  --props-file FILE    properties from a file, one NAME=VALUE a line; a line\n"
               "                       starting with '#' is a comment. Blanks around NAME and\n"
               "                       after '=' are dropped; the rest of the value is kept as\n"
               "                       it is ('#' and ';' in it too). A UTF-8 text file of at\n"
               "                       most 16 MiB, with LF or CR LF line ends (a carriage\n"
               "                       return elsewhere is refused with FILE:LINE)\n"
               "  --output FORMAT      how the values are printed after OK: lines (default) or\n"
               "                       json\n"
               "  --script FILE        play a walkthrough script instead of waiting for a user\n"
               "                       (see below); without a display it runs offscreen\n"
               "  --screenshots DIR    where the script's 'shot' steps save PNG pictures\n"
               "                       (default: screenshots)\n"
               "  --verbose            say what the host does, and the message session the module\n"
               "                       joined (none without a project)\n"
               "  -ipqsession NAME     join this message session (passed to the module)\n"
               "  -ipqhost HOST        message host (passed to the module)\n"
               "  --help               this text\n"
               "  --version            the host's version\n"
               "Qt's own options (-platform NAME, -style NAME, -display NAME, -reverse, ...)\n"
               "are passed to Qt.\n"
               "\n"
               "Output: standard output carries the values after OK and nothing else; what\n"
               "the host and the script say goes to standard error. The companion programs\n"
               "append theirs to $XDG_STATE_HOME/physprops/companions.log (default\n"
               "~/.local/state/physprops/companions.log), so a pipe ends when the host does.\n"
               "  lines  every property as NAME=VALUE, one a line, in order. In names and\n"
               "         values a backslash is written \\\\, a newline \\n and a carriage\n"
               "         return \\r, so each property is one line; nothing else is escaped.\n"
               "  json   one object on one line: {\"properties\":[{\"name\":N,\"value\":V},...]},\n"
               "         in order, a repeated name kept, values exactly as set.\n"
               "\n"
               "Displays: the dialog needs a display that a user sees (DISPLAY for X11,\n"
               "WAYLAND_DISPLAY for Wayland). When none can be opened (none set, or one set\n"
               "that no server answers), or the platform shows nothing (QT_QPA_PLATFORM or\n"
               "-platform offscreen or minimal), nobody could answer the dialog: the host\n"
               "says which and exits with 2. A walkthrough (--script FILE) needs no display:\n"
               "without one it runs offscreen, unless -platform or QT_QPA_PLATFORM chose a\n"
               "platform that needs one.\n"
               "\n"
               "Exit status: 0 OK, 1 Cancel, 2 usage error, no display, unreadable or\n"
               "malformed project or properties file (the message names file and line), a\n"
               "module that cannot be loaded or lacks its class record, or a dialog that\n"
               "could not be shown; 3 a walkthrough script with a wrong step (FILE:LINE,\n"
               "nothing is played), or one that failed, stalled, or ended while a dialog was\n"
               "still open (the message names it); 4 OK or Cancel, but View requests never\n"
               "reached the PCB editor (standard error says how many and why; after OK the\n"
               "values are printed).\n"
               "\n"
               "Walkthrough scripts: one step a line, '#' starts a comment line. Every step\n"
               "is checked before the first one runs. Each acts on the topmost open dialog\n"
               "and waits up to 5 s for the dialog, button or grid it names; the whole script\n"
               "must end within 120 s (its waits too). When the last step is done every\n"
               "dialog must close within 1 s. Dialogs, buttons, choices and messages are\n"
               "named by their English text (without '&'), whatever language the dialogs\n"
               "speak, or by the text they show. In the TEXT of dialog, message and say, \\n\n"
               "is a line break and \\t a tab. The text of edit and type goes to the keyboard,\n"
               "where a line break or a tab would press a button or move the focus: they refuse\n"
               "\\n, \\t, a tab and a text that ends in a blank. Columns are numbered as grid\n"
               "prints them; a step aimed at a hidden column fails and names the shown ones.\n") +
           ScriptStepsHelp();
}
} // namespace host
