#include "platform/KeyedArchive.h"

#include "platform/Color.h"
#include "platform/FontDescription.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/ReadAll.h"
#include "platform/PathString.h"
#include "platform/PosixError.h"
#include "platform/SortDescriptor.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUrl>

#include <plist/plist.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr qint64 kCorruptFileError = 259;      // NSFileReadCorruptFileError
constexpr qint64 kWriteUnknownError = 512;     // NSFileWriteUnknownError
constexpr qint64 kWriteInapplicableError = 517; // NSFileWriteInapplicableStringEncodingError's neighbour: value not codable
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
const char* const kClassKey = "$class";

// Seconds between 1970-01-01 and 2001-01-01, the plist date epoch.
constexpr qint64 kPlistEpochOffset = 978307200;

struct PlistDeleter
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

QString escapeKey(const QString& key)
{
    return key.startsWith(u'$') ? u'$' + key : key;
}

QString unescapeKey(const QString& key)
{
    return key.startsWith(QStringLiteral("$$")) ? key.mid(1) : key;
}

plist_t newString(const QString& s)
{
    return plist_new_string(s.toUtf8().constData());
}

plist_t taggedDict(const char* className)
{
    plist_t dict = plist_new_dict();
    plist_dict_set_item(dict, kClassKey, plist_new_string(className));
    return dict;
}

class Writer
{
public:
    plist_t node(const QVariant& value, int depth);
    plist_t object(const ArchivedObject& object, int depth);
    QString failure;
};

plist_t Writer::object(const ArchivedObject& object, int depth)
{
    plist_t dict = taggedDict(object.className.toUtf8().constData());
    for (const auto& [key, value] : object.entries) {
        plist_t child = node(value, depth + 1);
        if (!child) {
            plist_free(dict);
            return nullptr;
        }
        plist_dict_set_item(dict, escapeKey(key).toUtf8().constData(), child);
    }
    return dict;
}

plist_t Writer::node(const QVariant& value, int depth)
{
    if (depth > KeyedArchive::kMaxDepth) {
        failure = QStringLiteral("nesting deeper than %1").arg(KeyedArchive::kMaxDepth);
        return nullptr;
    }
    if (!value.isValid() || value.isNull() && value.metaType().id() == QMetaType::QString)
        return taggedDict("null");
    const QMetaType type = value.metaType();
    switch (type.id()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        // libplist keeps 64 bits and writes them signed.
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::ULongLong:
        return plist_new_uint(uint64_t(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return newString(value.toString());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return taggedDict("null");
        const qint64 ms = date.toMSecsSinceEpoch() - kPlistEpochOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        if (sec < INT32_MIN || sec > INT32_MAX) {
            failure = QStringLiteral("date out of range");
            return nullptr;
        }
        return plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000));
    }
    case QMetaType::QUrl: {
        plist_t dict = taggedDict("url");
        plist_dict_set_item(dict, "url", newString(QString::fromLatin1(value.toUrl().toEncoded(QUrl::FullyEncoded))));
        return dict;
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList()) {
            plist_t child = node(item, depth + 1);
            if (!child) {
                plist_free(array);
                return nullptr;
            }
            plist_array_append_item(array, child);
        }
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            plist_t child = node(it.value(), depth + 1);
            if (!child) {
                plist_free(dict);
                return nullptr;
            }
            plist_dict_set_item(dict, escapeKey(it.key()).toUtf8().constData(), child);
        }
        return dict;
    }
    default:
        break;
    }
    if (type == QMetaType::fromType<ArchivedObject>())
        return object(value.value<ArchivedObject>(), depth);
    if (type == QMetaType::fromType<Color>()) {
        const Color color = value.value<Color>();
        if (color.isNull())
            return taggedDict("null");
        plist_t dict = taggedDict("color");
        if (color.isSystem()) {
            plist_dict_set_item(dict, "system", newString(Color::systemColorName(color.systemColor())));
        } else {
            const QColor rgba = color.rgba();
            plist_dict_set_item(dict, "red", plist_new_real(rgba.redF()));
            plist_dict_set_item(dict, "green", plist_new_real(rgba.greenF()));
            plist_dict_set_item(dict, "blue", plist_new_real(rgba.blueF()));
            plist_dict_set_item(dict, "alpha", plist_new_real(rgba.alphaF()));
        }
        return dict;
    }
    if (type == QMetaType::fromType<FontDescription>()) {
        const FontDescription font = value.value<FontDescription>();
        plist_t dict = taggedDict("font");
        plist_dict_set_item(dict, "family", newString(font.family));
        plist_dict_set_item(dict, "size", plist_new_real(font.pointSize));
        return dict;
    }
    if (type == QMetaType::fromType<SortDescriptor>()) {
        const SortDescriptor sort = value.value<SortDescriptor>();
        plist_t dict = taggedDict("sortDescriptor");
        plist_dict_set_item(dict, "key", newString(sort.key));
        plist_dict_set_item(dict, "ascending", plist_new_bool(sort.ascending ? 1 : 0));
        const char* comparison = sort.comparison == SortDescriptor::Comparison::Literal ? "literal"
            : sort.comparison == SortDescriptor::Comparison::LocalizedStandard      ? "localizedStandard"
                                                                                    : "default";
        plist_dict_set_item(dict, "comparison", plist_new_string(comparison));
        return dict;
    }
    failure = QStringLiteral("a value of type %1 cannot be archived").arg(QString::fromLatin1(type.name()));
    return nullptr;
}

