#include "app/colors/MivColorDef.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

namespace {

std::shared_ptr<const plat::RegularExpression> compileWildcard(const QString& wildcard)
{
    return std::make_shared<const plat::RegularExpression>(plat::RegularExpression::patternForWildcard(wildcard),
                                                           plat::RegularExpression::CaseInsensitive);
}

} // namespace

void MivColorDef::calculatePattern()
{
    regexs.clear();
    if (!definition.isEmpty()) {
        // An empty piece could only match an empty name, which no file has.
        for (const QString& wildcard : definition.split(u',', Qt::SkipEmptyParts))
            regexs.append(compileWildcard(wildcard));
    }
    attrsRegex = attributes.isEmpty() ? nullptr : compileWildcard(attributes);
}

plat::ArchivedObject MivColorDef::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    coder.encodeObject(QStringLiteral("definition"), definition);
    coder.encodeObject(QStringLiteral("color"), color.isNull() ? QVariant() : QVariant::fromValue(color));
    if (!attributes.isNull())
        coder.encodeObject(QStringLiteral("attrs"), attributes);
    return coder.object();
}

std::optional<MivColorDef> MivColorDef::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return std::nullopt;
    const plat::KeyedUnarchiver coder(object);
    MivColorDef rule;
    const QVariant definition = coder.decodeObject(QStringLiteral("definition"));
    if (definition.metaType().id() == QMetaType::QString)
        rule.definition = definition.toString();
    const QVariant color = coder.decodeObject(QStringLiteral("color"));
    if (color.metaType() == QMetaType::fromType<plat::Color>())
        rule.color = color.value<plat::Color>();
    const QVariant attributes = coder.decodeObject(QStringLiteral("attrs"));
    if (attributes.metaType().id() == QMetaType::QString)
        rule.attributes = attributes.toString();
    return rule;
}
