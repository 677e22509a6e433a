// SPDX-License-Identifier: MIT
// Stand-in for the PCB editor: joins the message session, lists every
// drawing it is asked to open or create, and writes one line per request to
// standard output ("brdedit: open <path>", "brdedit: new unnamed.dra",
// "brdedit: raise" for the raise signal; paths escaped so each stays on one
// line).
#include "CompanionSupport.h"
#include "ipqc/IpqListener.h"

#include <QApplication>
#include <QListWidget>
#include <QStringDecoder>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>
#include <optional>

namespace
{
constexpr char kLogVariable[] = "BRDEDIT_LOG";
// How long a request handed to the listening editor may take to be taken.
constexpr int kHandOverTimeoutMs = 20000;

void Err(const QString& strText)
{
    std::fprintf(stderr, "brdedit: %s\n", strText.toLocal8Bit().constData());
}

class CEditorWindow : public QWidget
{
public:
    CEditorWindow()
    {
        setWindowTitle(QStringLiteral("brdedit"));
        m_pList = new QListWidget(this);
        m_pList->setObjectName(QStringLiteral("lstDrawings"));
        // One line a row: without this every request lays out the text of every row.
        m_pList->setUniformItemSizes(true);
        auto* pLayout = new QVBoxLayout(this);
        pLayout->addWidget(m_pList);
        resize(480, 240);
    }

    void Open(const QString& strPath)
    {
        m_pList->addItem(QStringLiteral("open ") + strPath);
        companion::WriteLine(QStringLiteral("brdedit: open ") + companion::EscapeForLine(strPath),
                             kLogVariable);
    }

    void New()
    {
        m_pList->addItem(QStringLiteral("new unnamed.dra"));
        companion::WriteLine(QStringLiteral("brdedit: new unnamed.dra"), kLogVariable);
    }

    void Raise()
    {
        companion::BringToFront(this);
        companion::WriteLine(QStringLiteral("brdedit: raise"), kLogVariable);
    }