QString stringOf(plist_t node)
{
    // By pointer and length: plist_get_string_val asserts (aborts the
    // program) on a string with a NUL byte inside. The library keeps nothing
    // reliable past that byte, so the text ends there.
    uint64_t length = 0;
    const char* raw = plist_get_string_ptr(node, &length);
    return raw ? QString::fromUtf8(raw, qsizetype(strnlen(raw, size_t(length)))) : QString();
}

class Reader
{
public:
    std::optional<QVariant> node(plist_t node, int depth);
    std::optional<QVariant> tagged(plist_t dict, const QString& className, int depth);
    QString failure;

private:
    std::optional<double> real(plist_t dict, const char* key);
    std::optional<QString> string(plist_t dict, const char* key);
};

std::optional<double> Reader::real(plist_t dict, const char* key)
{
    plist_t item = plist_dict_get_item(dict, key);
    if (!item)
        return std::nullopt;
    if (plist_get_node_type(item) == PLIST_REAL) {
        double d = 0;
        plist_get_real_val(item, &d);
        return d;
    }
    if (plist_get_node_type(item) == PLIST_UINT) {
        uint64_t u = 0;
        plist_get_uint_val(item, &u);
        return double(int64_t(u));
    }
    return std::nullopt;
}

std::optional<QString> Reader::string(plist_t dict, const char* key)
{
    plist_t item = plist_dict_get_item(dict, key);
    if (!item || plist_get_node_type(item) != PLIST_STRING)
        return std::nullopt;
    return stringOf(item);
}

