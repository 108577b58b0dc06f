#pragma once

#include <QVariant>

// Turns the settings' in-memory values into archive values and back. The
// general store and the colour schemes hold the program's own coded objects
// (colouring rules, tools, favourites, shortcuts) beside property-list
// values; this is the one place that knows which classes those are.
class MivArchiveCoding
{
public:
    // Coded objects become plat::ArchivedObject, lists and dictionaries are
    // walked; every other value passes unchanged.
    static QVariant toArchive(const QVariant& value);
    // The reverse: archived objects of known classes become their values;
    // objects of unknown classes stay archived objects, so a later version's
    // values survive a round trip through this one.
    static QVariant fromArchive(const QVariant& value);
};
