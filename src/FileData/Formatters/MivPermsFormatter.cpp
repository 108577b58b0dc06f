#include "FileData/Formatters/MivPermsFormatter.h"

#include "FileData/Formatters/MivFormatterSettings.h"

namespace {

// Indexed by the three permission bits of one class of users.
const char* const kPermTriples[8] = {"---", "--x", "-w-", "-wx", "r--", "r-x", "rw-", "rwx"};

QString octalDigits(qint64 mode)
{
    return QString::number(mode & 0777, 8).rightJustified(3, QLatin1Char('0'));
}

} // namespace

MivPermsFormatter::MivPermsFormatter()
{
    _format = MivFormatterSettings::current().permissionFormat;
}

void MivPermsFormatter::reinit()
{
    _format = MivFormatterSettings::current().permissionFormat;
}

QString MivPermsFormatter::stringForObjectValue(const QVariant& value) const
{
    if (value.metaType() != QMetaType::fromType<PermsDataPtr>())
        return {};
    return processPerms(value.value<PermsDataPtr>().get(), _format);
}

QString MivPermsFormatter::processPerms(PermsData* perms, qint64 format)
{
    if (!perms)
        return QStringLiteral("---");
    const QString cached = perms->stringRep();
    if (!cached.isEmpty())
        return cached;
    if (!perms->posix())
        return QStringLiteral("---");
    const QString text = formatPerms(*perms, format);
    perms->setStringRep(text);
    return text;
}

QString MivPermsFormatter::processPermissions(PermsData* perms)
{
    return processPerms(perms, MivFormatterSettings::current().permissionFormat);
}

QString MivPermsFormatter::formatPerms(const PermsData& perms, qint64 format)
{
    const qint64 mode = perms.posix().value_or(0);
    if (format != 1 && format != 2)
        return octalDigits(mode);
    QString text = firstPermChar(perms);
    text += QLatin1String(kPermTriples[(mode >> 6) & 7]);
    text += QLatin1String(kPermTriples[(mode >> 3) & 7]);
    text += QLatin1String(kPermTriples[mode & 7]);
    if (format == 1)
        text += QStringLiteral(" (%1)").arg(octalDigits(mode));
    return text;
}

QString MivPermsFormatter::firstPermChar(const PermsData& perms)
{
    if (!perms.linkPath().isEmpty())
        return QStringLiteral("l");
    return perms.folder() ? QStringLiteral("d") : QStringLiteral("-");
}
