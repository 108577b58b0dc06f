#include "platform/Collator.h"
#include "platform/DateFormat.h"
#include "platform/Error.h"
#include "platform/IcuLocale.h"
#include "platform/NumberFormat.h"
#include "platform/RegularExpression.h"
#include "platform/SortDescriptor.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QThread>

#include <algorithm>

TEST(IcuTextTest, TestsRunInThePinnedLocale)
{
    EXPECT_EQ(plat::icuDefaultLocale(), QStringLiteral("en_US"));
}

TEST(IcuTextTest, LocalizedStandardOrdersNumbersByValueAndIgnoresCase)
{
    QStringList names = {QStringLiteral("file10"), QStringLiteral("File2"), QStringLiteral("file1"),
                         QStringLiteral("\u00e9t\u00e9"), QStringLiteral("zeta"), QStringLiteral("Alpha")};
    const auto& collator = plat::Collator::localizedStandard();
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    EXPECT_EQ(names, (QStringList{QStringLiteral("Alpha"), QStringLiteral("\u00e9t\u00e9"), QStringLiteral("file1"),
                                  QStringLiteral("File2"), QStringLiteral("file10"), QStringLiteral("zeta")}));
    EXPECT_EQ(collator.compare(QStringLiteral("README"), QStringLiteral("readme")), 0);
    EXPECT_NE(collator.compare(QStringLiteral("resume"), QStringLiteral("r\u00e9sum\u00e9")), 0);
}

TEST(IcuTextTest, PrimaryStrengthIgnoresCaseAndDiacritics)
{
    const auto& collator = plat::Collator::caseAndDiacriticInsensitive();
    EXPECT_EQ(collator.compare(QStringLiteral("RESUME"), QStringLiteral("r\u00e9sum\u00e9")), 0);
    EXPECT_LT(collator.compare(QStringLiteral("a"), QStringLiteral("B")), 0);
}

TEST(IcuTextTest, CollatorCanBeSharedBetweenThreads)
{
    const auto& collator = plat::Collator::localizedStandard();
    std::atomic<int> wrong{0};
    QList<QThread*> threads;
    for (int t = 0; t < 4; ++t) {
        threads.append(QThread::create([&] {
            for (int i = 0; i < 2000; ++i) {
                if (collator.compare(QStringLiteral("file2"), QStringLiteral("file10")) >= 0)
                    ++wrong;
            }
        }));
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    EXPECT_EQ(wrong.load(), 0);
}

TEST(IcuTextTest, SortDescriptorComparesByItsKind)
{
    using C = plat::SortDescriptor::Comparison;
    const plat::SortDescriptor literal{QStringLiteral("name"), true, C::Literal};
    const plat::SortDescriptor standard{QStringLiteral("name"), true, C::LocalizedStandard};
    const plat::SortDescriptor byDefault{QStringLiteral("name"), true, C::Default};
    const plat::SortDescriptor descending{QStringLiteral("name"), false, C::LocalizedStandard};

    EXPECT_GT(literal.compare(QStringLiteral("file2"), QStringLiteral("file10")), 0);
    EXPECT_LT(literal.compare(QStringLiteral("B"), QStringLiteral("a")), 0);
    EXPECT_LT(standard.compare(QStringLiteral("file2"), QStringLiteral("file10")), 0);
    EXPECT_GT(standard.compare(QStringLiteral("B"), QStringLiteral("a")), 0);
    EXPECT_GT(descending.compare(QStringLiteral("file2"), QStringLiteral("file10")), 0);
    EXPECT_EQ(byDefault.compare(QStringLiteral("caf\u00e9"), QStringLiteral("cafe\u0301")), 0);
    EXPECT_NE(literal.compare(QStringLiteral("caf\u00e9"), QStringLiteral("cafe\u0301")), 0);
}

TEST(IcuTextTest, NumberFormatsGroupAndRound)
{
    const plat::NumberFormat pattern(QStringLiteral("#,##0.##"));
    EXPECT_EQ(pattern.format(1234567.891), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(pattern.format(qint64(1000)), QStringLiteral("1,000"));
    EXPECT_EQ(pattern.format(0.5), QStringLiteral("0.5"));
    const plat::NumberFormat decimal;
    EXPECT_EQ(decimal.format(qint64(1023)), QStringLiteral("1,023"));
    EXPECT_EQ(decimal.format(qint64(-5000000)), QStringLiteral("-5,000,000"));
}

TEST(IcuTextTest, DatePatternsOfTheUser)
{
    const QDateTime date(QDate(2023, 12, 31), QTime(23, 5, 9), Qt::UTC);
    EXPECT_EQ(plat::DateFormat(QStringLiteral("dd/MM/yy HH:mm:ss")).format(date), QStringLiteral("31/12/23 23:05:09"));
    EXPECT_EQ(plat::DateFormat(QStringLiteral("EEE, d MMM yyyy h:mm a")).format(date), QStringLiteral("Sun, 31 Dec 2023 11:05 PM"));
    EXPECT_EQ(plat::DateFormat(QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("Europe/Warsaw")).format(date),
              QStringLiteral("2024-01-01 00:05"));
    EXPECT_TRUE(plat::DateFormat(QStringLiteral("yyyy")).format(QDateTime()).isNull());
}

TEST(IcuTextTest, DatesInALocaleICUDoesNotKnow)
{
    // A locale ICU cannot make (as LC_ALL may name) falls back to one it
    // can: the day period "B" crashed inside ICU with it.
    const QDateTime date(QDate(2023, 12, 31), QTime(23, 5, 9), Qt::UTC);
    const QString pattern = QStringLiteral("B h:mm yyyy");
    const QString fixed = plat::DateFormat(pattern, QStringLiteral("UTC"), QStringLiteral("en_US_POSIX")).format(date);
    EXPECT_TRUE(fixed.endsWith(QStringLiteral(" 11:05 2023"))) << fixed.toStdString();
    for (const char* locale : {"abcdefghijklm", "en_abcdefghijklmnopqrstuvwxyz"}) {
        SCOPED_TRACE(locale);
        const plat::DateFormat format(pattern, QStringLiteral("UTC"), QString::fromLatin1(locale));
        EXPECT_EQ(format.format(date), fixed);
    }
}

TEST(IcuTextTest, LongRunsOfDigitsAreNoDate)
{
    // ICU scales a parsed fraction of a second by a 32-bit power of ten per
    // digit: from 35 digits on the power wraps to 0 and parsing divides by
    // it. No date text has such a run of digits.
    const plat::DateFormat fraction(QStringLiteral("ss.SSS"), QStringLiteral("UTC"), QStringLiteral("en_US_POSIX"));
    EXPECT_EQ(fraction.parse(QStringLiteral("12.345")), QDateTime::fromMSecsSinceEpoch(12345, Qt::UTC));
    const QString arabicIndicZero(QChar(0x0660));
    const QString mathematicalZero = QString::fromUcs4(U"\U0001D7CE");
    for (const QString& zero : {QStringLiteral("0"), arabicIndicZero, mathematicalZero}) {
        SCOPED_TRACE(zero.toStdString());
        EXPECT_FALSE(fraction.parse(QStringLiteral("12.") + zero.repeated(40)).isValid());
        EXPECT_FALSE(fraction.parse(QStringLiteral("12.") + zero.repeated(19)).isValid());
    }
    const plat::DateFormat wide(QStringLiteral("s.") + QString(40, QLatin1Char('S')), QStringLiteral("UTC"), QStringLiteral("en_US_POSIX"));
    EXPECT_FALSE(wide.parse(QStringLiteral("5.") + QString(40, QLatin1Char('0'))).isValid());
    // Abutting fields make the longest runs dates have.
    const plat::DateFormat abutting(QStringLiteral("yyyyMMddHHmmssSSS"), QStringLiteral("UTC"), QStringLiteral("en_US_POSIX"));
    EXPECT_EQ(abutting.parse(QStringLiteral("20240131235959123")),
              QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59, 123), Qt::UTC));
}

