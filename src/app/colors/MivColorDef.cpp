#include "app/colors/MivColorDef.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

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
