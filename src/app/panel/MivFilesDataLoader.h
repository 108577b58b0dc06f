#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QList>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class MivFilesViewController;
class MivFlatStructureLoader;
class MivListFilesParams;

// The listing of one folder for one panel. Cancelling makes it inactive at
// once and its answer null; the back end's listing call itself is not
// interrupted, the loader looks before and after it.
class MivFilesDataLoader
{
public:
    MivFilesDataLoader(MivFileDataPtr data, MivFileCallback callback);

    // Null when cancelled (before or after the back end's listing) or when the
    // listing failed. The panel holds its load lock meanwhile, so an error to
    // show goes to errorToPresent and the panel presents it after release.
    std::optional<std::vector<MivFileDataPtr>> loadFilesInContext(MivFilesViewController* panel,
                                                                  std::optional<plat::Error>& errorToPresent);

    bool isActive() const { return m_loading.load() && !m_cancelled.load(); }
    bool cancelled() const { return m_cancelled.load(); }
    bool loading() const { return m_loading.load(); }
    void cancel();
    // Also aborts a flat walk that is running.
    void setCancelled(bool cancelled);
    MivFileDataPtr data() const { return m_data; }
    // Whether this listing may take the answer of a listing of the same
    // folder another panel runs at this moment (for a folder being opened,
    // never for a refresh; see MivSharedListing).
    void setJoinsRunningListing(bool joins) { m_joinsRunningListing = joins; }

    static MivListFilesParams loadElementsParamsForContext(MivFilesViewController* panel);

    // The flat listing of a back end that does not flatten by itself, walked
    // from the first-level listing.
    QList<MivFileDataPtr> processFlatStructure(const QList<MivFileDataPtr>& array, MivFilesViewController* panel,
                                               const MivFileCallback& callback);

private:
    // Gives the callback each child of a listing joined from another panel.
    void handOut(const QList<MivFileDataPtr>& items) const;
    std::optional<std::vector<MivFileDataPtr>> refreshContext(MivFilesViewController* panel,
                                                              std::optional<plat::Error>& errorToPresent);

    const MivFileDataPtr m_data;
    const MivFileCallback m_callback;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_loading{false};
    bool m_joinsRunningListing = false;  // set before the listing starts
    // Set on the listing's thread, aborted from any thread.
    std::atomic<std::shared_ptr<MivFlatStructureLoader>> m_flatLoader;
};
