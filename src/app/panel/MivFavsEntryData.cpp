#include "app/panel/MivFavsEntryData.h"

#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

bool MivFavsEntryData::operator==(const MivFavsEntryData& other) const
{
    if (m_url.isEmpty() && !m_fileContext.isEmpty()) {
        const QVariant mine = m_fileContext.value(QStringLiteral("path"));
        const QVariant theirs = other.m_fileContext.value(QStringLiteral("path"));
        return mine.isValid() && theirs.isValid() && mine.toString() == theirs.toString();
    }
    return m_url == other.m_url;
}

plat::ArchivedObject MivFavsEntryData::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    if (!m_url.isEmpty())
        coder.encodeObject(QStringLiteral("URL"), m_url);
    coder.encodeObject(QStringLiteral("LABEL"), m_label);
    if (!m_fileContext.isEmpty())
        coder.encodeObject(QStringLiteral("CONTEXT"), m_fileContext);
    if (!m_pathKey.isNull())
        coder.encodeObject(QStringLiteral("PATHKEY"), m_pathKey);
    return coder.object();
}

std::optional<MivFavsEntryData> MivFavsEntryData::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return std::nullopt;
    const plat::KeyedUnarchiver coder(object);
    MivFavsEntryData entry;
    entry.m_url = coder.decodeObject(QStringLiteral("URL")).toUrl();
    entry.m_label = coder.decodeObject(QStringLiteral("LABEL")).toString();
    entry.m_fileContext = coder.decodeObject(QStringLiteral("CONTEXT")).toMap();
    const QVariant pathKey = coder.decodeObject(QStringLiteral("PATHKEY"));
    if (pathKey.metaType().id() == QMetaType::QString)
        entry.m_pathKey = pathKey.toString();
    return entry;
}
