#pragma once

#include "app/panel/MivFilePredicate.h"

#include <QString>

#include <memory>

namespace plat {
class Error;
}

// One quick-filter request: a phrase and a filter mode (2000 to 2004). Two
// requests are equal when both have a phrase and they agree in phrase and
// mode; a request without a phrase equals only itself.
class MivFilteSearchData
{
public:
    enum FilterMode : int {
        RegExpMatches = 2000,     // the phrase is a regular expression for the whole name
        Contains = 2001,
        BeginsWith = 2002,
        WildcardMatches = 2003,   // "*" and "?" in the phrase
        EndsWith = 2004,
    };
    static constexpr int kDefaultOption = Contains;

    MivFilteSearchData() = default;
    MivFilteSearchData(const QString& phrase, int option) : _phrase(phrase), _option(option) {}

    QString phrase() const { return _phrase; }
    void setPhrase(const QString& phrase) { _phrase = phrase; }
    int option() const { return _option; }
    void setOption(int option) { _option = option; }

    bool isEqual(const MivFilteSearchData* other) const;
    size_t hash() const;

    // The predicate of this request on a field ("self.name"), comparing
    // case- and diacritic-insensitively; null when the phrase is null or
    // empty or the mode is unknown. A mode-2000 phrase that is not a valid
    // regular expression gives null too, with the error set: see isRefused().
    MivFilePredicatePtr createPredicateForField(const QString& field, plat::Error* error = nullptr) const;

    // YES for a request that must be refused rather than applied: its
    // phrase is not a valid regular expression in mode 2000. The panel then
    // keeps the filter in force and the list as it is, instead of treating
    // the request as "no filter".
    bool isRefused(plat::Error* error = nullptr) const;

    // The wildcard pattern of mode 2003 as a regular expression for the
    // whole name: metacharacters literal, "?" any one character, "*" any run.
    static QString wildcardPattern(const QString& phrase);

private:
    QString _phrase;
    int _option = kDefaultOption;
};

using MivFilteSearchDataPtr = std::shared_ptr<MivFilteSearchData>;
