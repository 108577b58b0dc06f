#include "FileData/Local/MivMetadata.h"

#include "FileData/Extensions/StringExtensions.h"
#include "FileData/Formatters/MivDateFormatter.h"
#include "FileData/Formatters/MivSizeFormatter.h"
#include "FileData/MivFileUtils.h"
#include "platform/ExtendedAttributes.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QMimeDatabase>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <exception>

namespace {

constexpr qsizetype kHeadBytes = 16384;
constexpr const char* kCommentAttribute = "user.xdg.comment";

QDateTime dateOf(const struct statx_timestamp& time)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000, Qt::UTC);
}

// An extended attribute of the file the path names (a link's target);
// null when absent. errno tells why when the answer is null.
QByteArray fileAttribute(const QString& path, const char* name)
{
    return plat::ExtendedAttributes::value(path, name, plat::ExtendedAttributes::Links::Follow);
}

QString expandedPath(const QString& path) { return plat::PathString::expandingTildeInPath(path); }

bool fileExists(const QString& path)
{
    struct stat info {};
    return !path.isEmpty() && plat::Path::isNameable(path) && ::stat(plat::Path::toNative(path).constData(), &info) == 0;
}

// The first bytes of a regular file, for the type and the image header.
QByteArray headOf(const QString& path) { return MivFileUtils::readFileHead(path, kHeadBytes); }

// Pixel size from the image header; QImageReader reads through our own
// descriptor, as it would mangle a byte name.
QSize imageSizeOf(const QString& path)
{
    const int fd = plat::Path::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return QSize();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QSize();
    }
    QImageReader reader(&file);
    return reader.size();
}

// Display names of the attributes this reader makes (what the platform's
// metadata schema gives).
const QHash<QString, QString>& schemaNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("kMDItemDisplayName"), QStringLiteral("Display Name")},
        {QStringLiteral("kMDItemFSName"), QStringLiteral("File Name")},
        {QStringLiteral("kMDItemKind"), QStringLiteral("Kind")},
        {QStringLiteral("kMDItemFSSize"), QStringLiteral("Size")},
        {QStringLiteral("kMDItemPhysicalSize"), QStringLiteral("Size on Disk")},
        {QStringLiteral("kMDItemFSCreationDate"), QStringLiteral("Created")},
        {QStringLiteral("kMDItemFSContentChangeDate"), QStringLiteral("Modified")},
        {QStringLiteral("kMDItemLastUsedDate"), QStringLiteral("Last Opened")},
        {QStringLiteral("kMDItemFSOwnerUserID"), QStringLiteral("Owner ID")},
        {QStringLiteral("kMDItemFSOwnerGroupID"), QStringLiteral("Group ID")},
        {QStringLiteral("kMDItemFSLabel"), QStringLiteral("Label")},
        {QStringLiteral("kMDItemUserTags"), QStringLiteral("Tags")},
        {QStringLiteral("kMDItemFinderComment"), QStringLiteral("Comment")},
        {QStringLiteral("kMDItemPixelWidth"), QStringLiteral("Pixel Width")},
        {QStringLiteral("kMDItemPixelHeight"), QStringLiteral("Pixel Height")},
    };
    return names;
}

const QHash<QString, QString>& fixedNames()
{
    static const QHash<QString, QString> names{
        {QStringLiteral("kMDItemFSTypeCode"), QStringLiteral("Type")},
        {QStringLiteral("kMDItemFSCreatorCode"), QStringLiteral("Creator")},
        {QStringLiteral("kMDItemAttributeChangeDate"), QStringLiteral("Attributes")},
        {QStringLiteral("kMDItemFSFinderFlags"), QStringLiteral("Finder Flags")},
        {QStringLiteral("kMDItemContentType"), QStringLiteral("Content Type")},
        {QStringLiteral("kMDItemContentTypeTree"), QStringLiteral("Content Tree")},
        {QStringLiteral("kMDItemID"), QStringLiteral("Item ID")},
    };
    return names;
}

