#include "app/settings/MivContextEntry.h"

#include "FileData/Local/MivSearchResultData.h"
#include "FileData/MivFileDataManager.h"
#include "app/settings/MivContext.h"
#include "app/tabs/IMivSavedTab.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

QList<QVariantMap>& MivContextEntry::items()
{
    if (!m_items)
        m_items.emplace();
    return *m_items;
}

QList<MivFavsEntryData>& MivContextEntry::favs()
{
    if (!m_favs)
        m_favs.emplace();
    return *m_favs;
}

QList<QUrl>& MivContextEntry::history()
{
    if (!m_history)
        m_history.emplace();
    return *m_history;
}

void MivContextEntry::updateHistoryForURL(const QUrl& url)
{
    QList<QUrl>& list = history();
    list.removeAll(url);
    list.append(url);
    const auto context = MivContext::context();
    if (list.size() > context->maxHistoryEntries())
        list.removeFirst();
    if (context->commonHistory())
        context->updateHistoryFromEntry(*this);
}

void MivContextEntry::updateTabLockStateInProfile(QVariantMap& profile, const IMivSavedTab* tab)
{
    if (!tab)
        return;
    profile.insert(QStringLiteral("locked"), tab->locked());
    profile.insert(QStringLiteral("softLocked"), tab->softLocked());
    const QString lockContext = tab->lockContext();
    const QVariantMap lockContextData = tab->lockContextData();
    if (!lockContext.isEmpty() && !lockContextData.isEmpty()) {
        profile.insert(QStringLiteral("lockContext"), lockContext);
        profile.insert(QStringLiteral("lockContextData"), lockContextData);
    }
}

std::optional<QVariantMap> MivContextEntry::savinDataForTabItem(const IMivSavedTab* tab, std::shared_ptr<MivFileData> context,
                                                                QString tabContext, bool withPassword)
{
    if (tab) {
        if (!context)
            context = tab->folder();
        if (tabContext.isNull())
            tabContext = tab->tabContext();
    }
    // A search result cannot be listed again after a restart: not saved.
    if (dynamic_cast<const MivSearchResultData*>(context.get()))
        return std::nullopt;
    QVariantMap profile;
    updateTabLockStateInProfile(profile, tab);
    if (tab) {
        if (const auto panelProfile = tab->panelProfile())
            profile.insert(QStringLiteral("panelProfileData"), *panelProfile);
    }
    MivFileDataManager::updateRemoteDataDescriptor(profile, context, withPassword, tabContext);
    return profile;
}

void MivContextEntry::saveItems(const QList<std::shared_ptr<IMivSavedTab>>& tabs)
{
    QList<QVariantMap>& saved = items();
    saved.clear();
    for (const auto& tab : tabs) {
        if (!tab)
            continue;
        std::optional<QVariantMap> dictionary;
        if (!tab->stateLoaded() && (dictionary = tab->stateData()))
            updateTabLockStateInProfile(*dictionary, tab.get());
        else
            dictionary = savinDataForTabItem(tab.get(), nullptr, QString());
        if (dictionary)
            saved.append(*dictionary);
    }
}

plat::ArchivedObject MivContextEntry::encodeWithCoder() const
{
    plat::KeyedArchiver coder(QString::fromLatin1(kClassName));
    coder.encodeBool(QStringLiteral("showHidden"), m_showHidden);
    if (m_items) {
        QVariantList list;
        for (const QVariantMap& item : *m_items)
            list.append(item);
        coder.encodeObject(QStringLiteral("items"), list);
    } else {
        coder.encodeObject(QStringLiteral("items"), QVariant());
    }
    QVariantList favs;
    for (const MivFavsEntryData& fav : m_favs.value_or(QList<MivFavsEntryData>()))
        favs.append(QVariant::fromValue(fav.encodeWithCoder()));
    coder.encodeObject(QStringLiteral("favs"), favs);
    if (m_history) {
        QVariantList list;
        for (const QUrl& url : *m_history)
            list.append(url);
        coder.encodeObject(QStringLiteral("history"), list);
    } else {
        coder.encodeObject(QStringLiteral("history"), QVariant());
    }
    coder.encodeInt64(QStringLiteral("selectedIndex"), m_selectedItem);
    coder.encodeBool(QStringLiteral("tabMode2"), m_tabMode);
    coder.encodeBool(QStringLiteral("driveMode"), m_driveMode);
    coder.encodeBool(QStringLiteral("pathbarHidden"), m_pathBarHidden);
    return coder.object();
}

std::shared_ptr<MivContextEntry> MivContextEntry::initWithCoder(const plat::ArchivedObject& object)
{
    if (object.className != QLatin1String(kClassName))
        return nullptr;
    const plat::KeyedUnarchiver coder(object);
    auto entry = std::make_shared<MivContextEntry>();
    entry->m_showHidden = coder.decodeBool(QStringLiteral("showHidden"));
    const QVariant items = coder.decodeObject(QStringLiteral("items"));
    if (items.metaType().id() == QMetaType::QVariantList) {
        entry->m_items.emplace();
        for (const QVariant& item : items.toList()) {
            if (item.metaType().id() == QMetaType::QVariantMap)
                entry->m_items->append(item.toMap());
        }
    }
    const QVariant favs = coder.decodeObject(QStringLiteral("favs"));
    if (favs.metaType().id() == QMetaType::QVariantList) {
        entry->m_favs.emplace();
        for (const QVariant& fav : favs.toList()) {
            if (fav.metaType() != QMetaType::fromType<plat::ArchivedObject>())
                continue;
            if (auto decoded = MivFavsEntryData::initWithCoder(fav.value<plat::ArchivedObject>()))
                entry->m_favs->append(*decoded);
        }
    }
    const QVariant history = coder.decodeObject(QStringLiteral("history"));
    if (history.metaType().id() == QMetaType::QVariantList) {
        entry->m_history.emplace();
        for (const QVariant& url : history.toList()) {
            if (url.metaType().id() == QMetaType::QUrl)
                entry->m_history->append(url.toUrl());
        }
    }
    entry->m_selectedItem = coder.decodeInt64(QStringLiteral("selectedIndex"));
    entry->m_tabMode = coder.decodeBool(QStringLiteral("tabMode2"));
    entry->m_driveMode = coder.decodeBool(QStringLiteral("driveMode"));
    entry->m_pathBarHidden = coder.decodeBool(QStringLiteral("pathbarHidden"));
    return entry;
}
