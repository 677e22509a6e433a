// SPDX-License-Identifier: MIT
#include "DisplayProbe.h"
#include "HostOptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace host;

TEST(HostOptions, collectsPropertiesInOrderAndPassesSessionOptionsThrough)
{
    HostOptions opts;
    QString strError;
    ASSERT_TRUE(ParseHostOptions(
        {QStringLiteral("--prop"), QStringLiteral("A=1"), QStringLiteral("-ipqsession"),
         QStringLiteral("abc"), QStringLiteral("--prop"), QStringLiteral("B=x=y"),
         QStringLiteral("/IPQHOST"), QStringLiteral("h"), QStringLiteral("--verbose")},
        opts, strError))
        << strError.toStdString();
    ASSERT_EQ(opts.props.size(), 2);
    EXPECT_EQ(opts.props[0], qMakePair(QStringLiteral("A"), QStringLiteral("1")));
    EXPECT_EQ(opts.props[1], qMakePair(QStringLiteral("B"), QStringLiteral("x=y")));
    EXPECT_EQ(opts.passThrough, (QStringList{QStringLiteral("-ipqsession"), QStringLiteral("abc"),
                                             QStringLiteral("/IPQHOST"), QStringLiteral("h")}));
    EXPECT_TRUE(opts.bVerbose);
}

TEST(HostOptions, emptyValueIsKept)
{
    HostOptions opts;
    QString strError;
    ASSERT_TRUE(ParseHostOptions({QStringLiteral("--prop"), QStringLiteral("ALT_SYMBOLS=")}, opts,
                                 strError));
    EXPECT_EQ(opts.props[0].second, QString());
}

TEST(HostOptions, argumentsThatAreNotUtf8AreRefusedNamingTheOption)
{
    const struct
    {
        QByteArrayList args;
        const char* pszWords; // nullptr: accepted
    } cases[] = {
        {{"--prop", "JEDEC_TYPE=\xff\xfeSOIC"}, "option --prop: the value is not UTF-8"},
        {{"--prop", "JEDEC\xc3=SOIC"}, "option --prop: the value is not UTF-8"},
        {{"-ipqsession", "a\xe2\x82"}, "option -ipqsession: the value is not UTF-8"},
        {{"--project", "p\xff.ini"}, "option --project: the value is not UTF-8"},
        {{"--pr\xffop", "A=1"}, "argument 1 is not UTF-8"},
        {{"--output", "xml"}, "--output takes lines or json"},
        {{"--prop", "JEDEC_TYPE=Gr\xc3\xb6\xc3\x9f"
                    "e \xe2\x82\xac"},
         nullptr},
        // Qt's own options stay for QApplication.
        {{"-platform", "offscreen", "--style", "fusion", "-reverse"}, nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        HostOptions opts;
        QString strError;
        EXPECT_EQ(ParseHostArguments(c.args, opts, strError), c.pszWords == nullptr);
        EXPECT_TRUE(strError.contains(QString::fromLatin1(c.pszWords ? c.pszWords : "")))
            << strError.toStdString();
    }
}

TEST(HostOptions, propsFileIsCheckedLikeTheProjectFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&dir](const QString& strName, const QByteArray& content)
    {
        const QString strPath = dir.filePath(strName);
        QFile file(strPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return strPath;
    };
    const QString strFifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    const QString strBig = write(QStringLiteral("big"), QByteArray((16 << 20) + 1, '#'));
    const struct
    {
        QString strPath;
        QString strWords; // empty: read
    } cases[] = {
        // Opened, these would wait for a writer or never end.
        {strFifo, strFifo + QStringLiteral(": not a file")},
        {QStringLiteral("/dev/urandom"), QStringLiteral("/dev/urandom: not a file")},
        {dir.path(), dir.path() + QStringLiteral(": not a file")},
        {strBig, strBig + QStringLiteral(": too large")},
        {dir.filePath(QStringLiteral("none")), QStringLiteral("none: cannot open")},
        {write(QStringLiteral("latin1"), "A=1\nB=\xe9t\xe9\n"),
         QStringLiteral("latin1:2: not UTF-8 text")},
        {write(QStringLiteral("nul"), QByteArray("A=\0", 3)), QStringLiteral("nul:1: binary data")},
        {write(QStringLiteral("bad"), "A=1\n# note\nno equals\n"),
         QStringLiteral("bad:3: expected NAME=VALUE")},
        // Old Mac line ends: not one property that holds the next line.
        {write(QStringLiteral("cr"), "JEDEC_TYPE=SOIC8\rDESCRIPTION=two lines\r"),
         QStringLiteral("cr:1: carriage return inside a line")},
        {write(QStringLiteral("lonecr"), "A=1\r\nB=x\ry\r\n"),
         QStringLiteral("lonecr:2: carriage return inside a line")},
        {write(QStringLiteral("good"), "\xef\xbb\xbf"
                                       "A=1\r\n\n# note\nB=x=\xc3\xa9\n"),
         QString()},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.strPath.toStdString());
        QList<QPair<QString, QString>> props;
        QString strError;
        EXPECT_EQ(ReadPropsFile(c.strPath, props, strError), c.strWords.isEmpty());
        EXPECT_TRUE(strError.contains(c.strWords)) << strError.toStdString();
        if (c.strWords.isEmpty())
        {
            EXPECT_EQ(props, (QList<QPair<QString, QString>>{
                                 {QStringLiteral("A"), QStringLiteral("1")},
                                 {QStringLiteral("B"), QStringLiteral("x=é")}}));
        }
    }
}

