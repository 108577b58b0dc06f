#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace plat {

class Error;

// A compiled regular expression in ICU syntax, with ICU's replacement
// templates ("$1", "$0", "\$"). One compiled expression may be used from
// several threads at once.
class RegularExpression
{
public:
    enum Option {
        NoOptions = 0,
        CaseInsensitive = 1,       // "[c]": case folded on both sides
        DiacriticInsensitive = 2,  // "[d]": diacritics stripped from the pattern and from every text
    };

    // An invalid pattern gives an invalid expression and, when asked, an
    // error in "NSCocoaErrorDomain" with code 2048 (invalid pattern).
    explicit RegularExpression(const QString& pattern, int options = NoOptions, Error* error = nullptr);
    ~RegularExpression();
    RegularExpression(const RegularExpression&) = delete;
    RegularExpression& operator=(const RegularExpression&) = delete;

    // The expression text of a wildcard pattern, anchored at both ends: "?"
    // matches one character, "*" any run of characters (shortest first);
    // every other character stands for itself.
    static QString patternForWildcard(const QString& wildcard);
    // The text with every character that the syntax gives a meaning
    // escaped, so that as a pattern it matches itself literally.
    static QString escapedPattern(const QString& text);
    // The text with its diacritics removed ("é" → "e", "Å" → "A"): what the
    // "[d]" comparisons see of a text.
    static QString strippingDiacritics(const QString& text);

    bool isValid() const;
    QString pattern() const;

    // With DiacriticInsensitive the texts below are compared stripped of
    // their diacritics (groups of firstMatch come from the stripped text).

    // YES when the expression matches the whole text.
    bool matches(const QString& text) const;
    // YES when the expression matches somewhere in the text.
    bool contains(const QString& text) const;
    // The groups of the first match (index 0 the whole match); empty when
    // there is none. A group that took part in no match is a null text.
    QStringList firstMatch(const QString& text) const;

    // Every match at or after `from` replaced by the template; the text
    // before `from` is kept as it is. The text itself when nothing matches
    // or the expression is invalid.
    QString replaceAll(const QString& text, const QString& replacementTemplate, qsizetype from = 0) const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace plat
