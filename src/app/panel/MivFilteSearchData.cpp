#include "app/panel/MivFilteSearchData.h"

#include "platform/Error.h"
#include "platform/RegularExpression.h"

#include <QHash>

bool MivFilteSearchData::isEqual(const MivFilteSearchData* other) const
{
    if (other == this)
        return true;
    if (!other || _phrase.isNull() || other->_phrase.isNull())
        return false;
    return _option == other->_option && _phrase == other->_phrase;
}

size_t MivFilteSearchData::hash() const
{
    return _phrase.isNull() ? std::hash<const void*>()(this) : qHash(_phrase);
}

QString MivFilteSearchData::wildcardPattern(const QString& phrase)
{
    return plat::RegularExpression::patternForWildcard(phrase);
}

MivFilePredicatePtr MivFilteSearchData::createPredicateForField(const QString& field, plat::Error* error) const
{
    if (_phrase.isEmpty())
        return nullptr;
    const int options = MivFilePredicate::CaseInsensitive | MivFilePredicate::DiacriticInsensitive;
    switch (_option) {
    case RegExpMatches:
        return MivFilePredicate::create(field, MivFilePredicate::Operator::Matches, _phrase, options, error);
    case Contains:
        return MivFilePredicate::create(field, MivFilePredicate::Operator::Contains, _phrase, options, error);
    case BeginsWith:
        return MivFilePredicate::create(field, MivFilePredicate::Operator::BeginsWith, _phrase, options, error);
    case WildcardMatches:
        return MivFilePredicate::create(field, MivFilePredicate::Operator::Matches, wildcardPattern(_phrase), options,
                                        error);
    case EndsWith:
        return MivFilePredicate::create(field, MivFilePredicate::Operator::EndsWith, _phrase, options, error);
    default:
        return nullptr;
    }
}

bool MivFilteSearchData::isRefused(plat::Error* error) const
{
    if (_option != RegExpMatches || _phrase.isEmpty())
        return false;
    const plat::RegularExpression expression(
        _phrase, plat::RegularExpression::CaseInsensitive | plat::RegularExpression::DiacriticInsensitive, error);
    return !expression.isValid();
}
