#include "app/settings/MivShortcutEntry.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

plat::ArchivedObject MivShortcutEntry::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    coder.encodeObject(QStringLiteral("label"), label);
    coder.encodeObject(QStringLiteral("keyCode"), QVariant(keyCode));
    coder.encodeObject(QStringLiteral("keyModifiers"), QVariant(keyModifiers));
    coder.encodeObject(QStringLiteral("defautKeyCode"), QVariant(defautKeyCode));
    coder.encodeObject(QStringLiteral("defautMod"), QVariant(defaultMod));
    return coder.object();
}

std::optional<MivShortcutEntry> MivShortcutEntry::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return std::nullopt;
    const plat::KeyedUnarchiver coder(object);
    const auto number = [&coder](const char* key) {
        return plat::KeyedUnarchiver::unsignedValue(coder.decodeObject(QString::fromLatin1(key))).value_or(0);
    };
    MivShortcutEntry entry;
    const QVariant label = coder.decodeObject(QStringLiteral("label"));
    if (label.metaType().id() == QMetaType::QString)
        entry.label = label.toString();
    entry.keyCode = number("keyCode");
    entry.keyModifiers = number("keyModifiers");
    entry.defautKeyCode = number("defautKeyCode");
    entry.defaultMod = number("defautMod");
    return entry;
}
