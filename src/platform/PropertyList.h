#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

namespace plat {

// Plain property lists that come from outside (binary or XML), read through
// libplist into Qt values: dictionaries become QVariantMap, arrays
// QVariantList, integers qint64, reals double, dates UTC QDateTime, data
// QByteArray, UIDs qint64. Untrusted input: anything malformed, nested
// deeper than kMaxDepth or of a kind without a value gives nullopt.
class PropertyList
{
public:
    static constexpr int kMaxDepth = 256;

    static std::optional<QVariant> fromData(const QByteArray& data);

    // libplist aborts the process (an assertion) on a dictionary key that
    // holds U+0000. True for input that could carry such a text anywhere (a
    // string object with a NUL in a binary list, a raw NUL or a "&#0;"
    // reference in XML, or a binary list whose tables cannot be walked);
    // readers refuse it before the library sees it.
    static bool mayHoldNulText(const QByteArray& data);
};

} // namespace plat
