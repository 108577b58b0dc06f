#pragma once

#include "FileData/MivFileDataTypes.h"

#include <QList>
#include <QSet>
#include <QString>

#include <atomic>
#include <vector>

// Builds a flat listing (every file of a folder tree, no folders) from the
// ordinary listings of a back end that cannot flatten by itself. Runs on the
// listing's thread; abort() may come from any thread and stops the walk before
// its next item.
//
// Each folder is walked once, remembered by what tells it apart whatever
// path reached it: its file identity, and its real path (a link's resolved
// target). A link back to an ancestor therefore ends the walk instead of
// giving ever longer paths. A folder without an identity is remembered by
// its paths, which a link loop the back end does not report never repeats:
// such a folder is not entered when its listing is the listing of a folder
// it lies in (the same names, kinds, sizes and dates: that folder again,
// reached through a link), nor below kMaxDepthWithoutIdentity levels.
class MivFlatStructureLoader
{
public:
    static constexpr int kMaxDepthWithoutIdentity = 64;

    // The folder is the one whose listing filesArray is; only the keys it is
    // remembered by are kept, so that a link back to it is not walked.
    MivFlatStructureLoader(const MivFileDataPtr& context, QList<MivFileDataPtr> filesArray, bool withHidden,
                           MivFileCallback entryCallback);

    // Walks source() afresh and answers the files found, in walk order: each
    // folder's elements in listing order, a subfolder's files at its place.
    // An aborted walk answers what it found so far.
    QList<MivFileDataPtr> resolveFlatStructure();
    // Adds the files under the given elements to the current result.
    void resolveFlatStructure(const QList<MivFileDataPtr>& array);

    void abort() { m_aborted.store(true); }
    bool aborted() const { return m_aborted.load(); }
    const QList<MivFileDataPtr>& source() const { return m_source; }
    bool processHidden() const { return m_processHidden; }

private:
    struct Level;

    // Lists a folder not walked before; false when it is skipped (walked
    // already, too deep without identity, or its listing failed). Identified
    // tells whether the folder has a file identity.
    bool listFolder(const MivFileDataPtr& folder, int depth, QList<MivFileDataPtr>& children, bool& identified);
    // The listing is the listing of a folder on the walk's current path.
    static bool listsAnAncestor(std::vector<Level>& ancestors, Level& listed);
    // The keys the folder is remembered by: its identity, real path and path
    // key, each where it has one. Identified tells whether it has an identity.
    static QStringList folderKeys(const MivFileData& folder, bool& identified);

    std::atomic<bool> m_aborted{false};
    // The walk's own state: one walk at a time, on the listing's thread.
    QSet<QString> m_processedKeys;
    QList<MivFileDataPtr> m_resultArray;
    QStringList m_contextKeys;
    const MivFileCallback m_callback;
    const bool m_processHidden;
    const QList<MivFileDataPtr> m_source;
};
