#include "HostOptions.h"

#include <QFile>

namespace
{
bool SplitProp(const QString& strText, QPair<QString, QString>& prop)
{
    const qsizetype nEq = strText.indexOf(u'=');
    if (nEq <= 0)
        return false;
    prop = {strText.left(nEq), strText.mid(nEq + 1)};
    return true;
}
} // namespace

bool ParseHostOptions(const QStringList& args, HostOptions& opts, QString& strError)
{
    for (qsizetype i = 0; i < args.size(); ++i)
    {
        const QString& a = args[i];
        const auto needValue = [&](QString& strOut) {
            if (i + 1 >= args.size())
            {
                strError = QStringLiteral("option %1 needs a value").arg(a);
                return false;
            }
            strOut = args[++i];
            return true;
        };
        if (a == u"--help" || a == u"-h")
            opts.bHelp = true;
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
        else if (a.startsWith(u"-ipq", Qt::CaseInsensitive) || a.startsWith(u"/ipq", Qt::CaseInsensitive))
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
            if (i + 1 < args.size())
                opts.passThrough.append(args[++i]);
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

bool ReadPropsFile(const QString& strPath, QList<QPair<QString, QString>>& props, QString& strError)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
    {
        strError = QStringLiteral("%1: cannot open: %2").arg(strPath, file.errorString());
        return false;
    }
    int nLine = 0;
    while (!file.atEnd())
    {
        ++nLine;
        QString strLine = QString::fromUtf8(file.readLine());
        if (strLine.endsWith(u'\n'))
            strLine.chop(1);
        if (strLine.endsWith(u'\r'))
            strLine.chop(1);
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
        "  --module PATH        the module to load (default: lib/libphysprops_backend.so\n"
        "                       beside the host's bin/ folder)\n"
        "  --project FILE       the project file (INI: [Program] sections, name = value\n"
        "                       directives; psmpath lines give the footprint search path)\n"
        "  --prop NAME=VALUE    a property of the part; repeat for more, in order\n"
        "  --props-file FILE    properties from a file, one NAME=VALUE a line\n"
        "  --script FILE        run a walkthrough script instead of waiting for a user\n"
        "                       (use with QT_QPA_PLATFORM=offscreen to run without a display)\n"
        "  --screenshots DIR    where the script's 'shot' steps save PNG pictures\n"
        "                       (default: screenshots)\n"
        "  --verbose            say what the host does, and the message session it joined\n"
        "  -ipqsession NAME     join this message session (passed to the module)\n"
        "  -ipqhost HOST        message host (passed to the module)\n"
        "  --help               this text\n"
        "\n"
        "After OK every property is printed as NAME=VALUE, one a line.\n"
        "Exit status: 0 OK, 1 Cancel, 2 usage error, unreadable or malformed project\n"
        "file (the message names file and line), a module that cannot be loaded or\n"
        "lacks its class record, or a dialog that could not be shown;\n"
        "3 a walkthrough script that failed or stalled.\n"
        "\n"
        "Walkthrough scripts: one step a line, '#' starts a comment. Every step acts on\n"
        "the topmost open dialog and waits up to 5 s for the dialog it names.\n"
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
        "  wait MS                  let MS milliseconds pass\n");
}
