#include "app/panel/MivFlatStructureLoader.h"

#include "FileData/Local/MivOsxFileAttributes.h"
#include "FileData/MivFileData.h"
#include "FileData/MivFileUtils.h"
#include "platform/Error.h"
#include "platform/Log.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QMetaType>
#include <QVariant>

#include <exception>
#include <optional>
#include <vector>

namespace {

// A text for a file identity, or null for a value that identifies nothing.
QString identityText(const QVariant& ident)
{
    if (!ident.isValid() || ident.isNull())
        return QString();
    if (ident.metaType() == QMetaType::fromType<MivOsxFileIdent>()) {
        const auto local = ident.value<MivOsxFileIdent>();
        return QStringLiteral("ident:%1:%2").arg(local.device).arg(local.inode);
    }
    if (ident.metaType() == QMetaType::fromType<QByteArray>()) {
        const QByteArray bytes = ident.toByteArray();
        return bytes.isEmpty() ? QString() : QStringLiteral("ident:bytes:") + QString::fromLatin1(bytes.toHex());
    }
    if (!ident.canConvert<QString>())
        return QString();
    const QString text = ident.toString();
    return text.isEmpty() ? QString() : QStringLiteral("ident:%1:%2").arg(QLatin1String(ident.typeName()), text);
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// What a listing shows of its entries, to recognise the same folder listed
// again under another path. Null for an empty listing, which tells nothing.
QByteArray listingFingerprint(const QList<MivFileDataPtr>& elements)
{
    QStringList entries;
    entries.reserve(elements.size());
    for (const MivFileDataPtr& element : elements) {
        if (!element)
            continue;
        entries << QStringLiteral("%1/%2/%3/%4")
                       .arg(element->name())
                       .arg(element->folder() ? 1 : 0)
                       .arg(element->size())
                       .arg(element->modificationDate().toMSecsSinceEpoch());
    }
    if (entries.isEmpty())
        return QByteArray();
    entries.sort();
    return QCryptographicHash::hash(entries.join(QChar(0)).toUtf8(), QCryptographicHash::Sha256);
}

} // namespace

struct MivFlatStructureLoader::Level
{
    QList<MivFileDataPtr> elements;
    qsizetype next = 0;
    int depth = 0;
    // Made on first need: only folders without an identity compare listings.
    std::optional<QByteArray> fingerprint;

    const QByteArray& listingFingerprint()
    {
        if (!fingerprint)
            fingerprint = ::listingFingerprint(elements);
        return *fingerprint;
    }
};

MivFlatStructureLoader::MivFlatStructureLoader(const MivFileDataPtr& context, QList<MivFileDataPtr> filesArray,
                                               bool withHidden, MivFileCallback entryCallback)
    : m_callback(std::move(entryCallback)), m_processHidden(withHidden), m_source(std::move(filesArray))
{
    bool identified = false;
    if (context)
        m_contextKeys = folderKeys(*context, identified);
}

QList<MivFileDataPtr> MivFlatStructureLoader::resolveFlatStructure()
{
    m_resultArray = {};
    m_processedKeys = QSet<QString>(m_contextKeys.cbegin(), m_contextKeys.cend());
    if (!m_source.isEmpty())
        resolveFlatStructure(m_source);
    return m_resultArray;
}

void MivFlatStructureLoader::resolveFlatStructure(const QList<MivFileDataPtr>& array)
{
    // Depth first on a stack of its own: a deep tree must not deepen the
    // listing thread's stack.
    std::vector<Level> levels;
    levels.push_back(Level{array, 0, 0, std::nullopt});
    while (!levels.empty()) {
        if (m_aborted.load())
            return;
        Level& level = levels.back();
        if (level.next >= level.elements.size()) {
            levels.pop_back();
            continue;
        }
        const MivFileDataPtr element = level.elements.at(level.next++);
        const int depth = level.depth;
        try {
            if (!element)
                continue;
            if (!element->folder()) {
                m_resultArray.append(element);
                continue;
            }
            QList<MivFileDataPtr> children;
            bool identified = false;
            if (!listFolder(element, depth, children, identified))
                continue;
            Level listed{std::move(children), 0, depth + 1, std::nullopt};
            if (!identified && listsAnAncestor(levels, listed)) {
                MIV_LOG_INFO(QStringLiteral("Flat structure: %1 lists like a folder it lies in; not entered")
                                 .arg(element->pathKey()));
                continue;
            }
            levels.push_back(std::move(listed));
        } catch (const std::exception& exception) {
            // Ends this level only; the level that holds its folder goes on.
            MIV_LOG_ERROR(QStringLiteral("Flat structure walk failed: %1").arg(QString::fromUtf8(exception.what())));
            levels.pop_back();
        } catch (...) {
            MIV_LOG_ERROR(QStringLiteral("Flat structure walk failed: unknown exception"));
            levels.pop_back();
        }
    }
}

bool MivFlatStructureLoader::listsAnAncestor(std::vector<Level>& ancestors, Level& listed)
{
    const QByteArray& fingerprint = listed.listingFingerprint();
    if (fingerprint.isNull())
        return false;
    for (Level& ancestor : ancestors) {
        if (ancestor.listingFingerprint() == fingerprint)
            return true;
    }
    return false;
}

QStringList MivFlatStructureLoader::folderKeys(const MivFileData& folder, bool& identified)
{
    QStringList keys;
    const QString ident = identityText(folder.fileIdent());
    identified = !ident.isEmpty();
    if (identified)
        keys << ident;
    // A link's real path is its resolved target, the folder it leads to.
    const QString real = withoutTrailingSlash(folder.realPath());
    if (!real.isEmpty())
        keys << QStringLiteral("path:") + real;
    const QString pathKey = folder.pathKey();
    if (!pathKey.isEmpty())
        keys << QStringLiteral("key:") + pathKey;
    return keys;
}

bool MivFlatStructureLoader::listFolder(const MivFileDataPtr& folder, int depth, QList<MivFileDataPtr>& children,
                                        bool& identified)
{
    const QStringList keys = folderKeys(*folder, identified);
    const QString pathKey = folder->pathKey();
    for (const QString& key : keys) {
        if (m_processedKeys.contains(key))
            return false;
    }
    // Without an identity a link loop shows only as ever longer paths, which
    // no key repeats: such folders are not entered below a fixed depth.
    if (!identified && depth >= kMaxDepthWithoutIdentity) {
        MIV_LOG_WARN(QStringLiteral("Flat structure: %1 is %2 levels deep and has no file identity; not entered")
                         .arg(pathKey)
                         .arg(depth));
        return false;
    }
    for (const QString& key : keys)
        m_processedKeys.insert(key);

    plat::Error error;
    children = folder->listElements(m_processHidden, MivFileUtils::virtualSortDescriptor(), m_callback, &error);
    if (!error.isNull()) {
        MIV_LOG_ERROR(QStringLiteral("Flat structure: cannot list %1: %2").arg(pathKey, error.description()));
        children.clear();
        return false;
    }
    return true;
}
