// Size texts: any size with any unit factor from settings gives a number
// with at most one decimal digit and a unit, never a division by zero. The
// settings come from the tests' fake provider.

#include "FuzzSupport.h"

#include "FileData/Formatters/MivFileSizeFormatter.h"
#include "FileData/Formatters/MivSizeFormatter.h"

#include "support/FakePropertiesProvider.h"

#include <QRegularExpression>

#include <cstring>

namespace {

// The settings the formatters read, changed by every input.
mivtest::FakePropertiesProvider& settings()
{
    static const auto provider = [] {
        auto made = std::make_shared<mivtest::FakePropertiesProvider>();
        MivFileDataHelpers::registerFileDataPropertiesProvider(made);
        return made;
    }();
    return *provider;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::initialize();
    settings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 17)
        return 0;
    quint64 bytes = 0;
    qint64 factor = 0;
    std::memcpy(&bytes, data, 8);
    std::memcpy(&factor, data + 8, 8);
    const qint64 format = data[16] % 7;
    settings().fileSizeCalculationFormatValue = factor;

    static const QRegularExpression oneDecimal(QStringLiteral("^\\d+(\\.[1-9])?$"));
    int unit = -1;
    const QString number = MivSizeFormatter::sharedInstance().fileSize(bytes, &unit, data[16] & 0x80);
    FUZZ_CHECK(oneDecimal.match(number).hasMatch(), std::to_string(bytes), show(number));
    FUZZ_CHECK(unit >= 0 && unit <= 3, std::to_string(bytes), std::to_string(unit));

    // The display formats with a factor straight from settings.
    const QString text = MivFileSizeFormatter::convertSize(qint64(bytes >> 1), format, quint64(factor));
    FUZZ_CHECK(!text.isEmpty(), std::to_string(bytes), std::to_string(factor));
    return 0;
}