TEST(HostOptions, resultLinesAreEscapedAndJsonIsExact)
{
    const struct
    {
        HostProperties props;
        QByteArray lines;
        QByteArray json;
    } cases[] = {
        // A newline in a value must not forge a second line.
        {{{QStringLiteral("DESCRIPTION"), QStringLiteral("ok\nJEDEC_TYPE=EVIL")},
          {QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8")}},
         "DESCRIPTION=ok\\nJEDEC_TYPE=EVIL\nJEDEC_TYPE=SOIC8\n",
         R"({"properties":[{"name":"DESCRIPTION","value":"ok\nJEDEC_TYPE=EVIL"},{"name":"JEDEC_TYPE","value":"SOIC8"}]})"
         "\n"},
        // A backslash before an n stays told apart from a newline.
        {{{QStringLiteral("PATH"), QStringLiteral("C:\\new\r\n")},
          {QStringLiteral("N\nX"), QString()}},
         "PATH=C:\\\\new\\r\\n\nN\\nX=\n",
         R"({"properties":[{"name":"PATH","value":"C:\\new\r\n"},{"name":"N\nX","value":""}]})"
         "\n"},
        // Order and a repeated name are kept; other text is left as it is.
        {{{QStringLiteral("B"), QStringLiteral("\t\"é€")},
          {QStringLiteral("A"), QStringLiteral("1")},
          {QStringLiteral("B"), QStringLiteral("2")}},
         "B=\t\"\xc3\xa9\xe2\x82\xac\nA=1\nB=2\n",
         R"({"properties":[{"name":"B","value":"\t\"é€"},{"name":"A","value":"1"},{"name":"B","value":"2"}]})"
         "\n"},
        {{}, "", "{\"properties\":[]}\n"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(FormatHostResult(c.props, HostOutput::Lines), c.lines);
        EXPECT_EQ(FormatHostResult(c.props, HostOutput::Json), c.json);
    }
}

TEST(HostOptions, propsFileDropsTheBlanksAroundTheNameAndBeforeTheValue)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("props"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("JEDEC_TYPE = SOIC8\n"
               "\t ALT_SYMBOLS\t=  (Top:A ;Bottom:B)  \n" // the rest of the value stays whole
               "NOTE=  # not a comment ; nor this\n"
               "EMPTY =\n"
               "  = no name\n");
    file.close();
    HostProperties props;
    QString strError;
    EXPECT_FALSE(ReadPropsFile(strPath, props, strError));
    EXPECT_TRUE(strError.endsWith(QStringLiteral("props:5: expected NAME=VALUE")))
        << strError.toStdString();
    EXPECT_EQ(props, (HostProperties{
                         {QStringLiteral("JEDEC_TYPE"), QStringLiteral("SOIC8")},
                         {QStringLiteral("ALT_SYMBOLS"), QStringLiteral("(Top:A ;Bottom:B)  ")},
                         {QStringLiteral("NOTE"), QStringLiteral("# not a comment ; nor this")},
                         {QStringLiteral("EMPTY"), QString()}}));
}

