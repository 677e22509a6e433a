// SPDX-License-Identifier: MIT
#include "harbex/ToolArguments.h"

#include <gtest/gtest.h>

TEST(ToolArguments, splitsLikeACommandLine)
{
    const struct
    {
        QString strArgs;
        QStringList words;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"a", {"a"}},
        {"  a  b\tc ", {"a", "b", "c"}},
        {"\"C:\\lib\\a b.dra\"", {"C:\\lib\\a b.dra"}},
        {" -proj \"/my projects/demo.ini\"", {"-proj", "/my projects/demo.ini"}},
        {" -proj \"\"", {"-proj", ""}},
        {"one \"two three\" four", {"one", "two three", "four"}},
        {"a\"b c\"d", {"ab cd"}},
        {"one!two", {"one!two"}},
        {"\"a!b\" c!d", {"a!b", "c!d"}},
        {"\"a\\\"b\"", {"a\"b"}},
        {"\"a\\\\\"", {"a\\"}},
        {"a\\\\b", {"a\\\\b"}},
        {"\"a\\\\\\\"b\"", {"a\\\"b"}},
        {"\"unterminated group", {"unterminated group"}},
        {"\"line\nbreak\"", {"line\nbreak"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitToolArguments(c.strArgs), c.words) << c.strArgs.toStdString();
}

TEST(ToolArguments, quotedTextComesBackWhole)
{
    const QString texts[] = {
        "",
        "/lib/a b.dra",
        "C:\\lib\\a b.dra",
        "C:\\lib\\",
        "a\"b",
        "\"",
        "\\\"",
        "a\\\\\"b\\",
        "/lib/my \"best\" Ü\nparts",
        "\t lead and trail \t",
    };
    for (const QString& strText : texts)
        EXPECT_EQ(SplitToolArguments(QuoteToolArgument(strText)), QStringList{strText})
            << strText.toStdString();
}

TEST(ToolArguments, plainPathsAreOnlyEnclosed)
{
    for (const QString strPath : {"C:\\lib\\a b.dra", "/lib/a b.dra", "", "Ü"})
        EXPECT_EQ(QuoteToolArgument(strPath), u'"' + strPath + u'"');
}
