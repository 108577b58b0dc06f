#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// What an item shows as its icon, as a value the GUI thread turns into a
// pixmap (and caches). Immutable once made, so items on any thread can hand
// it around; a shared placeholder is one descriptor compared by identity.
class MivIconDescriptor
{
public:
    MivIconDescriptor() = default;
    MivIconDescriptor(QString themeName, QString filePath = {}, QStringList badges = {})
        : m_themeName(std::move(themeName)), m_filePath(std::move(filePath)), m_badges(std::move(badges))
    {
    }

    static std::shared_ptr<const MivIconDescriptor> make(QString themeName, QString filePath = {}, QStringList badges = {})
    {
        return std::make_shared<const MivIconDescriptor>(std::move(themeName), std::move(filePath), std::move(badges));
    }

    // A theme or MIME icon name ("folder", "text-x-generic").
    const QString& themeName() const { return m_themeName; }
    // An image file to show instead of a theme icon (a preview, a plug-in's image).
    const QString& filePath() const { return m_filePath; }
    // Overlays drawn over the base image, bottom first (a link arrow, a status badge).
    const QStringList& badges() const { return m_badges; }

    bool operator==(const MivIconDescriptor& other) const = default;

private:
    QString m_themeName;
    QString m_filePath;
    QStringList m_badges;
};
