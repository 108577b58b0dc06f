#include "app/panel/MivFilesDataLoader.h"

#include "FileData/MivFileData.h"
#include "FileData/MivListFilesParams.h"
#include "FileData/MivUpFolderData.h"
#include "app/panel/MivFilesViewController.h"
#include "app/panel/MivFlatStructureLoader.h"
#include "app/panel/MivSharedListing.h"
#include "app/settings/MivContext.h"
#include "platform/ParallelFor.h"

#include <typeinfo>

namespace {

// Cocoa's "file not found" on reading: a folder gone while it was listed is
// not worth an alert.
bool isSilentListingError(const plat::Error& error)
{
    return error.domain() == QLatin1String("NSCocoaErrorDomain") && error.code() == 260;
}

} // namespace

MivFilesDataLoader::MivFilesDataLoader(MivFileDataPtr data, MivFileCallback callback)
    : m_data(std::move(data)), m_callback(std::move(callback))
{
}

void MivFilesDataLoader::cancel()
{
    if (isActive())
        setCancelled(true);
}

void MivFilesDataLoader::setCancelled(bool cancelled)
{
    m_cancelled.store(cancelled);
    if (!cancelled)
        return;
    if (const auto walk = m_flatLoader.load())
        walk->abort();
}

QList<MivFileDataPtr> MivFilesDataLoader::processFlatStructure(const QList<MivFileDataPtr>& array,
                                                               MivFilesViewController* panel,
                                                               const MivFileCallback& callback)
{
    auto walk = std::make_shared<MivFlatStructureLoader>(m_data, array, panel->showHidden(), callback);
    m_flatLoader.store(walk);
    // A cancel that came before the walk was stored has not aborted it.
    if (m_cancelled.load())
        walk->abort();
    return walk->resolveFlatStructure();
}

MivListFilesParams MivFilesDataLoader::loadElementsParamsForContext(MivFilesViewController* panel)
{
    MivListFilesParams params(panel->sortData(), panel->showHidden());
    params.setPanel(panel);
    params.setFlat(panel->flatStructure());
    return params;
}

std::optional<std::vector<MivFileDataPtr>> MivFilesDataLoader::loadFilesInContext(MivFilesViewController* panel,
                                                                                  std::optional<plat::Error>& errorToPresent)
{
    struct LoadingScope
    {
        std::atomic<bool>& flag;
        explicit LoadingScope(std::atomic<bool>& f) : flag(f) { flag.store(true); }
        ~LoadingScope() { flag.store(false); }
    } scope(m_loading);
    if (m_cancelled.load() || !panel)
        return std::nullopt;
    auto result = refreshContext(panel, errorToPresent);
    if (m_cancelled.load())
        return std::nullopt;
    return result;
}

void MivFilesDataLoader::handOut(const QList<MivFileDataPtr>& items) const
{
    constexpr std::size_t kSlice = 512;
    plat::parallelForSlices(std::size_t(items.size()), kSlice, [&](std::size_t i) { m_callback(items.at(qsizetype(i))); });
}

std::optional<std::vector<MivFileDataPtr>> MivFilesDataLoader::refreshContext(MivFilesViewController* panel,
                                                                              std::optional<plat::Error>& errorToPresent)
{
    if (const auto walk = m_flatLoader.exchange(nullptr))
        walk->abort();
    if (!m_data)
        return std::vector<MivFileDataPtr>{};
    m_data->refresh();
    QList<MivFileDataPtr> listing;
    const MivListFilesParams params = loadElementsParamsForContext(panel);
    if (m_cancelled.load())
        return std::nullopt;
    const MivFileData& folder = *m_data;
    const QString shareKey = MivSharedListing::keyFor(typeid(folder).name(), m_data->pathKey(), params.hidden(),
                                                      params.flat(), params.sort() ? params.sort()->key : QString());
    bool joined = false;
    MivSharedListing::Outcome outcome = MivSharedListing::run(
        shareKey, m_joinsRunningListing && !params.flat(),
        [&] {
            MivSharedListing::Outcome own;
            own.listed = m_data->listElementsToArray(own.items, params, m_callback, &own.error);
            return own;
        },
        &joined);
    // The callback still sees every child, as a listing of our own would
    // have shown it, in slices on the pool as the listing's workers do.
    if (joined && m_callback)
        handOut(outcome.items);
    const bool listed = outcome.listed;
    const plat::Error error = outcome.error;
    listing = std::move(outcome.items);
    if (!listed) {
        errorToPresent = error;
        return std::nullopt;
    }
    if (!error.isNull()) {
        if (!panel->closed() && !isSilentListingError(error))
            errorToPresent = error;
        return std::nullopt;
    }
    if (params.flat() && !params.flatResolvingSupported()) {
        QList<MivFileDataPtr> flat = processFlatStructure(listing, panel, m_callback);
        if (m_cancelled.load())
            return std::nullopt;
        listing = std::move(flat);
    }
    std::vector<MivFileDataPtr> rows;
    rows.reserve(size_t(listing.size()) + 1);
    for (auto& item : listing)
        rows.push_back(std::move(item));
    if (MivContext::context()->showParentDir()) {
        MivFileDataPtr parent = m_data->uiParent();
        if (!parent)
            parent = m_data->parent();
        if (parent)
            rows.push_back(MivFileData::makeItem<MivUpFolderData>(parent));
    }
    return rows;
}
