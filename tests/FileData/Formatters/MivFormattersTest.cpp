#include "FileData/Formatters/MivBytesFileSizeFormatter.h"
#include "FileData/Formatters/MivDateFormatter.h"
#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/Formatters/MivFormatterSettings.h"
#include "FileData/Formatters/MivPermsFormatter.h"
#include "FileData/Formatters/MivSizeFormatter.h"

#include "support/FakePropertiesProvider.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class MivFormattersTest : public ::testing::Test
{
protected:
    void TearDown() override { m_provider.reset(); }

    void use(const MivFormatterSettings& settings)
    {
        auto provider = std::make_shared<mivtest::FakePropertiesProvider>();
        provider->fileSizeCalculationFormatValue = settings.fileSizeCalculationFormat;
        provider->sizeDisplayFormatValue = settings.sizeDisplayFormat;
        provider->dateFormatValue = settings.dateFormat;
        provider->permissionFormatValue = settings.permissionFormat;
        m_provider.reset();
        m_provider = std::make_unique<mivtest::ScopedPropertiesProvider>(provider);
    }

    void useFactor(qint64 factor)
    {
        MivFormatterSettings settings;
        settings.fileSizeCalculationFormat = factor;
        use(settings);
    }

private:
    std::unique_ptr<mivtest::ScopedPropertiesProvider> m_provider;
};

constexpr qint64 K = 1024;
constexpr qint64 M = K * K;
constexpr qint64 G = M * K;

} // namespace

TEST_F(MivFormattersTest, SizeTextsAroundEveryThreshold)
{
    struct Case
    {
        qint64 size;
        qint64 format;
        quint64 factor;
        const char* text;
    };
    const Case cases[] = {
        // The default format: two decimals below 100 units, whole above.
        {0, 4, 1024, "0"},
        {999, 4, 1024, "999"},
        {1000, 4, 1024, "1,000"},
        {1023, 4, 1024, "1,023"},
        {1024, 4, 1024, "1.00 K"},
        {1536, 4, 1024, "1.50 K"},
        {100 * K - 1, 4, 1024, "100.00 K"},
        {100 * K, 4, 1024, "100 K"},
        {M - 1, 4, 1024, "1,024 K"},
        {M, 4, 1024, "1.00 M"},
        {100 * M - 1, 4, 1024, "100.00 M"},
        {100 * M, 4, 1024, "100 M"},
        {G - 1, 4, 1024, "1,024 M"},
        {G, 4, 1024, "1.00 G"},
        {100 * G, 4, 1024, "100 G"},
        {5000 * G, 4, 1024, "5,000 G"},
        {999, 4, 1000, "999"},
        {1000, 4, 1000, "1.00 K"},
        {1023, 4, 1000, "1.02 K"},
        {1024, 4, 1000, "1.02 K"},
        {999999, 4, 1000, "1,000 K"},
        {1000000, 4, 1000, "1.00 M"},
        {1000000000, 4, 1000, "1.00 G"},
        {1536, 0, 1024, "1.50 K"},
        {1536, 17, 1024, "1.50 K"},
        // Exact bytes.
        {M, 1, 1024, "1,048,576"},
        {5 * G, 1, 1000, "5,368,709,120"},
        // Whole K always.
        {1024, 2, 1024, "1 K"},
        {1023, 2, 1024, "1,023"},
        {1536, 2, 1024, "2 K"},
        {5 * G, 2, 1024, "5,242,880 K"},
        // K below F², M below F³, then G.
        {999999, 3, 1000, "1,000 K"},
        {1000000, 3, 1000, "1 M"},
        {100000000 - 1, 3, 1000, "100 M"},
        {100000000, 3, 1000, "100 M"},
        {1000000000 - 1, 3, 1000, "1,000 M"},
        {1000000000, 3, 1000, "1 G"},
        {100000000000, 3, 1000, "100 G"},
        {1024, 3, 1024, "1 K"},
        // Never G.
        {5 * G, 5, 1024, "5,120 M"},
        {M - 1, 5, 1024, "1,024 K"},
        {M, 5, 1024, "1 M"},
        {100 * M, 5, 1024, "100 M"},
        {1000, 5, 1000, "1 K"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " format " << c.format << " factor " << c.factor);
        EXPECT_EQ(MivFileSizeFormatter::convertSize(c.size, c.format, c.factor), QString::fromUtf8(c.text));
    }
}

TEST_F(MivFormattersTest, ConvertSizeTakesTheFactorOfTheSettings)
{
    useFactor(1000);
    EXPECT_EQ(MivFileSizeFormatter::currentFactor(), 1000u);
    EXPECT_EQ(MivFileSizeFormatter::convertSize(1000, 4), QStringLiteral("1.00 K"));
    useFactor(1024);
    EXPECT_EQ(MivFileSizeFormatter::convertSize(1000, 4), QStringLiteral("1,000"));
    // A source that answers nothing usable must not divide by zero.
    useFactor(0);
    EXPECT_EQ(MivFileSizeFormatter::convertSize(2048, 4), QStringLiteral("2.00 K"));
}

