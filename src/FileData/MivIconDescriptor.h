#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

// What an item shows as its icon, as a value the GUI thread turns into a
// pixmap (and caches). Immutable once shared, so items on any thread can hand
// it around; a shared placeholder is one descriptor compared by identity.
//
// The setters exist for whoever makes a descriptor, before it is handed out
// as a MivIconDescriptorPtr (a pointer to const).
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
    // Tried in order when the theme lacks themeName (a MIME type's generic icon).
    const QStringList& fallbackThemeNames() const { return m_fallbackThemeNames; }
    void setFallbackThemeNames(QStringList names) { m_fallbackThemeNames = std::move(names); }
    // An image file to show instead of a theme icon (a preview, a plug-in's image).
    const QString& filePath() const { return m_filePath; }
    // An image of the program's own resources, by name without extension.
    const QString& resourceName() const { return m_resourceName; }
    void setResourceName(QString name) { m_resourceName = std::move(name); }
    // Overlays drawn over the base image, bottom first (a link arrow, a status badge).
    const QStringList& badges() const { return m_badges; }
    // Drawn in the current foreground colour, as monochrome toolbar icons are.
    bool isTemplate() const { return m_template; }
    void setTemplate(bool isTemplate) { m_template = isTemplate; }
    // The display size in points; invalid (the default) means the size the
    // view asks for.
    QSizeF size() const { return m_size; }
    void setSize(QSizeF size) { m_size = size; }
    // For an icon made by putting a badge on another icon: that icon (the
    // same object). Null for a plain icon.
    const MivIconDescriptorPtr& overlayBase() const { return m_overlayBase; }
    void setOverlayBase(MivIconDescriptorPtr base) { m_overlayBase = std::move(base); }

    bool operator==(const MivIconDescriptor& other) const = default;

private:
    QString m_themeName;
    QStringList m_fallbackThemeNames;
    QString m_filePath;
    QString m_resourceName;
    QStringList m_badges;
    bool m_template = false;
    QSizeF m_size;
    MivIconDescriptorPtr m_overlayBase;
};
