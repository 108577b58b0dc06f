#include "FileData/MivUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(MivUtilsStringsTest, SanitizedStringKeepsUrlPathCharacters)
{
    EXPECT_EQ(MivUtils::sanitizedString(QStringLiteral("a b/c?d#e%f;g")), QStringLiteral("a%20b/c%3Fd%23e%25f%3Bg"));
    EXPECT_EQ(MivUtils::sanitizedString(QStringLiteral("!$&'()*+,-./:=@_~Az09")),
              QStringLiteral("!$&'()*+,-./:=@_~Az09"));
    EXPECT_EQ(MivUtils::sanitizedString(QStringLiteral("caf\u00E9")), QStringLiteral("caf%C3%A9"));
    // A file-name byte that is not UTF-8 keeps its own byte.
    EXPECT_EQ(MivUtils::sanitizedString(QStringLiteral("caf") + QChar(char16_t(0xDCE9))), QStringLiteral("caf%E9"));
}

TEST(MivUtilsStringsTest, SuffixAndContains)
{
    EXPECT_EQ(MivUtils::stringWithStripSuffix(QStringLiteral(".txt"), QStringLiteral("a.txt")), QStringLiteral("a"));
    EXPECT_EQ(MivUtils::stringWithStripSuffix(QStringLiteral(".txt"), QStringLiteral("a.txt.gz")),
              QStringLiteral("a.txt.gz"));
    EXPECT_EQ(MivUtils::stringWithStripSuffix(QString(), QStringLiteral("a")), QStringLiteral("a"));
    EXPECT_EQ(MivUtils::stringWithStripSuffix(QStringLiteral("abc"), QStringLiteral("abc")), QString(""));

    EXPECT_TRUE(MivUtils::string(QStringLiteral("hello"), QStringLiteral("ell")));
    EXPECT_FALSE(MivUtils::string(QStringLiteral("hello"), QStringLiteral("ELL")));
    EXPECT_FALSE(MivUtils::string(QStringLiteral("hello"), QString()));
    EXPECT_FALSE(MivUtils::string(QString(), QStringLiteral("a")));
}

TEST(MivUtilsStringsTest, RelativePathByCommonComponents)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/a/b/c/d", "/a/b/x", "../c/d"},
        {"/a/b", "/a/b", ""},
        {"/a/b/", "/a/b", ""},
        {"/a/b/c", "/a/b", "c"},
        {"/a", "/a/b/c", "../.."},
        {"/x/y", "/a/b", "../../x/y"},
        {"/a/bc", "/a/b", "../bc"},
    };
    for (const auto& [path, base, expected] : cases)
        EXPECT_EQ(MivUtils::stringWithPath(QString::fromUtf8(path), QString::fromUtf8(base)),
                  QString::fromUtf8(expected))
            << path << " from " << base;
}

TEST(MivUtilsStringsTest, DigitsAndNumbers)
{
    EXPECT_TRUE(MivUtils::isAllDigits(QString()));
    EXPECT_TRUE(MivUtils::isAllDigits(QStringLiteral("0123456789")));
    EXPECT_TRUE(MivUtils::isAllDigits(QStringLiteral("\u0661\u0662"))); // Arabic-Indic digits
    EXPECT_FALSE(MivUtils::isAllDigits(QStringLiteral("12a")));
    EXPECT_FALSE(MivUtils::isAllDigits(QStringLiteral("-1")));
    EXPECT_FALSE(MivUtils::isAllDigits(QStringLiteral("1.5")));

    const std::pair<const char*, bool> numbers[] = {
        {"1.5", true},  {"-2", true},  {"+3", true},   {".5", true},  {"5.", true},   {"1e3", true},
        {"1E-3", true}, {" 42 ", true}, {"1.5a", false}, {"1e", false}, {"", false},  {"-", false},
        {".", false},   {"1 2", false}, {"inf", false},  {"nan", false}, {"0x10", false}, {"1,5", false},
    };
    for (const auto& [text, numeric] : numbers)
        EXPECT_EQ(MivUtils::isNumeric(QString::fromUtf8(text)), numeric) << '"' << text << '"';
}

TEST(MivUtilsStringsTest, LeftPadding)
{
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("7"), QStringLiteral("000")), QStringLiteral("007"));
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("abcd"), QStringLiteral("00")), QStringLiteral("cd"));
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("12"), QStringLiteral("xy")), QStringLiteral("12"));

    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("7"), 3, QStringLiteral("0"), 0), QStringLiteral("007"));
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("1234"), 3, QStringLiteral("0"), 0), QStringLiteral("1234"));
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("123"), 3, QStringLiteral("0"), 0), QStringLiteral("123"));
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("x"), 6, QStringLiteral("abc"), 1), QStringLiteral("bcabcx"));
    // A pad string that cannot fill anything, or an index past its end.
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("x"), 4, QString(), 0), QStringLiteral("x"));
    EXPECT_EQ(MivUtils::leftPadString(QStringLiteral("x"), 3, QStringLiteral("ab"), 5), QStringLiteral("bax"));
}

} // namespace
