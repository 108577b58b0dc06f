#include "app/settings/MivUserDefaults.h"

#include "platform/Error.h"
#include "platform/KeyedArchive.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/PathString.h"
#include "platform/ReadAll.h"

#include <plist/plist.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

struct PlistFree
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

plist_t toPlist(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::Double:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QStringList: {
        plist_t array = plist_new_array();
        for (const QString& text : value.toStringList())
            plist_array_append_item(array, plist_new_string(text.toUtf8().constData()));
        return array;
    }
    default:
        return nullptr;
    }
}

QVariant fromPlist(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return bool(flag);
    }
    case PLIST_UINT: {
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return qint64(number);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return number;
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        const QString result = QString::fromUtf8(text);
        free(text);
        return result;
    }
    case PLIST_ARRAY: {
        QStringList texts;
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i) {
            plist_t item = plist_array_get_item(node, i);
            if (plist_get_node_type(item) == PLIST_STRING)
                texts.append(fromPlist(item).toString());
        }
        return texts;
    }
    default:
        return {};
    }
}

} // namespace

MivUserDefaults& MivUserDefaults::standardUserDefaults()
{
    static MivUserDefaults* instance = new MivUserDefaults();
    return *instance;
}

QString MivUserDefaults::pathForDefaultsFile()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !configHome.startsWith(u'/'))
        configHome = plat::PathString::appendingPathComponent(plat::PathString::homeDirectory(), QStringLiteral(".config"));
    return plat::PathString::appendingPathComponent(configHome, QStringLiteral("MIVO/pl.olmi.Mivo.plist"));
}

void MivUserDefaults::loadIfNeeded() const
{
    if (_loaded)
        return;
    _loaded = true;
    _values.clear();
    const QString path = pathForDefaultsFile();
    const int fd = plat::Path::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    QByteArray bytes;
    const int failure = plat::readAll(fd, &bytes, 16 * 1024 * 1024);
    ::close(fd);
    if (failure != 0 || bytes.isEmpty())
        return;
    plist_t raw = nullptr;
    plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &raw);
    PlistPtr root(raw);
    if (!raw || plist_get_node_type(raw) != PLIST_DICT) {
        MIV_LOG_ERROR(QStringLiteral("'%1' holds no user defaults; starting from none").arg(path));
        return;
    }
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(raw, &iterator);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(raw, iterator, &key, &value);
        if (!key)
            break;
        const QVariant converted = fromPlist(value);
        if (converted.isValid())
            _values.insert(QString::fromUtf8(key), converted);
        free(key);
    }
    free(iterator);
}

void MivUserDefaults::save() const
{
    PlistPtr root(plist_new_dict());
    for (auto it = _values.cbegin(); it != _values.cend(); ++it) {
        if (plist_t node = toPlist(it.value()))
            plist_dict_set_item(root.get(), it.key().toUtf8().constData(), node);
    }
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root.get(), &xml, &length);
    if (!xml)
        return;
    const QByteArray bytes(xml, qsizetype(length));
    free(xml);
    const QString path = pathForDefaultsFile();
    plat::Path::makePath(plat::PathString::deletingLastPathComponent(path), 0700);
    plat::Error error;
    if (!plat::KeyedArchive::writeBytesAtomically(path, bytes, &error))
        MIV_LOG_ERROR(QStringLiteral("The user defaults could not be written to '%1': %2").arg(path, error.localizedDescription()));
}

QVariant MivUserDefaults::objectForKey(const QString& key) const
{
    std::lock_guard guard(_lock);
    loadIfNeeded();
    return _values.value(key);
}

QStringList MivUserDefaults::stringArrayForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.metaType().id() == QMetaType::QStringList ? value.toStringList() : QStringList{};
}

void MivUserDefaults::setObject(const QVariant& value, const QString& forKey)
{
    std::lock_guard guard(_lock);
    loadIfNeeded();
    if (!value.isValid())
        _values.remove(forKey);
    else
        _values.insert(forKey, value);
    save();
}

void MivUserDefaults::removeObjectForKey(const QString& key)
{
    setObject(QVariant(), key);
}

void MivUserDefaults::resetForTesting()
{
    std::lock_guard guard(_lock);
    _loaded = false;
    _values.clear();
}
