#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/Error.h"

#include <QList>
#include <QString>

#include <functional>

// The folder listings panels are running at this moment, so that a panel
// opening a folder another panel is listing takes that listing's answer
// instead of reading the folder a second time: both sides start on the same
// folder, for one, and each listing of a large folder is most of the wait.
//
// Only a panel opening a folder joins. A refresh must see the folder as it
// is after the change that asked for it, which a listing begun before that
// change may not; it lists for itself, as does a panel whose key matches no
// running listing. A listing that fails or throws is never handed on: those
// waiting for it list for themselves.
class MivSharedListing
{
public:
    struct Outcome
    {
        bool listed = false;
        plat::Error error;
        QList<MivFileDataPtr> items;
    };
    using List = std::function<Outcome()>;

    // Runs `list` for the key and hands its outcome to those who joined it
    // meanwhile; or, when `join` is true and a listing for the key is
    // running, waits for it and answers its outcome (*joined set). An empty
    // key shares nothing.
    static Outcome run(const QString& key, bool join, const List& list, bool* joined = nullptr);

    // The key of a folder's listing with the given options; empty (nothing
    // shared) without a path key. The kind is the folder item's class: a
    // virtual folder may carry the path of a real one.
    static QString keyFor(const char* kind, const QString& pathKey, bool hidden, bool flat, const QString& sortKey);

    // How many callers wait for another's listing right now (for tests).
    static int waitingForTesting();
};
