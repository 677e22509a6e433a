#include "HostOptions.h"

#include <gtest/gtest.h>

TEST(HostOptions, collectsPropertiesInOrderAndPassesSessionOptionsThrough)
{
    HostOptions opts;
    QString strError;
    ASSERT_TRUE(ParseHostOptions({QStringLiteral("--prop"), QStringLiteral("A=1"),
                                  QStringLiteral("-ipqsession"), QStringLiteral("abc"),
                                  QStringLiteral("--prop"), QStringLiteral("B=x=y"),
                                  QStringLiteral("/IPQHOST"), QStringLiteral("h"),
                                  QStringLiteral("--verbose")},
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
    ASSERT_TRUE(ParseHostOptions({QStringLiteral("--prop"), QStringLiteral("ALT_SYMBOLS=")}, opts, strError));
    EXPECT_EQ(opts.props[0].second, QString());
}
