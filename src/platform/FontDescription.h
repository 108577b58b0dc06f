#pragma once

#include <QMetaType>
#include <QString>

namespace plat {

// A font as settings keep it: the family and the point size. Widgets turn it
// into a QFont; the model never needs one.
struct FontDescription
{
    QString family;
    double pointSize = 0;

    bool operator==(const FontDescription& other) const = default;
};

} // namespace plat

Q_DECLARE_METATYPE(plat::FontDescription)
