// SPDX-License-Identifier: MIT
// Stand-in for the project setup editor: shows the project file it was
// given with "-proj" and writes one line to standard output
// ("prjsetup: project <path>", or "prjsetup: no project"), and
// "prjsetup: raise" whenever the raise signal brings it forward.
#include "CompanionSupport.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <optional>

namespace
{
constexpr char kLogVariable[] = "PRJSETUP_LOG";

void Err(const QString& strText)
{
    std::fprintf(stderr, "prjsetup: %s\n", strText.toLocal8Bit().constData());
}

const char kUsage[] = "Usage: prjsetup [-proj PROJECT] [--exit-after-ms N] [--help] [--version]\n"
                      "Stand-in project setup editor: shows the project file.\n"
                      "SIGUSR1 brings the window forward. Offscreen, it ends after\n"
                      "a minute unless brought forward again.\n";

struct SetupArgs
{
    QString strProject;
    int nExitAfterMs = -1;
    QStringList unknown; // Qt's own options among them, told only once Qt has taken those
};

// The exit status when the arguments end the program (--help, --version,
// a usage error).
std::optional<int> ReadSetupArgs(int argc, char** argv, SetupArgs& setup)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    for (int i = 1; i < argc; ++i)
    {
        const QString& a = args[i - 1];
        if (a.compare(u"-proj", Qt::CaseInsensitive) == 0)
        {
            if (i + 1 == argc)
            {
                Err(QStringLiteral("%1 needs a value, the project file (see prjsetup --help)")
                        .arg(a));
                return 2;
            }
            setup.strProject = QFile::decodeName(argv[++i]);
        }
        else if (a == u"--exit-after-ms")
        {
            if (const QString strError = companion::MillisecondsError(args, i); !strError.isEmpty())
            {
                Err(strError + QStringLiteral(" (see prjsetup --help)"));
                return 2;
            }
            setup.nExitAfterMs = companion::Milliseconds(args, i++);
        }
        else if (a == u"--help")
            return std::fputs(kUsage, stdout) < 0 ? 2 : 0;
        else if (a == u"--version")
            return std::fputs("prjsetup " PHYSPROPS_VERSION "\n", stdout) < 0 ? 2 : 0;
        else
            setup.unknown.append(a);
    }
    return std::nullopt;
}

// The project's name and its text, read-only.
void FillWindow(QWidget& window, const QString& strProject)
{
    window.setWindowTitle(QStringLiteral("prjsetup"));
    auto* pLayout = new QVBoxLayout(&window);
    auto* pLabel =
        new QLabel(strProject.isEmpty() ? QStringLiteral("No project file") : strProject, &window);
    pLabel->setObjectName(QStringLiteral("lblProject"));
    pLabel->setTextFormat(Qt::PlainText);
    pLayout->addWidget(pLabel);
    auto* pText = new QPlainTextEdit(&window);
    pText->setObjectName(QStringLiteral("txtProject"));
    pText->setReadOnly(true);
    if (!strProject.isEmpty())
    {
        QFile file(strProject);
        pText->setPlainText(file.open(QIODevice::ReadOnly)
                                ? QString::fromUtf8(file.read(1 << 20))
                                : QStringLiteral("The project file \"%1\" cannot be read: %2.")
                                      .arg(strProject, file.errorString()));
    }
    pLayout->addWidget(pText);
    window.resize(520, 360);
}
} // namespace

int main(int argc, char** argv)
{
    companion::BlockRaiseSignal();
    // Arguments are read and the line written before the window system is
    // set up, so that a host which ends soon after starting us still sees it.
    SetupArgs setup;
    if (const std::optional<int> nExit = ReadSetupArgs(argc, argv, setup))
        return *nExit;
    companion::WriteLine(setup.strProject.isEmpty()
                             ? QStringLiteral("prjsetup: no project")
                             : QStringLiteral("prjsetup: project ") +
                                   companion::EscapeForLine(setup.strProject),
                         kLogVariable);

    companion::QuietenPlatformWarnings();
    if (!companion::CheckDisplay("prjsetup", argc, argv))
        return 2;
    QApplication app(argc, argv);
    // Only now is it known which words were Qt's own (-platform, -style, ...):
    // QApplication takes those out of the arguments.
    const QStringList remaining = QApplication::arguments().mid(1);
    for (const QString& a : std::as_const(setup.unknown))
        if (remaining.contains(a))
            Err(QStringLiteral("argument \"%1\" ignored (see prjsetup --help)")
                    .arg(companion::EscapeForLine(a)));
    QWidget window;
    FillWindow(window, setup.strProject);

    companion::CIdleExit idle;
    companion::CRaiseWatcher watcher;
    QObject::connect(&watcher, &companion::CRaiseWatcher::RaiseRequested, &window,
                     [&window, &idle]
                     {
                         idle.Touch();
                         companion::BringToFront(&window);
                         companion::WriteLine(QStringLiteral("prjsetup: raise"), kLogVariable);
                     });

    window.show();
    if (setup.nExitAfterMs >= 0)
        QTimer::singleShot(setup.nExitAfterMs, &app, &QCoreApplication::quit);
    return app.exec();
}
