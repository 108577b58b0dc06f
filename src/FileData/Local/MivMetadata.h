#pragma once

#include <QMap>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

// The metadata of one local file as display-ready text, for the info
// inspector: for every attribute the file has, a readable name and a
// one-line value.
//
// The attributes keep the names the inspector knows ("kMDItemFSSize",
// "kMDItemFinderComment", ...) and are read from what Linux keeps about a
// file: one statx, the MIME type, the extended attributes user.xdg.comment,
// user.xdg.tags and user.mivo.label, and, for images, the pixel size from
// the image header (QImageReader reads the header only).
//
// The file is read on the first question and the result kept; one object
// serves one update of the inspector. Its lock makes concurrent first
// questions build once.
class MivMetadata
{
public:
    // What was read of the file: attribute names in display order and
    // their raw values (numbers, texts, dates, lists of texts).
    struct Item
    {
        QStringList names;
        QVariantMap values;
    };
    using ItemPtr = std::shared_ptr<const Item>;

    explicit MivMetadata(const QString& path);

    static std::shared_ptr<MivMetadata> metadataForPath(const QString& path);
    // Reads the file at the path (a leading tilde expanded, links
    // followed); null for an empty path or a file that cannot be read.
    static ItemPtr createItem(const QString& path);

    // The three collections, built on first use; nothing when the file has
    // no metadata (they are then tried again on the next question).
    std::optional<QStringList> attributes();
    std::optional<QMap<QString, QString>> attributeNames();
    std::optional<QMap<QString, QString>> valueStrings();
    void setAttributes(const std::optional<QStringList>& attributes);
    void setAttributeNames(const std::optional<QMap<QString, QString>>& attributeNames);
    void setValueStrings(const std::optional<QMap<QString, QString>>& valueStrings);

    // Made from the path on first use when there is none.
    ItemPtr itemRef();
    void setItemRef(const ItemPtr& itemRef);
    QString path() const;
    void setPath(const QString& path);

    static QString localizedAttributeName(const QString& attribute);
    // A null string where the value gives no text.
    static QString displayValue(const QVariant& value, const QString& attribute);

    QVariant valueForAttribute(const QString& attribute);
    QString displayValueForAttribute(const QString& attribute);

    // The comment is the extended attribute user.xdg.comment, which other
    // desktop tools read too; setting an empty comment removes it.
    QString finderComment() const;
    bool setFinderComment(const QString& comment);

    QSizeF pixelImageSize();
    QString pixelImageSizeString();
    QSizeF resolutionImageDPI();

private:
    void buildAttributesArrays();
    QSizeF sizeOf(const char* widthAttribute, const char* heightAttribute);

    mutable std::recursive_mutex _lock;
    QString _path;
    ItemPtr _itemRef;
    std::optional<QStringList> _attributes;
    std::optional<QMap<QString, QString>> _attributeNames;
    std::optional<QMap<QString, QString>> _valueStrings;
};