// The platform's plain description of a value.
QString describe(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return value.toString();
}

// A list as the platform describes it: one element a line between
// parentheses (the line breaks go afterwards).
QString describeList(const QVariantList& values)
{
    QStringList lines;
    for (const QVariant& value : values)
        lines.append(QStringLiteral("    ") + describe(value));
    return QStringLiteral("(\n") + lines.join(QStringLiteral(",\n")) + QStringLiteral("\n)");
}

QString describeDictionary(const QVariantMap& values)
{
    QStringList lines;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        lines.append(QStringLiteral("\"%1\" = \"%2\";").arg(it.key(), describe(it.value())));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

MivMetadata::MivMetadata(const QString& path) : _path(path) {}

std::shared_ptr<MivMetadata> MivMetadata::metadataForPath(const QString& path) { return std::make_shared<MivMetadata>(path); }

MivMetadata::ItemPtr MivMetadata::createItem(const QString& rawPath)
{
    const QString path = expandedPath(rawPath);
    if (path.isEmpty() || !plat::Path::isNameable(path))
        return nullptr;
    const QByteArray native = plat::Path::toNative(path);
    struct statx info {};
    constexpr unsigned int mask = STATX_BASIC_STATS | STATX_BTIME;
    if (::statx(AT_FDCWD, native.constData(), AT_NO_AUTOMOUNT, mask, &info) != 0)
        return nullptr;

    auto item = std::make_shared<Item>();
    const auto add = [&item](const char* name, const QVariant& value) {
        if (value.isNull() || !value.isValid())
            return;
        item->names.append(QString::fromLatin1(name));
        item->values.insert(QString::fromLatin1(name), value);
    };
    const QString name = plat::PathString::lastPathComponent(path);
    const bool regular = S_ISREG(info.stx_mode);
    const bool folder = S_ISDIR(info.stx_mode);

    static const QMimeDatabase database;
    const QByteArray head = regular ? headOf(path) : QByteArray();
    const QMimeType mime = folder ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                                  : database.mimeTypeForFileNameAndData(name, head);

    add("kMDItemDisplayName", name);
    add("kMDItemFSName", name);
    if (mime.isValid()) {
        add("kMDItemKind", mime.comment());
        add("kMDItemContentType", mime.name());
        add("kMDItemContentTypeTree", QStringList{mime.name()} + mime.allAncestors());
    }
    if (!folder) {
        add("kMDItemFSSize", qint64(info.stx_size));
        add("kMDItemPhysicalSize", qint64(info.stx_blocks) * 512);
    }
    if (info.stx_mask & STATX_BTIME)
        add("kMDItemFSCreationDate", dateOf(info.stx_btime));
    add("kMDItemFSContentChangeDate", dateOf(info.stx_mtime));
    add("kMDItemAttributeChangeDate", dateOf(info.stx_ctime));
    add("kMDItemLastUsedDate", dateOf(info.stx_atime));
    add("kMDItemFSOwnerUserID", qint64(info.stx_uid));
    add("kMDItemFSOwnerGroupID", qint64(info.stx_gid));
    add("kMDItemID", qint64(info.stx_ino));

    bool labelOk = false;
    const qint64 label = fileAttribute(path, "user.mivo.label").trimmed().toLongLong(&labelOk);
    if (labelOk && label != 0)
        add("kMDItemFSLabel", label);
    QStringList tags;
    const QString tagText = QString::fromUtf8(fileAttribute(path, "user.xdg.tags"));
    for (const QString& tag : tagText.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const QString trimmed = tag.trimmed(); !trimmed.isEmpty())
            tags.append(trimmed);
    if (!tags.isEmpty())
        add("kMDItemUserTags", tags);
    const QByteArray comment = fileAttribute(path, kCommentAttribute);
    if (!comment.isNull())
        add("kMDItemFinderComment", QString::fromUtf8(comment));

    if (regular && mime.name().startsWith(QLatin1String("image/"))) {
        const QSize pixels = imageSizeOf(path);
        if (pixels.isValid()) {
            add("kMDItemPixelWidth", qint64(pixels.width()));
            add("kMDItemPixelHeight", qint64(pixels.height()));
        }
    }
    return item;
}

// --- Accessors ---

MivMetadata::ItemPtr MivMetadata::itemRef()
{
    std::lock_guard lock(_lock);
    if (!_itemRef && !_path.isEmpty())
        _itemRef = createItem(_path);
    return _itemRef;
}

void MivMetadata::setItemRef(const ItemPtr& itemRef)
{
    std::lock_guard lock(_lock);
    _itemRef = itemRef;
}

QString MivMetadata::path() const
{
    std::lock_guard lock(_lock);
    return _path;
}

void MivMetadata::setPath(const QString& path)
{
    std::lock_guard lock(_lock);
    _path = path;
}

std::optional<QStringList> MivMetadata::attributes()
{
    std::lock_guard lock(_lock);
    buildAttributesArrays();
    return _attributes;
}

std::optional<QMap<QString, QString>> MivMetadata::attributeNames()
{
    std::lock_guard lock(_lock);
    buildAttributesArrays();
    return _attributeNames;
}

std::optional<QMap<QString, QString>> MivMetadata::valueStrings()
{
    std::lock_guard lock(_lock);
    buildAttributesArrays();
    return _valueStrings;
}

void MivMetadata::setAttributes(const std::optional<QStringList>& attributes)
{
    std::lock_guard lock(_lock);
    _attributes = attributes;
}

void MivMetadata::setAttributeNames(const std::optional<QMap<QString, QString>>& attributeNames)
{
    std::lock_guard lock(_lock);
    _attributeNames = attributeNames;
}

void MivMetadata::setValueStrings(const std::optional<QMap<QString, QString>>& valueStrings)
{
    std::lock_guard lock(_lock);
    _valueStrings = valueStrings;
}

// --- Building ---

void MivMetadata::buildAttributesArrays()
{
    std::lock_guard lock(_lock);
    if (_attributeNames)
        return;
    const ItemPtr item = itemRef();
    if (!item)
        return;
    QStringList attributes;
    QMap<QString, QString> names;
    QMap<QString, QString> values;
    for (const QString& attribute : item->names) {
        try {
            const QString name = localizedAttributeName(attribute);
            const QString value = displayValue(item->values.value(attribute), attribute);
            if (name.isNull() || value.isNull())
                continue;
            attributes.append(attribute);
            names.insert(attribute, name);
            values.insert(attribute, value);
        } catch (const std::exception& exception) {
            MIV_LOG_ERROR(QStringLiteral("Exception while getting param: %1").arg(QString::fromUtf8(exception.what())));
        }
    }
    _attributes = attributes;
    _attributeNames = names;
    _valueStrings = values;
}

QString MivMetadata::localizedAttributeName(const QString& attribute)
{
    static std::mutex cacheLock;
    static QHash<QString, QString> cache;
    std::lock_guard lock(cacheLock);
    if (const auto found = cache.constFind(attribute); found != cache.cend())
        return *found;
    QString name = schemaNames().value(attribute);
    if (name.isEmpty()) {
        name = fixedNames().value(attribute);
        if (name.isEmpty()) {
            QString bare = attribute;
            name = StringExtensions::stringBySeparatingCapitalizedWords(bare.remove(QStringLiteral("kMDItem")));
            MIV_LOG_INFO(QStringLiteral("Attribute %1 shown as %2").arg(attribute, name));
        }
    }
    cache.insert(attribute, name);
    return name;
}

QString MivMetadata::displayValue(const QVariant& value, const QString& attribute)
{
    if (!value.isValid() || value.isNull())
        return QString();
    QString text;
    if (value.typeId() == QMetaType::QVariantMap) {
        text = describeDictionary(value.toMap());
    } else if (attribute == QLatin1String("kMDItemDurationSeconds")) {
        const double seconds = value.toDouble();
        const qint64 whole = qint64(seconds) % 60;
        text = QStringLiteral("%1'%2%3").arg(qint64(seconds / 60), 2, 10, QLatin1Char('0')).arg(whole / 10).arg(whole % 10);
    } else if (value.typeId() == QMetaType::QDateTime) {
        text = MivDateFormatter().stringForObjectValue(value);
    } else if (value.typeId() == QMetaType::QStringList) {
        text = value.toStringList().join(QStringLiteral(", "));
    } else if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList list = value.toList();
        const bool allTexts = std::all_of(list.cbegin(), list.cend(),
                                          [](const QVariant& element) { return element.typeId() == QMetaType::QString; });
        if (allTexts) {
            QStringList texts;
            for (const QVariant& element : list)
                texts.append(element.toString());
            text = texts.join(QStringLiteral(", "));
        } else {
            text = describeList(list);
        }
    } else {
        text = describe(value);
    }
    text.remove(QLatin1Char('\t')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return text.isEmpty() ? QString() : text;
}

QVariant MivMetadata::valueForAttribute(const QString& attribute)
{
    std::lock_guard lock(_lock);
    const ItemPtr item = itemRef();
    return item ? item->values.value(attribute) : QVariant();
}

QString MivMetadata::displayValueForAttribute(const QString& attribute)
{
    const QVariant value = valueForAttribute(attribute);
    return value.isValid() ? displayValue(value, attribute) : QString();
}

// --- Comment ---

QString MivMetadata::finderComment() const
{
    const QString path = expandedPath(this->path());
    if (!fileExists(path)) {
        MIV_LOG_ERROR(QStringLiteral("File does not exist at path: %1").arg(plat::Path::toFileUrl(path)));
        return QString();
    }
    const QByteArray value = fileAttribute(path, kCommentAttribute);
    if (value.isNull()) {
        if (errno != ENODATA)
            MIV_LOG_ERROR(QStringLiteral("Failed to get Finder comment: %1").arg(errno));
        return QString();
    }
    return QString::fromUtf8(value);
}

bool MivMetadata::setFinderComment(const QString& comment)
{
    const QString path = expandedPath(this->path());
    if (!fileExists(path))
        return false;
    using plat::ExtendedAttributes;
    const QByteArray value = comment.toUtf8();
    const bool done
        = value.isEmpty()
              ? (ExtendedAttributes::remove(path, kCommentAttribute, ExtendedAttributes::Links::Follow) == 0
                 || errno == ENODATA)
              : ExtendedAttributes::set(path, kCommentAttribute, value, ExtendedAttributes::Links::Follow) == 0;
    if (!done) {
        MIV_LOG_ERROR(QStringLiteral("Failed to set Finder comment: %1").arg(errno));
        return false;
    }
    // What was read before no longer holds.
    std::lock_guard lock(_lock);
    _itemRef.reset();
    _attributes.reset();
    _attributeNames.reset();
    _valueStrings.reset();
    return true;
}

// --- Image sizes ---

QSizeF MivMetadata::sizeOf(const char* widthAttribute, const char* heightAttribute)
{
    std::lock_guard lock(_lock);
    const ItemPtr item = itemRef();
    if (!item)
        return QSizeF(0, 0);
    const QVariant width = item->values.value(QString::fromLatin1(widthAttribute));
    const QVariant height = item->values.value(QString::fromLatin1(heightAttribute));
    if (!width.isValid() || !height.isValid())
        return QSizeF(0, 0);
    return QSizeF(float(width.toDouble()), float(height.toDouble()));
}

QSizeF MivMetadata::pixelImageSize() { return sizeOf("kMDItemPixelWidth", "kMDItemPixelHeight"); }

QString MivMetadata::pixelImageSizeString()
{
    const QSizeF size = pixelImageSize();
    if (size.width() == 0 && size.height() == 0)
        return QString(QLatin1String(""));
    return MivSizeFormatter::sharedInstance().sizeString(size.width(), size.height());
}

QSizeF MivMetadata::resolutionImageDPI() { return sizeOf("kMDItemResolutionWidthDPI", "kMDItemResolutionHeightDPI"); }
