#include "FileData/MivUtils.h"

#include "platform/ExtendedAttributes.h"
#include "platform/Path.h"
#include "platform/Log.h"
#include "platform/TextEncoding.h"


namespace {
constexpr quint64 kNoEncoding = 0;
}

quint64 MivUtils::textEncodingAttributeOfURL(const QUrl& url)
{
    const QString value = extValueForAttr(QLatin1String(kTextEncodingAttributeName), url);
    if (value.isNull())
        return kNoEncoding;
    const QStringList parts = value.trimmed().split(QLatin1Char(';'));
    if (parts.size() >= 2 && parts[1].trimmed().size() >= 2) {
        bool isNumber = false;
        const quint32 cfEncoding = parts[1].trimmed().toUInt(&isNumber, 10);
        // A number part that is no number would read as 0, Mac OS Roman:
        // the name, when there is one, is the better guide then.
        if (isNumber) {
            const quint64 encoding = plat::TextEncoding::encodingFromCFEncoding(cfEncoding);
            return encoding == plat::TextEncoding::kUndetermined ? kNoEncoding : encoding;
        }
    }
    const QString name = parts[0].trimmed();
    if (name.size() < 2)
        return kNoEncoding;
    const quint64 encoding = plat::TextEncoding::encodingFromIanaName(name);
    if (encoding == plat::TextEncoding::kUndetermined) {
        MIV_LOG_WARN(QStringLiteral("couldn't convert IANA charset"));
        return kNoEncoding;
    }
    return encoding;
}

bool MivUtils::setTextEncodingAttribute(quint64 encoding, const QUrl& url)
{
    const QString name = plat::TextEncoding::ianaNameOfEncoding(encoding);
    if (name.isEmpty())
        return false;
    return setExtValue(name, QLatin1String(kTextEncodingAttributeName), url) == 0;
}

QString MivUtils::extValueForAttr(const QString& attr, const QUrl& fileURL)
{
    const QString path = plat::Path::fromFileUrl(fileURL);
    if (path.isEmpty())
        return {};
    const QByteArray value = plat::ExtendedAttributes::value(path, attr.toUtf8().constData(),
                                                             plat::ExtendedAttributes::Links::Follow);
    return value.isNull() ? QString() : QString::fromUtf8(value);
}

int MivUtils::setExtValue(const QString& value, const QString& attr, const QUrl& fileURL)
{
    const QString path = plat::Path::fromFileUrl(fileURL);
    if (path.isEmpty())
        return -1;
    return plat::ExtendedAttributes::set(path, attr.toUtf8().constData(), value.toUtf8(),
                                         plat::ExtendedAttributes::Links::Follow)
                   == 0
               ? 0
               : -1;
}
