#pragma once

#include <QColor>
#include <QString>

// One process-wide list of named web colours ("Web"), and lighter and darker
// variants of a colour. The drive and disk level bars take their fills from
// the list by name ("Dark Green", "Fire Brick", ...). Class operations only.
class MivColors
{
public:
    MivColors() = delete;

    // Builds the "Web" list from the built-in table, replacing an earlier one.
    static void createDefaultColorLists();
    // The colour of that exact name (capitals and blanks as written); an
    // invalid QColor for an unknown name. "Black" is not in the list.
    static QColor colorWithName(const QString& name);
    // sRGB components + 0.2 (capped at 1.0); alpha unchanged.
    static QColor lighterColorForColor(const QColor& color);
    // sRGB components - 0.2 (floored at 0.0); alpha unchanged.
    static QColor darkerColorForColor(const QColor& color);
};