TEST_F(MivFormattersTest, FactorsWhoseCubeOverflowsFallBackToTheDefault)
{
    // From 2^22 on the cube of the factor wraps to 0 in 64 bits: one decimal
    // sizes divided by it.
    for (const qint64 factor : {qint64(2642246), qint64(1) << 22, qint64(1) << 40, std::numeric_limits<qint64>::max()}) {
        SCOPED_TRACE(factor);
        useFactor(factor);
        EXPECT_EQ(MivFileSizeFormatter::currentFactor(), 1024u);
        EXPECT_EQ(MivSizeFormatter::sharedInstance().fileSize(5 * quint64(G)), QStringLiteral("5 GB"));
        EXPECT_EQ(MivFileSizeFormatter::convertSize(2048, 4), QStringLiteral("2.00 K"));
    }
    // The largest factor whose cube still fits is taken as it is.
    useFactor(2642245);
    EXPECT_EQ(MivFileSizeFormatter::currentFactor(), 2642245u);
    EXPECT_EQ(MivSizeFormatter::sharedInstance().fileSize(2642245u * 3), QStringLiteral("3 KB"));
}

TEST_F(MivFormattersTest, CalculateSizeRoundsToTwoDecimals)
{
    EXPECT_DOUBLE_EQ(MivFileSizeFormatter::calculateSize(1536, 1024), 1.5);
    EXPECT_DOUBLE_EQ(MivFileSizeFormatter::calculateSize(1023, 1000), 1.02);
    EXPECT_DOUBLE_EQ(MivFileSizeFormatter::calculateSize(1026, 1000), 1.03);
}

TEST_F(MivFormattersTest, SizeMarkersAndNonNumbers)
{
    MivFileSizeFormatter formatter;
    struct Case
    {
        qint64 size;
        const char* text;
    };
    const Case cases[] = {{-1, ""}, {-2, "---"}, {-50, ""}, {-98, "<LNK>"}, {-99, "<DIR>"}, {-100, "--"}, {-101, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        const QString text = formatter.stringForObjectValue(QVariant::fromValue(c.size));
        EXPECT_EQ(text, QString::fromUtf8(c.text));
        EXPECT_FALSE(text.isNull());
    }
    EXPECT_TRUE(formatter.stringForObjectValue(QVariant(QStringLiteral("12"))).isNull());
    EXPECT_TRUE(formatter.stringForObjectValue(QVariant()).isNull());
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(1536)), QStringLiteral("1.50 K"));
}

TEST_F(MivFormattersTest, FormattersKeepTheirSettingsUntilReinit)
{
    MivFormatterSettings settings;
    settings.sizeDisplayFormat = 1;
    settings.fileSizeCalculationFormat = 1000;
    use(settings);
    MivFileSizeFormatter formatter;
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(2000)), QStringLiteral("2,000"));
    settings.sizeDisplayFormat = 4;
    use(settings);
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(2000)), QStringLiteral("2,000"));
    formatter.reinit();
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(2000)), QStringLiteral("2.00 K"));
}

TEST_F(MivFormattersTest, BytesFormatterShowsBytesWhateverTheSettingsSay)
{
    MivFormatterSettings settings;
    settings.sizeDisplayFormat = 3;
    use(settings);
    MivBytesFileSizeFormatter formatter;
    EXPECT_EQ(formatter.displayFormat(), 1);
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(5 * G)), QStringLiteral("5,368,709,120"));
    formatter.reinit();
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(5 * G)), QStringLiteral("5,368,709,120"));
    EXPECT_EQ(formatter.stringForObjectValue(QVariant(qint64(-99))), QStringLiteral("<DIR>"));
}

TEST_F(MivFormattersTest, OneDecimalSizes)
{
    auto& formatter = MivSizeFormatter::sharedInstance();
    struct Case
    {
        quint64 size;
        qint64 factor;
        bool allowBytes;
        const char* text;
        int unit;
    };
    const Case cases[] = {
        {0, 1024, true, "0 bytes", 0},
        {1000, 1024, true, "1000 bytes", 0},
        {1023, 1024, true, "1023 bytes", 0},
        {1024, 1024, true, "1 KB", 1},
        {1536, 1024, true, "1.5 KB", 1},
        {500, 1024, false, "0.4 KB", 1},
        {0, 1024, false, "0 KB", 1},
        {quint64(M - 1), 1024, true, "1023.9 KB", 1},
        {quint64(M), 1024, true, "1 MB", 2},
        {quint64(G), 1024, true, "1 GB", 3},
        {quint64(5 * G + G / 2), 1024, true, "5.5 GB", 3},
        {quint64(3000 * G), 1024, true, "3000 GB", 3},
        {999, 1000, true, "999 bytes", 0},
        {1000, 1000, true, "1 KB", 1},
        {1999999, 1000, true, "1.9 MB", 2},
        // The tenths digit truncates: a remainder just below the next unit
        // is ".9", never a tenth of ten.
        {4294967295u, 1024, true, "3.9 GB", 3},
        {2147483647u, 1024, true, "1.9 GB", 3},
        {quint64(G - 1), 1024, true, "1023.9 MB", 2},
        {~quint64(0), 1024, true, "17179869183.9 GB", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " factor " << c.factor);
        useFactor(c.factor);
        EXPECT_EQ(formatter.fileSize(c.size, c.allowBytes), QString::fromUtf8(c.text));
        int unit = -1;
        formatter.fileSize(c.size, &unit, c.allowBytes);
        EXPECT_EQ(unit, c.unit);
    }
    useFactor(1024);
    EXPECT_EQ(formatter.fileSize(1536), QStringLiteral("1.5 KB"));
    EXPECT_EQ(formatter.fileSizeInBytes(1234567), QStringLiteral("1,234,567 bytes"));
    EXPECT_EQ(formatter.numberString(1234.567), QStringLiteral("1,234.57"));
    EXPECT_EQ(formatter.sizeString(640, 480.25), QStringLiteral("640 x 480.25"));
    EXPECT_EQ(formatter.stringForUnit(2), QStringLiteral("MB"));
    EXPECT_EQ(formatter.stringForUnit(4), QString());
}

