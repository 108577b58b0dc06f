#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QString>

#include <memory>

class MivFileData;
namespace plat {
class Error;
class RegularExpression;
}

// A test of one text property of an item ("self.name") against a phrase,
// as the quick filter and the name-pattern lookups use it. Immutable, so one
// predicate is evaluated by many workers at once.
class MivFilePredicate
{
public:
    enum class Operator {
        Matches,     // the whole value matches a regular expression
        Contains,
        BeginsWith,
        EndsWith,
    };

    enum Option {
        NoOptions = 0,
        CaseInsensitive = 1,       // "[c]"
        DiacriticInsensitive = 2,  // "[d]"
    };

    // Null, with the expression's error when asked, for a Matches operand
    // that is not a valid regular expression; plain texts are taken literally.
    static std::shared_ptr<const MivFilePredicate> create(const QString& field, Operator op, const QString& operand,
                                                          int options, plat::Error* error = nullptr);
    ~MivFilePredicate();

    bool evaluate(const MivFileData& item) const;
    bool evaluate(const QString& value) const;

    QString field() const { return _field; }
    Operator op() const { return _op; }
    QString operand() const { return _operand; }
    int options() const { return _options; }

    MivFilePredicate(const QString& field, Operator op, const QString& operand, int options,
                     std::unique_ptr<plat::RegularExpression> expression);

private:
    QString _field;
    Operator _op;
    QString _operand;
    int _options;
    std::unique_ptr<plat::RegularExpression> _expression;
};

using MivFilePredicatePtr = std::shared_ptr<const MivFilePredicate>;