    void OnMessage(const QByteArray& payload)
    {
        QStringDecoder decode(QStringDecoder::Utf8);
        const QString strMessage = decode(payload);
        if (decode.hasError())
        {
            Err(QStringLiteral("message dropped: not UTF-8 text"));
            return;
        }
        const companion::EditorRequest request = companion::ParseEditorMessage(strMessage);
        if (request.nKind != companion::EditorRequest::Kind::Invalid)
            companion::BringToFront(this);
        switch (request.nKind)
        {
        case companion::EditorRequest::Kind::Open:
            Open(request.strPath);
            break;
        case companion::EditorRequest::Kind::New:
            New();
            break;
        case companion::EditorRequest::Kind::Invalid:
            Err(QStringLiteral("message dropped (%1): %2")
                    .arg(request.strError, companion::EscapeForLine(strMessage)));
            return;
        }
    }

private:
    QListWidget* m_pList;
};

const char kUsage[] =
    "Usage: brdedit [options] [DRAWING]\n"
    "Stand-in PCB editor: opens DRAWING (or a new unnamed drawing) and takes\n"
    "further requests from its message session.\n"
    "  -ipqsession NAME     the session to join (default: $IPQ_SESSION)\n"
    "  -ipqhost HOST        its message host (default: $IPQ_HOST, else this machine)\n"
    "  --exit-after-ms N    quit after N milliseconds\n"
    "  --                   the next argument is the drawing, even if it starts with -\n"
    "  --help               print this text and exit (no display needed)\n"
    "  --version            print the version and exit (no display needed)\n"
    "Any other word names the drawing (there are no short options: -h opens\n"
    "a drawing called -h). Qt's own options, such as -platform NAME, go to Qt.\n"
    "When another editor already listens in the session, the request is handed\n"
    "to it and this one ends (status 0; 1 when it could not be handed over).\n"
    "Each request is written to standard output, one line each, and appended\n"
    "to the file $BRDEDIT_LOG names when set. SIGUSR1 brings the window forward.\n"
    "Offscreen, it ends after a minute without a request.\n";

// What makes the arguments unusable, or an empty text: a session option or
// --exit-after-ms without its value. Words after "--" are the drawing's.
QString UsageError(const QStringList& words)
{
    const QString strOption = companion::SessionOptionWithoutValue(words);
    if (!strOption.isNull())
        return QStringLiteral("%1 needs a value").arg(strOption);
    for (qsizetype i = 0; i < words.size() && words[i] != u"--"; ++i)
        if (words[i] == u"--exit-after-ms")
        {
            if (QString strError = companion::MillisecondsError(words, i + 1); !strError.isEmpty())
                return strError;
            ++i;
        }
    return {};
}

// Says what makes the arguments unusable; true when something does.
bool RefuseUsage(const QStringList& words)
{
    const QString strError = UsageError(words);
    if (!strError.isEmpty())
        Err(strError + QStringLiteral(" (see brdedit --help)"));
    return !strError.isEmpty();
}

// --help and --version, answered before the window system is set up: they
// need no display. The exit status when one was asked for.
std::optional<int> AnswerInfoOption(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
    {
        if (std::strcmp(argv[i], "--version") == 0)
            return std::fputs("brdedit " PHYSPROPS_VERSION "\n", stdout) < 0 ? 2 : 0;
        if (std::strcmp(argv[i], "--help") == 0)
            return std::fputs(kUsage, stdout) < 0 ? 2 : 0;
    }
    return std::nullopt;
}

struct EditorArgs
{
    QString strDrawing; // empty: a new unnamed drawing
    int nExitAfterMs = -1;
};

// The arguments once Qt has taken its own and UsageError has passed them.
EditorArgs ReadEditorArgs(const QStringList& args)
{
    EditorArgs editor;
    for (qsizetype i = 0; i < args.size(); ++i)
    {
        const QString& a = args[i];
        if (a == u"--exit-after-ms")
            editor.nExitAfterMs = companion::Milliseconds(args, ++i); // checked before
        else if (a == u"--")
        {
            if (i + 1 < args.size())
                editor.strDrawing = args[i + 1];
            break;
        }
        else if (editor.strDrawing.isNull())
            editor.strDrawing = a;
        else
            Err(QStringLiteral("argument \"%1\" ignored: brdedit opens one drawing (see brdedit "
                               "--help)")
                    .arg(companion::EscapeForLine(a)));
    }
    return editor;
}

// Another editor already holds the session (a second host, or two started
// together): it gets this request, and this one ends with the status
// returned, so that every request of the session opens in one editor.
int HandOver(const ipqc::SessionAddress& addr, const QString& strDrawing)
{
    const QString strCommand = strDrawing.isEmpty()
                                   ? QStringLiteral("Input new unnamed.dra")
                                   : QStringLiteral("Input open \"%1\"").arg(strDrawing);
    QString strError;
    if (ipqc::SendConfirmed(addr, strCommand.toUtf8(), kHandOverTimeoutMs, &strError) != 0)
    {
        Err(QStringLiteral("the editor already listening in session \"%1\" did not take the "
                           "request: %2")
                .arg(addr.strSession, strError));
        return 1;
    }
    Err(QStringLiteral("handed the request to the editor already listening in session \"%1\"")
            .arg(addr.strSession));
    return 0;
}

// Requests from the session and the raise signal reach the window.
void ConnectEditor(CEditorWindow& window, companion::CIdleExit& idle,
                   const ipqc::CListener& listener, const companion::CRaiseWatcher& watcher)
{
    QObject::connect(&listener, &ipqc::CListener::MessageReceived, &window,
                     [&window, &idle](const QByteArray& payload)
                     {
                         idle.Touch();
                         window.OnMessage(payload);
                     });
    QObject::connect(&listener, &ipqc::CListener::ConnectionRefused, &window,
                     [](const QString& strReason)
                     { Err(QStringLiteral("connection refused: ") + strReason); });
    QObject::connect(&watcher, &companion::CRaiseWatcher::RaiseRequested, &window,
                     [&window, &idle]
                     {
                         idle.Touch();
                         window.Raise();
                     });
}
} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> nExit = AnswerInfoOption(argc, argv))
        return *nExit;
    // Also before the window system: a usage error needs no display. Again
    // after it, once Qt has taken out the options that were its own.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs.append(QString::fromLocal8Bit(argv[i]));
    if (RefuseUsage(rawArgs))
        return 2;
    companion::BlockRaiseSignal();
    companion::QuietenPlatformWarnings();
    if (!companion::CheckDisplay("brdedit", argc, argv))
        return 2;
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    if (RefuseUsage(args))
        return 2;

    // Takes the session options out: the rest names the drawing.
    const ipqc::SessionAddress addr = ipqc::SessionFromArguments(args);
    const EditorArgs editor = ReadEditorArgs(args);
    ipqc::CListener listener;
    const bool bListens = listener.Listen(addr);
    if (!bListens && !listener.AnotherListens())
        Err(listener.ErrorString() + QStringLiteral("; requests from the session will not arrive"));
    else if (!bListens)
        return HandOver(addr, editor.strDrawing);

    CEditorWindow window;
    companion::CIdleExit idle;
    // Listening comes first, so that the first line written means the
    // editor can be reached.
    companion::CRaiseWatcher watcher;
    ConnectEditor(window, idle, listener, watcher);
    if (editor.strDrawing.isEmpty())
        window.New();
    else
        window.Open(editor.strDrawing);
    window.show();
    if (editor.nExitAfterMs >= 0)
        QTimer::singleShot(editor.nExitAfterMs, &app, &QCoreApplication::quit);
    return app.exec();
}