TEST_F(MivFormattersTest, PermissionTexts)
{
    const PermsData folder(0755, true, QString());
    const PermsData link(0777, false, QStringLiteral("/target"));
    const PermsData setuid(04755, false, QString());
    const PermsData none(0, false, QString());
    EXPECT_EQ(MivPermsFormatter::formatPerms(folder, 1), QStringLiteral("drwxr-xr-x (755)"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(folder, 2), QStringLiteral("drwxr-xr-x"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(folder, 0), QStringLiteral("755"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(link, 2), QStringLiteral("lrwxrwxrwx"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(setuid, 1), QStringLiteral("-rwxr-xr-x (755)"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(setuid, 3), QStringLiteral("755"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(none, 1), QStringLiteral("---------- (000)"));
    EXPECT_EQ(MivPermsFormatter::formatPerms(PermsData(0640, false, QString()), 2), QStringLiteral("-rw-r-----"));
}

TEST_F(MivFormattersTest, PermissionTextIsCachedInTheRecord)
{
    EXPECT_EQ(MivPermsFormatter::processPerms(nullptr, 1), QStringLiteral("---"));

    PermsData withoutMode(std::nullopt, true, QString());
    EXPECT_EQ(MivPermsFormatter::processPerms(&withoutMode, 1), QStringLiteral("---"));
    EXPECT_TRUE(withoutMode.stringRep().isEmpty());

    auto perms = std::make_shared<PermsData>(0644, false, QString());
    EXPECT_EQ(MivPermsFormatter::processPerms(perms.get(), 2), QStringLiteral("-rw-r--r--"));
    EXPECT_EQ(MivPermsFormatter::processPerms(perms.get(), 0), QStringLiteral("-rw-r--r--"));
    EXPECT_TRUE(perms->copy()->stringRep().isEmpty());

    MivFormatterSettings settings;
    settings.permissionFormat = 0;
    use(settings);
    MivPermsFormatter formatter;
    EXPECT_EQ(formatter.stringForObjectValue(QVariant::fromValue(std::make_shared<PermsData>(0700, true, QString()))),
              QStringLiteral("700"));
    EXPECT_TRUE(formatter.stringForObjectValue(QVariant(0700)).isNull());
    EXPECT_EQ(MivPermsFormatter::processPermissions(std::make_shared<PermsData>(0711, false, QString()).get()),
              QStringLiteral("711"));
}

TEST_F(MivFormattersTest, PermsSnapshotsOrderByMode)
{
    const PermsData none(std::nullopt, false, QString());
    const PermsData alsoNone(std::nullopt, true, QString());
    const PermsData low(0644, false, QString());
    const PermsData high(0755, false, QString());
    EXPECT_TRUE(none.compare(low) < 0);
    EXPECT_TRUE(low.compare(none) > 0);
    EXPECT_TRUE(none.compare(alsoNone) == 0);
    EXPECT_TRUE(low.compare(high) < 0);
    EXPECT_TRUE(high.compare(low) > 0);
    EXPECT_TRUE(low.compare(low) == 0);
}

TEST_F(MivFormattersTest, DatesInTheUserPattern)
{
    const QDateTime date(QDate(2024, 2, 29), QTime(0, 7, 3), Qt::UTC);
    MivDateFormatter formatter;
    EXPECT_EQ(formatter.format(), QStringLiteral("dd/MM/yy HH:mm:ss"));
    EXPECT_EQ(formatter.stringForObjectValue(date), QStringLiteral("29/02/24 00:07:03"));
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("29/02/24 00:07:03"));
    EXPECT_TRUE(formatter.stringForObjectValue(QVariant(QStringLiteral("2024"))).isNull());

    MivFormatterSettings settings;
    settings.dateFormat = QStringLiteral("EEE, d MMM yyyy h:mm a");
    use(settings);
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("29/02/24 00:07:03"));
    formatter.reinit();
    EXPECT_EQ(formatter.stringFromDate(date), QStringLiteral("Thu, 29 Feb 2024 12:07 AM"));
}
