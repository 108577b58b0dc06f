#include "app/operations/MivFileOperationData.h"

#include "FileData/MivFileData.h"
#include "FileData/MivFileUtils.h"
#include "app/operations/MivOperationText.h"

#include <QtGlobal>

using MivOperationText::boolText;
using MivOperationText::localized;
using MivOperationText::loggablePath;

namespace {

struct KindTexts
{
    const char* name;
    const char* preparing;
};

// By kind code; any other code takes the copy row.
constexpr KindTexts kKindTexts[] = {
    {QT_TRANSLATE_NOOP("MivFileOperationData", "Copy files"),
     QT_TRANSLATE_NOOP("MivFileOperationData", "Preparing to copy %lld items")},
    {QT_TRANSLATE_NOOP("MivFileOperationData", "Move files"),
     QT_TRANSLATE_NOOP("MivFileOperationData", "Preparing to move %lld items")},
    {QT_TRANSLATE_NOOP("MivFileOperationData", "Move To Trash"),
     QT_TRANSLATE_NOOP("MivFileOperationData", "Preparing to move to trash %lld files")},
    {QT_TRANSLATE_NOOP("MivFileOperationData", "Create symbolic link"),
     QT_TRANSLATE_NOOP("MivFileOperationData", "Preparing to create symbolic link for %lld items")},
    {QT_TRANSLATE_NOOP("MivFileOperationData", "Decompress archive"),
     QT_TRANSLATE_NOOP("MivFileOperationData", "Preparing to decompress %lld archives")},
    {QT_TRANSLATE_NOOP("MivFileOperationData", "Compress files"),
     QT_TRANSLATE_NOOP("MivFileOperationData", "Preparing to compress %lld files")},
};

const KindTexts& kindTexts(qint32 kind)
{
    if (kind < 0 || kind >= qint32(std::size(kKindTexts)))
        return kKindTexts[0];
    return kKindTexts[kind];
}

QString describe(const MivFileDataPtr& item) { return item ? item->description() : QStringLiteral("(null)"); }

template<typename T>
QString describePointer(const std::shared_ptr<T>& object)
{
    if (!object)
        return QStringLiteral("(null)");
    return QStringLiteral("0x%1").arg(reinterpret_cast<quintptr>(object.get()), 0, 16);
}

} // namespace

QString MivFileOperationData::operationString() const
{
    const QString custom = customOperationName();
    if (!custom.isNull())
        return custom;
    return localized(kindTexts(operation()).name);
}

QString MivFileOperationData::operationNameForPrepare() const { return localized(kindTexts(operation()).preparing); }

QString MivFileOperationData::sourceInfo() const
{
    const QList<MivFileDataPtr> sources = source();
    QString what;
    if (sources.size() == 1)
        what = MivOperationText::format(QStringLiteral("'%@'"), {sources.first() ? sources.first()->name() : QString()});
    else
        what = MivOperationText::format(localized("%ld file(s)"), {QString::number(sources.size())});
    return MivOperationText::format(localized("%@ %@ to:"), {operationString(), what});
}

QString MivFileOperationData::OverrideOptionName(qint64 option)
{
    switch (option) {
    case kOptionAsk:
        return QStringLiteral("OPTION ASK");
    case kOptionOverwrite:
        return QStringLiteral("OPTION OVERWRITE");
    case kOptionOverwriteOlder:
        return QStringLiteral("OPTION OVERWRITE OLDER");
    case kOptionSkip:
        return QStringLiteral("OPTION SKIP");
    case kOptionRename:
        return QStringLiteral("OPTION RENAME");
    default:
        return QStringLiteral("");
    }
}

QString MivFileOperationData::optionName() const { return OverrideOptionName(option()); }

QString MivFileOperationData::resolveNameForOverwriteRename(const QString& name) const
{
    return MivFileUtils::resolveNameForOverwriteRename(name);
}

QString MivFileOperationData::description() const
{
    return MivOperationText::format(QStringLiteral(">>OPER::%ld::%@::(%lld/%lld)::%@<<"),
                                    {QString::number(reinterpret_cast<quintptr>(this)), uuid(), QString::number(total()),
                                     QString::number(size()), loggablePath(destPathBySourceComponent())});
}

QString MivFileOperationData::fullDescription() const
{
    using MivOperationText::format;
    const QDateTime started = startDate();
    QString text = format(QStringLiteral("<<-- %@\n merge folders: %@"), {description(), boolText(mergeFolders())});
    text += format(QStringLiteral(", background: %@, paused: %@, recursive: %@ \n\t"),
                   {boolText(inBackground()), boolText(paused()), boolText(recursive())});
    text += format(QStringLiteral("copy perms: %@, copy attrs: %@, progress: %@, after-err: %d\n\t"),
                   {boolText(copyFilePermissions()), boolText(copyAttributes()), boolText(showProgress()),
                    QString::number(int(doAfterError()))});
    text += format(QStringLiteral("OPER [type: %d, option: %@, started: %@]\n\t"),
                   {QString::number(operation()), optionName(),
                    started.isValid() ? started.toString(Qt::ISODateWithMs) : QStringLiteral("(null)")});
    const QString name = destName();
    text += format(QStringLiteral("DEST [name: %@, folder: %@, ov-ctx: %@, ctx: %@]\n\t"),
                   {name.isNull() ? QStringLiteral("(null)") : loggablePath(name), describe(dest()),
                    describe(overwriteDestCtx()), describe(destCtx())});
    text += format(QStringLiteral("processor: %@, view: %@ -->>"), {describePointer(processor()), describePointer(viewContext())});
    return text;
}
