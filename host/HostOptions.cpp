#include "HostOptions.h"
#include "project/TextFile.h"
#include "ipqc/IpqChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

bool ParseArgs(const QStringList& args, const QList<bool>& utf8, HostOptions& opts,
               QString& strError)
{
    for (qsizetype i = 0; i < args.size(); ++i)
    {
        const QString& a = args[i];
        if (!utf8[i])
        {
            strError = QStringLiteral("argument %1 is not UTF-8 text (\"%2\")").arg(i + 1).arg(a);
            return false;
        }
        const auto needValue = [&](QString& strOut)
        {
            if (i + 1 >= args.size())
            {
                strError = QStringLiteral("option %1 needs a value").arg(a);
                return false;
            }
            if (!utf8[i + 1])
            {
                strError = QStringLiteral("option %1: the value is not UTF-8 text (\"%2\")")
                               .arg(a, args[i + 1]);
                return false;
            }
            strOut = args[++i];
            return true;
        };
        // Qt reads "--platform" as "-platform".
        const QString strQtName = a.startsWith(QStringLiteral("--")) ? a.mid(1) : a;
        if (a == u"--help" || a == u"-h")
            opts.bHelp = true;
        else if (a == u"--version")
            opts.bVersion = true;
        else if (a == u"--verbose" || a == u"-v")
            opts.bVerbose = true;
        else if (a == u"--module")
        {
            if (!needValue(opts.strModule))
                return false;
        }
        else if (a == u"--project")
        {
            if (!needValue(opts.strProject))
                return false;
        }
        else if (a == u"--script")
        {
            if (!needValue(opts.strScript))
                return false;
        }
        else if (a == u"--screenshots")
        {
            if (!needValue(opts.strScreenshots))
                return false;
        }
        else if (a == u"--output")
        {
            QString strFormat;
            if (!needValue(strFormat))
                return false;
            if (strFormat == u"lines")
                opts.output = HostOutput::Lines;
            else if (strFormat == u"json")
                opts.output = HostOutput::Json;
            else
            {
                strError =
                    QStringLiteral("--output takes lines or json, got \"%1\"").arg(strFormat);
                return false;
            }
        }
        else if (a == u"--prop")
        {
            QString strProp;
            if (!needValue(strProp))
                return false;
            QPair<QString, QString> prop;
            if (!SplitProp(strProp, prop))
            {
                strError = QStringLiteral("--prop needs NAME=VALUE, got \"%1\"").arg(strProp);
                return false;
            }
            opts.props.append(prop);
        }
        else if (a == u"--props-file")
        {
            QString strFile;
            if (!needValue(strFile) || !ReadPropsFile(strFile, opts.props, strError))
                return false;
        }
        else if (ipqc::IsSessionOptionWord(a))
        {
            // Message-session options belong to the module, which reads them
            // from the process's own arguments.
            // The module takes whatever follows as the value, so another
            // option there would silently become the session or host name.
            if (i + 1 < args.size() && args[i + 1].startsWith(u'-'))
            {
                strError = QStringLiteral("option %1 needs a value, got %2").arg(a, args[i + 1]);
                return false;
            }
            opts.passThrough.append(a);
            QString strValue;
            if (i + 1 < args.size())
            {
                if (!needValue(strValue))
                    return false;
                opts.passThrough.append(strValue);
            }
        }
        else if (const auto it = QtOptions().constFind(strQtName); it != QtOptions().constEnd())
        {
            // Left in the arguments for QApplication; the platform and display
            // are noted to tell early whether a window can be shown.
            QString strValue;
            if (*it && !needValue(strValue))
                return false;
            if (strQtName == u"-platform")
                opts.strQtPlatform = strValue;
            else if (strQtName == u"-display")
                opts.strQtDisplay = strValue;
        }
        else if (a.startsWith(u'-'))
        {
            strError = QStringLiteral("unknown option %1 (see --help)").arg(a);
            return false;
        }
        else
        {
            strError = QStringLiteral("unexpected argument \"%1\" (see --help)").arg(a);
            return false;
        }
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
        const QString strBad = CheckTextLine(line);
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
        if (!SplitProp(strLine, prop))
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

QString MissingDisplay(const HostOptions& opts, const QProcessEnvironment& env)
{
    const bool bX = !opts.strQtDisplay.isEmpty() || !env.value(QStringLiteral("DISPLAY")).isEmpty();
    const QString strRuntime = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
    const bool bWayland =
        !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
        (!strRuntime.isEmpty() &&
         QFileInfo::exists(QDir(strRuntime).filePath(QStringLiteral("wayland-0"))));
    const QString strSpec = !opts.strQtPlatform.isEmpty()
                                ? opts.strQtPlatform
                                : env.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (strSpec.trimmed().isEmpty())
        return bX || bWayland ? QString()
                              : QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set");
    // A list of platforms to try in turn, each perhaps with ":options".
    for (const QString& strEntry : strSpec.split(u';', Qt::SkipEmptyParts))
    {
        const QString strName = strEntry.section(u':', 0, 0).trimmed().toLower();
        if (strName == u"xcb" ? bX : strName.startsWith(u"wayland") ? bWayland : true)
            return {};
    }
    return QStringLiteral("the platform is %1 and %2")
        .arg(strSpec, bX ? QStringLiteral("WAYLAND_DISPLAY is not set")
                         : QStringLiteral("DISPLAY is not set"));
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
        "  --module PATH        the module to load (default: the installed plug-in folder,\n"
        "                       lib/physprops/libphysprops_backend.so beside the host's\n"
        "                       bin/ folder, else lib/libphysprops_backend.so there)\n"
        "  --project FILE       the project file (INI: [Program] sections, name = value\n"
        "                       directives; psmpath lines give the footprint search path)\n"
        "  --prop NAME=VALUE    a property of the part; repeat for more, in order\n"
        "                       (UTF-8 text; other bytes are refused)\n"
        "  --props-file FILE    properties from a file, one NAME=VALUE a line ('#' starts\n"
        "                       a comment line); a UTF-8 text file of at most 16 MiB\n"
        "  --output FORMAT      how the values are printed after OK: lines (default) or\n"
        "                       json\n"
        "  --script FILE        run a walkthrough script instead of waiting for a user;\n"
        "                       without a display it runs offscreen\n"
        "  --screenshots DIR    where the script's 'shot' steps save PNG pictures\n"
        "                       (default: screenshots)\n"
        "  --verbose            say what the host does, and the message session it joined\n"
        "  -ipqsession NAME     join this message session (passed to the module)\n"
        "  -ipqhost HOST        message host (passed to the module)\n"
        "  --help               this text\n"
        "  --version            the host's version\n"
        "Qt's own options (-platform NAME, -style NAME, -display NAME, -reverse, ...)\n"
        "are passed to Qt.\n"
        "\n"
        "Output: standard output carries the values after OK and nothing else; what\n"
        "the host, the script and the companion programs say goes to standard error.\n"
        "  lines  every property as NAME=VALUE, one a line, in order. In names and\n"
        "         values a backslash is written \\\\, a newline \\n and a carriage\n"
        "         return \\r, so each property is one line; nothing else is escaped.\n"
        "  json   one object on one line: {\"properties\":[{\"name\":N,\"value\":V},...]},\n"
        "         in order, a repeated name kept, values exactly as set.\n"
        "\n"
        "Without a display (no DISPLAY or WAYLAND_DISPLAY, and QT_QPA_PLATFORM not set\n"
        "to a platform that needs none, such as offscreen) the dialog cannot be shown:\n"
        "the host says so and exits with 2. Use --script FILE to play a walkthrough,\n"
        "or set QT_QPA_PLATFORM=offscreen.\n"
        "\n"
        "Exit status: 0 OK, 1 Cancel, 2 usage error, no display, unreadable or\n"
        "malformed project or properties file (the message names file and line), a\n"
        "module that cannot be loaded or lacks its class record, or a dialog that\n"
        "could not be shown; 3 a walkthrough script that failed, stalled, or ended\n"
        "while a dialog was still open (the message names it); 4 OK or Cancel, but\n"
        "View requests never reached the PCB editor (standard error says how many\n"
        "and why; after OK the values are printed).\n"
        "\n"
        "Walkthrough scripts: one step a line, '#' starts a comment. Every step acts on\n"
        "the topmost open dialog and waits up to 5 s for the dialog it names. When the\n"
        "last step is done every dialog must close within 1 s.\n"
        "  dialog TITLE             wait until the topmost dialog has this title\n"
        "  click ROW [COL]          click a grid cell (rows and columns count from 1)\n"
        "  ctrl-click ROW [COL]     add a row to the selection\n"
        "  dblclick ROW [COL]       double-click a grid cell\n"
        "  header-dblclick COL      double-click a column header (sorts)\n"
        "  edit ROW COL TEXT        type TEXT into a cell and press Enter\n"
        "  choose ROW COL TEXT      pick TEXT in a cell's drop-down\n"
        "  press BUTTON             click the button with this text (without '&')\n"
        "  type TEXT                type TEXT into the focused control\n"
        "  key KEY                  press a key (Enter, Escape, Down, Up, Tab, Backspace)\n"
        "  clear-text               empty the focused text box\n"
        "  message TEXT             expect a message box with this text and press its OK\n"
        "  shot NAME                save the topmost dialog as NAME.png\n"
        "  grid                     print the rows of the topmost dialog's grid\n"
        "  say TEXT                 print TEXT\n"
        "  wait MS                  let MS milliseconds pass before the next step\n");
}
} // namespace host
