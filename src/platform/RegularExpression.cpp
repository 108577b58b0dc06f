#include "platform/RegularExpression.h"

#include "platform/Error.h"

#include <QCoreApplication>

#include "platform/IcuString.h"

#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>

namespace plat {

using icu_string::fromIcu;
using icu_string::toIcu;

struct RegularExpression::Impl
{
    QString pattern;
    bool stripDiacritics = false;
    // The pattern is immutable and shareable; each call makes its own matcher.
    std::unique_ptr<icu::RegexPattern> compiled;

    icu::UnicodeString subject(const QString& text) const
    {
        return toIcu(stripDiacritics ? RegularExpression::strippingDiacritics(text) : text);
    }

    std::unique_ptr<icu::RegexMatcher> matcher(const icu::UnicodeString& input) const
    {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> result(compiled->matcher(input, status));
        if (U_FAILURE(status))
            return nullptr;
        return result;
    }
};

RegularExpression::RegularExpression(const QString& pattern, int options, Error* error) : d(std::make_unique<Impl>())
{
    d->pattern = pattern;
    d->stripDiacritics = (options & DiacriticInsensitive) != 0;
    uint32_t flags = 0;
    if (options & CaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    d->compiled.reset(icu::RegexPattern::compile(d->subject(pattern), flags, parseError, status));
    if (U_FAILURE(status)) {
        d->compiled.reset();
        Error::assign(error, Error(QLatin1String(kCocoaErrorDomain), 2048,
                                   QCoreApplication::translate("RegularExpression", "The value \u201c%1\u201d is invalid.").arg(pattern)));
    }
}

RegularExpression::~RegularExpression() = default;

QString RegularExpression::patternForWildcard(const QString& wildcard)
{
    QString pattern;
    pattern.reserve(wildcard.size() * 2 + 2);
    pattern += u'^';
    for (const QChar c : wildcard) {
        if (c == u'?')
            pattern += u'.';
        else if (c == u'*')
            pattern += QLatin1String(".*?");
        else if (c.isLetterOrNumber() || c.isSurrogate())
            pattern += c;
        else if (c == u'\n')
            pattern += QLatin1String("\\n");
        else
            // ICU takes a backslash before any character that is not a letter
            // or digit as that character itself.
            pattern += u'\\', pattern += c;
    }
    pattern += u'$';
    return pattern;
}

QString RegularExpression::escapedPattern(const QString& text)
{
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}/-#&~");
    QString result;
    result.reserve(text.size() * 2);
    for (const QChar c : text) {
        if (special.contains(c))
            result.append(QLatin1Char('\\'));
        result.append(c);
    }
    return result;
}

QString RegularExpression::strippingDiacritics(const QString& text)
{
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return text;
    const icu::UnicodeString decomposed = nfd->normalize(toIcu(text), status);
    if (U_FAILURE(status))
        return text;
    icu::UnicodeString bare;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            bare.append(c);
        i += U16_LENGTH(c);
    }
    const icu::UnicodeString composed = nfc->normalize(bare, status);
    return U_FAILURE(status) ? text : fromIcu(composed);
}

bool RegularExpression::isValid() const
{
    return d->compiled != nullptr;
}

QString RegularExpression::pattern() const
{
    return d->pattern;
}

bool RegularExpression::matches(const QString& text) const
{
    if (!d->compiled)
        return false;
    const icu::UnicodeString input = d->subject(text);
    auto matcher = d->matcher(input);
    UErrorCode status = U_ZERO_ERROR;
    return matcher && matcher->matches(status) && U_SUCCESS(status);
}

bool RegularExpression::contains(const QString& text) const
{
    if (!d->compiled)
        return false;
    const icu::UnicodeString input = d->subject(text);
    auto matcher = d->matcher(input);
    return matcher && matcher->find();
}

QStringList RegularExpression::firstMatch(const QString& text) const
{
    if (!d->compiled)
        return {};
    const icu::UnicodeString input = d->subject(text);
    auto matcher = d->matcher(input);
    if (!matcher || !matcher->find())
        return {};
    QStringList groups;
    for (int32_t i = 0; i <= matcher->groupCount(); ++i) {
        UErrorCode status = U_ZERO_ERROR;
        if (matcher->start(i, status) < 0 || U_FAILURE(status))
            groups.append(QString());
        else
            groups.append(fromIcu(matcher->group(i, status)));
    }
    return groups;
}

QString RegularExpression::replaceAll(const QString& text, const QString& replacementTemplate, qsizetype from) const
{
    if (!d->compiled || from < 0 || from > text.size())
        return text;
    const icu::UnicodeString input = toIcu(text);
    auto matcher = d->matcher(input);
    if (!matcher)
        return text;
    UErrorCode status = U_ZERO_ERROR;
    matcher->region(int32_t(from), input.length(), status);
    const icu::UnicodeString replacement = toIcu(replacementTemplate);
    icu::UnicodeString result;
    bool replaced = false;
    while (U_SUCCESS(status) && matcher->find()) {
        matcher->appendReplacement(result, replacement, status);
        replaced = true;
    }
    if (U_FAILURE(status) || !replaced)
        return text;
    matcher->appendTail(result);
    return fromIcu(result);
}

} // namespace plat