TEST(IcuTextTest, DateParsingNeedsTheWholeText)
{
    const plat::DateFormat format(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"), QStringLiteral("UTC"), QStringLiteral("en_US_POSIX"));
    EXPECT_EQ(format.parse(QStringLiteral("20240101T000000Z")), QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(format.parse(QStringLiteral("20240101T000000Zjunk")).isValid());
    EXPECT_FALSE(format.parse(QStringLiteral("2024-01-01")).isValid());
    EXPECT_FALSE(format.parse(QString()).isValid());
}

TEST(IcuTextTest, RegularExpressionReplacesWithTemplates)
{
    const plat::RegularExpression swap(QStringLiteral("(\\w+)-(\\w+)"));
    ASSERT_TRUE(swap.isValid());
    EXPECT_EQ(swap.replaceAll(QStringLiteral("ab-cd x ef-gh"), QStringLiteral("$2_$1")), QStringLiteral("cd_ab x gh_ef"));
    EXPECT_EQ(swap.replaceAll(QStringLiteral("nothing"), QStringLiteral("$1")), QStringLiteral("nothing"));
    EXPECT_EQ(swap.firstMatch(QStringLiteral("  ab-cd")), (QStringList{QStringLiteral("ab-cd"), QStringLiteral("ab"), QStringLiteral("cd")}));

    const plat::RegularExpression upper(QStringLiteral("[\\p{Uppercase Letter}]"));
    EXPECT_EQ(upper.replaceAll(QStringLiteral("FSSize"), QStringLiteral(" $0"), 1), QStringLiteral("F S Size"));
}

TEST(IcuTextTest, RegularExpressionMatchingAndCase)
{
    const plat::RegularExpression sensitive(QStringLiteral("^img_\\d+\\.jpe?g$"));
    const plat::RegularExpression insensitive(QStringLiteral("^img_\\d+\\.jpe?g$"), plat::RegularExpression::CaseInsensitive);
    EXPECT_TRUE(sensitive.matches(QStringLiteral("img_12.jpg")));
    EXPECT_FALSE(sensitive.matches(QStringLiteral("IMG_12.JPG")));
    EXPECT_TRUE(insensitive.matches(QStringLiteral("IMG_12.JPG")));
    EXPECT_TRUE(plat::RegularExpression(QStringLiteral("b+")).contains(QStringLiteral("abbc")));
    EXPECT_FALSE(plat::RegularExpression(QStringLiteral("b+")).matches(QStringLiteral("abbc")));

    plat::Error error;
    const plat::RegularExpression broken(QStringLiteral("(unclosed"), 0, &error);
    EXPECT_FALSE(broken.isValid());
    EXPECT_TRUE(error.is(plat::kCocoaErrorDomain, 2048));
    EXPECT_FALSE(broken.matches(QStringLiteral("x")));
    EXPECT_EQ(broken.replaceAll(QStringLiteral("x"), QStringLiteral("y")), QStringLiteral("x"));
}
