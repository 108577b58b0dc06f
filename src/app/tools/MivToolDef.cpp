#include "app/tools/MivToolDef.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

plat::ArchivedObject MivToolParamDef::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    coder.encodeObject(QStringLiteral("paramValue"), paramValue);
    return coder.object();
}

std::optional<MivToolParamDef> MivToolParamDef::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return std::nullopt;
    const plat::KeyedUnarchiver coder(object);
    const QVariant value = coder.decodeObject(QStringLiteral("paramValue"));
    MivToolParamDef param;
    if (value.metaType().id() == QMetaType::QString)
        param.paramValue = value.toString();
    return param;
}

plat::ArchivedObject MivToolShortcut::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    coder.encodeInt64(QStringLiteral("KeyCode"), keyCode);
    coder.encodeObject(QStringLiteral("ModifierFlags"), QVariant(modifierFlags));
    return coder.object();
}

std::optional<MivToolShortcut> MivToolShortcut::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return std::nullopt;
    const plat::KeyedUnarchiver coder(object);
    MivToolShortcut shortcut;
    shortcut.keyCode = coder.containsValueForKey(QStringLiteral("KeyCode")) ? coder.decodeInt64(QStringLiteral("KeyCode")) : -1;
    if (shortcut.keyCode < 0)
        return std::nullopt;
    shortcut.modifierFlags = plat::KeyedUnarchiver::unsignedValue(coder.decodeObject(QStringLiteral("ModifierFlags"))).value_or(0);
    return shortcut;
}

plat::ArchivedObject MivToolDef::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    coder.encodeObject(QStringLiteral("name"), name);
    coder.encodeObject(QStringLiteral("path"), path);
    coder.encodeObject(QStringLiteral("iconPath"), iconPath);
    if (params) {
        QVariantList list;
        for (const MivToolParamDef& param : *params)
            list.append(QVariant::fromValue(param.encodeWithCoder()));
        coder.encodeObject(QStringLiteral("params"), list);
    } else {
        coder.encodeObject(QStringLiteral("params"), QVariant());
    }
    coder.encodeObject(QStringLiteral("shortcut"), shortcut ? QVariant::fromValue(shortcut->encodeWithCoder()) : QVariant());
    coder.encodeInt32(QStringLiteral("runAsOption"), runAsOption);
    return coder.object();
}

std::optional<MivToolDef> MivToolDef::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return std::nullopt;
    const plat::KeyedUnarchiver coder(object);
    const auto string = [&coder](const char* key) {
        const QVariant value = coder.decodeObject(QString::fromLatin1(key));
        return value.metaType().id() == QMetaType::QString ? value.toString() : QString();
    };
    MivToolDef tool;
    tool.name = string("name");
    tool.path = string("path");
    tool.iconPath = string("iconPath");
    const QVariant params = coder.decodeObject(QStringLiteral("params"));
    if (params.metaType().id() == QMetaType::QVariantList) {
        tool.params = QList<MivToolParamDef>();
        for (const QVariant& item : params.toList()) {
            if (item.metaType() != QMetaType::fromType<plat::ArchivedObject>())
                continue;
            if (auto param = MivToolParamDef::initWithCoder(item.value<plat::ArchivedObject>()))
                tool.params->append(*param);
        }
    } else {
        tool.params.reset();
    }
    if (auto shortcut = coder.decodeObjectOfClass(QStringLiteral("shortcut"), QString::fromLatin1(MivToolShortcut::kClassName)))
        tool.shortcut = MivToolShortcut::initWithCoder(*shortcut);
    tool.runAsOption = coder.decodeInt32(QStringLiteral("runAsOption"));
    return tool;
}