std::optional<QVariant> Reader::tagged(plist_t dict, const QString& className, int depth)
{
    if (className == QLatin1String("null"))
        return QVariant();
    if (className == QLatin1String("url")) {
        const auto url = string(dict, "url");
        if (!url)
            return std::nullopt;
        return QVariant(QUrl::fromEncoded(url->toUtf8(), QUrl::StrictMode));
    }
    if (className == QLatin1String("color")) {
        if (const auto name = string(dict, "system")) {
            const auto system = Color::systemColorNamed(*name);
            if (!system)
                return std::nullopt;
            return QVariant::fromValue(Color::fromSystem(*system));
        }
        const auto r = real(dict, "red"), g = real(dict, "green"), b = real(dict, "blue"), a = real(dict, "alpha");
        if (!r || !g || !b || !a)
            return std::nullopt;
        const auto clamp = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
        return QVariant::fromValue(Color::fromRgba(QColor::fromRgbF(float(clamp(*r)), float(clamp(*g)), float(clamp(*b)), float(clamp(*a)))));
    }
    if (className == QLatin1String("font")) {
        const auto family = string(dict, "family");
        const auto size = real(dict, "size");
        if (!family || !size)
            return std::nullopt;
        return QVariant::fromValue(FontDescription{*family, *size});
    }
    if (className == QLatin1String("sortDescriptor")) {
        const auto key = string(dict, "key");
        const auto comparison = string(dict, "comparison");
        plist_t ascending = plist_dict_get_item(dict, "ascending");
        if (!key || !comparison || !ascending || plist_get_node_type(ascending) != PLIST_BOOLEAN)
            return std::nullopt;
        SortDescriptor sort;
        sort.key = *key;
        uint8_t b = 0;
        plist_get_bool_val(ascending, &b);
        sort.ascending = b != 0;
        if (*comparison == QLatin1String("literal"))
            sort.comparison = SortDescriptor::Comparison::Literal;
        else if (*comparison == QLatin1String("localizedStandard"))
            sort.comparison = SortDescriptor::Comparison::LocalizedStandard;
        else if (*comparison == QLatin1String("default"))
            sort.comparison = SortDescriptor::Comparison::Default;
        else
            return std::nullopt;
        return QVariant::fromValue(sort);
    }
    ArchivedObject object;
    object.className = className;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    for (;;) {
        char* rawKey = nullptr;
        plist_t child = nullptr;
        plist_dict_next_item(dict, it, &rawKey, &child);
        if (!child) {
            free(rawKey);
            break;
        }
        const QString key = QString::fromUtf8(rawKey);
        free(rawKey);
        if (key == QLatin1String(kClassKey))
            continue;
        auto value = node(child, depth + 1);
        if (!value) {
            free(it);
            return std::nullopt;
        }
        object.entries.append({unescapeKey(key), std::move(*value)});
    }
    free(it);
    return QVariant::fromValue(std::move(object));
}

std::optional<QVariant> Reader::node(plist_t node, int depth)
{
    if (depth > KeyedArchive::kMaxDepth) {
        failure = QStringLiteral("nesting deeper than %1").arg(KeyedArchive::kMaxDepth);
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(b != 0);
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return QVariant(qint64(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return QVariant(d);
    }
    case PLIST_STRING:
        return QVariant(stringOf(node));
    case PLIST_DATA: {
        char* raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        QByteArray bytes(raw, qsizetype(length));
        free(raw);
        return QVariant(bytes);
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 ms = (qint64(sec) + kPlistEpochOffset) * 1000 + usec / 1000;
        return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        for (uint32_t i = 0; i < size; ++i) {
            auto value = this->node(plist_array_get_item(node, i), depth + 1);
            if (!value)
                return std::nullopt;
            list.append(std::move(*value));
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        if (plist_t tag = plist_dict_get_item(node, kClassKey)) {
            if (plist_get_node_type(tag) != PLIST_STRING) {
                failure = QStringLiteral("a \"$class\" that is no string");
                return std::nullopt;
            }
            const QString className = stringOf(tag);
            auto value = tagged(node, className, depth);
            if (!value && failure.isEmpty())
                failure = QStringLiteral("a malformed \"%1\" value").arg(className);
            return value;
        }
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* rawKey = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, it, &rawKey, &child);
            if (!child) {
                free(rawKey);
                break;
            }
            const QString key = QString::fromUtf8(rawKey);
            free(rawKey);
            auto value = this->node(child, depth + 1);
            if (!value) {
                free(it);
                return std::nullopt;
            }
            map.insert(unescapeKey(key), std::move(*value));
        }
        free(it);
        return QVariant(map);
    }
    default:
        failure = QStringLiteral("a property-list value of an unsupported kind");
        return std::nullopt;
    }
}

Error corrupt(const QString& why)
{
    return Error(kCocoaErrorDomain, kCorruptFileError, QStringLiteral("The settings archive could not be read: %1.").arg(why));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

QString uniqueSibling(const QString& path, const QString& suffix)
{
    static std::atomic<unsigned> counter{0};
    const QString folder = PathString::deletingLastPathComponent(path);
    const QString name = PathString::lastPathComponent(path);
    return PathString::appendingPathComponent(
        folder, QStringLiteral(".%1.%2-%3-%4").arg(name, suffix).arg(::getpid()).arg(counter.fetch_add(1)));
}

} // namespace

