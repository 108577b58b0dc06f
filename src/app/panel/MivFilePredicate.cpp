#include "app/panel/MivFilePredicate.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileDataKeys.h"
#include "platform/Error.h"
#include "platform/RegularExpression.h"

MivFilePredicate::MivFilePredicate(const QString& field, Operator op, const QString& operand, int options,
                                   std::unique_ptr<plat::RegularExpression> expression)
    : _field(field), _op(op), _operand(operand), _options(options), _expression(std::move(expression))
{
}

MivFilePredicate::~MivFilePredicate() = default;

std::shared_ptr<const MivFilePredicate> MivFilePredicate::create(const QString& field, Operator op,
                                                                 const QString& operand, int options,
                                                                 plat::Error* error)
{
    // Every operator runs on one expression engine, so "[c]" and "[d]" mean
    // the same for all of them: plain texts become escaped patterns.
    QString pattern;
    switch (op) {
    case Operator::Matches:
        pattern = operand;
        break;
    case Operator::Contains:
        pattern = plat::RegularExpression::escapedPattern(operand);
        break;
    case Operator::BeginsWith:
        pattern = QStringLiteral("^") + plat::RegularExpression::escapedPattern(operand);
        break;
    case Operator::EndsWith:
        pattern = plat::RegularExpression::escapedPattern(operand) + QStringLiteral("\\z");
        break;
    }
    int regexOptions = 0;
    if (options & CaseInsensitive)
        regexOptions |= plat::RegularExpression::CaseInsensitive;
    if (options & DiacriticInsensitive)
        regexOptions |= plat::RegularExpression::DiacriticInsensitive;
    auto expression = std::make_unique<plat::RegularExpression>(pattern, regexOptions, error);
    if (!expression->isValid())
        return nullptr;
    return std::make_shared<const MivFilePredicate>(field, op, operand, options, std::move(expression));
}

bool MivFilePredicate::evaluate(const QString& value) const
{
    if (_op == Operator::Matches)
        return _expression->matches(value);
    return _expression->contains(value);
}

bool MivFilePredicate::evaluate(const MivFileData& item) const
{
    const MivFileDataKeys::Entry* entry = MivFileDataKeys::entryForKey(_field);
    if (!entry || entry->kind != MivFileDataKeys::ValueKind::Text)
        return false;
    return evaluate(entry->text(item));
}