TEST(HostOptions, aWindowNeedsADisplayThatAnswersUnlessThePlatformNeedsNone)
{
    QTemporaryDir runtime;
    // Displays that answer here: X ":0" and ":1", the Wayland socket "wayland-1".
    const displayprobe::Connectors connect{
        [](const QString& strDisplay) {
            return strDisplay == u":0" || strDisplay == u":1" ? QString()
                                                              : QStringLiteral("refused");
        },
        [&runtime](const QString& strSocket)
        {
            return strSocket == runtime.filePath(QStringLiteral("wayland-1"))
                       ? QString()
                       : QStringLiteral("absent");
        }};
    const struct
    {
        QStringList env; // NAME=VALUE
        QString strPlatformOption;
        QString strProblem; // empty: a window can be shown
    } cases[] = {
        {{}, {}, QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set")},
        {{QStringLiteral("DISPLAY=:0")}, {}, {}},
        {{QStringLiteral("WAYLAND_DISPLAY=wayland-1")}, {}, {}},
        {{QStringLiteral("QT_QPA_PLATFORM=offscreen")}, {}, {}},
        {{QStringLiteral("QT_QPA_PLATFORM=minimal:enable_fonts")}, {}, {}},
        {{QStringLiteral("QT_QPA_PLATFORM=xcb")},
         {},
         QStringLiteral("the platform is xcb and DISPLAY is not set")},
        {{QStringLiteral("QT_QPA_PLATFORM=wayland;xcb"), QStringLiteral("DISPLAY=:1")}, {}, {}},
        {{QStringLiteral("QT_QPA_PLATFORM=wayland;xcb")},
         {},
         QStringLiteral("WAYLAND_DISPLAY is not set; DISPLAY is not set")},
        // The option wins over the variable, as in Qt.
        {{QStringLiteral("QT_QPA_PLATFORM=xcb")}, QStringLiteral("offscreen"), {}},
        {{QStringLiteral("QT_QPA_PLATFORM=offscreen")},
         QStringLiteral("xcb"),
         QStringLiteral("DISPLAY is not set")},
        // Set, but nothing answers there: Qt would abort.
        {{QStringLiteral("DISPLAY=:99")},
         {},
         QStringLiteral("the X display \":99\" (DISPLAY) cannot be opened: refused")},
        {{QStringLiteral("WAYLAND_DISPLAY=nonexistent")},
         {},
         QStringLiteral("the Wayland display \"nonexistent\" (WAYLAND_DISPLAY) cannot be opened: "
                        "absent; DISPLAY is not set")},
        // Wayland first when it is named, X11 after it, as Qt tries them.
        {{QStringLiteral("WAYLAND_DISPLAY=nonexistent"), QStringLiteral("DISPLAY=:0")}, {}, {}},
        {{QStringLiteral("XDG_SESSION_TYPE=wayland"), QStringLiteral("DISPLAY=:99")},
         {},
         QStringLiteral("WAYLAND_DISPLAY is not set; the X display \":99\"")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.env.join(u' ').toStdString() + " -platform " +
                     c.strPlatformOption.toStdString());
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        for (const QString& strVar : c.env)
            env.insert(strVar.section(u'=', 0, 0), strVar.section(u'=', 1));
        const QString strProblem =
            displayprobe::DisplayProblem({c.strPlatformOption, {}}, env, connect);
        EXPECT_EQ(strProblem.isEmpty(), c.strProblem.isEmpty()) << strProblem.toStdString();
        EXPECT_TRUE(strProblem.contains(c.strProblem)) << strProblem.toStdString();
    }
}