std::optional<QByteArray> KeyedArchive::toXml(const ArchivedObject& root, Error* error)
{
    Writer writer;
    PlistPtr plist(writer.object(root, 0));
    if (!plist) {
        Error::assign(error, Error(kCocoaErrorDomain, kWriteInapplicableError,
                                   QStringLiteral("The settings archive could not be written: %1.").arg(writer.failure)));
        return std::nullopt;
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(plist.get()), &xml, &length);
    if (!xml) {
        Error::assign(error, Error(kCocoaErrorDomain, kWriteUnknownError, QStringLiteral("The settings archive could not be written.")));
        return std::nullopt;
    }
    QByteArray bytes(xml, qsizetype(length));
    free(xml);
    return bytes;
}

std::optional<ArchivedObject> KeyedArchive::fromXml(const QByteArray& xml, Error* error)
{
    if (xml.isEmpty() || xml.size() > kMaxFileSize) {
        Error::assign(error, corrupt(xml.isEmpty() ? QStringLiteral("the file is empty") : QStringLiteral("the file is too large")));
        return std::nullopt;
    }
    plist_t raw = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &raw);
    PlistPtr plist(raw);
    if (!raw) {
        Error::assign(error, corrupt(QStringLiteral("it is no XML property list")));
        return std::nullopt;
    }
    if (plist_get_node_type(raw) != PLIST_DICT || !plist_dict_get_item(raw, kClassKey)) {
        Error::assign(error, corrupt(QStringLiteral("its root is no coded object")));
        return std::nullopt;
    }
    Reader reader;
    auto value = reader.node(raw, 0);
    if (!value || value->metaType() != QMetaType::fromType<ArchivedObject>()) {
        Error::assign(error, corrupt(reader.failure.isEmpty() ? QStringLiteral("its root is no coded object") : reader.failure));
        return std::nullopt;
    }
    return value->value<ArchivedObject>();
}

bool KeyedArchive::writeBytesAtomically(const QString& path, const QByteArray& bytes, Error* error)
{
    const QString temporary = uniqueSibling(path, QStringLiteral("tmp"));
    const int fd = Path::open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Error::assign(error, errorFromErrno(errno, FileAccess::Writing, path));
        return false;
    }
    bool ok = ::fchmod(fd, 0600) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(Path::toNative(temporary).constData(), Path::toNative(path).constData()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(Path::toNative(temporary).constData());
        Error::assign(error, errorFromErrno(savedErrno, FileAccess::Writing, path));
        return false;
    }
    // The rename itself is only durable once the folder is.
    const int dirFd = Path::open(PathString::deletingLastPathComponent(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    Error::clear(error);
    return true;
}

bool KeyedArchive::writeFile(const QString& path, const ArchivedObject& root, Error* error)
{
    const auto xml = toXml(root, error);
    return xml && writeBytesAtomically(path, *xml, error);
}

std::optional<ArchivedObject> KeyedArchive::readFile(const QString& path, Error* error)
{
    Error::clear(error);
    // Non-blocking so a FIFO put in its place cannot hang start-up.
    const int fd = Path::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT)
            Error::assign(error, errorFromErrno(errno, FileAccess::Reading, path));
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Error::assign(error, corrupt(QStringLiteral("it is no regular file")));
        return std::nullopt;
    }
    QByteArray bytes;
    const int readError = readAll(fd, &bytes, kMaxFileSize);
    const bool tooLarge = readError == EFBIG;
    if (readError != 0 && !tooLarge) {
        ::close(fd);
        Error::assign(error, errorFromErrno(readError, FileAccess::Reading, path));
        return std::nullopt;
    }
    ::close(fd);
    Error decodeError;
    auto root = tooLarge ? std::nullopt : fromXml(bytes, &decodeError);
    if (tooLarge)
        decodeError = corrupt(QStringLiteral("the file is too large"));
    if (root)
        return root;

    const QString aside = path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    if (Path::rename(path, aside) == 0)
        MIV_LOG_ERROR(QStringLiteral("Unreadable archive '%1' moved to '%2': %3").arg(path, aside, decodeError.description()));
    else
        MIV_LOG_ERROR(QStringLiteral("Unreadable archive '%1' could not be moved aside (%2): %3")
                          .arg(path, QString::fromLocal8Bit(strerror(errno)), decodeError.description()));
    Error::assign(error, decodeError);
    return std::nullopt;
}

} // namespace plat
