#pragma once

#include <QString>

namespace plat {

// One sort criterion: the property key as the item classes know it ("name",
// "extenssion", "size", "modificationDate", "sortKey", …), the direction and
// how texts are compared.
struct SortDescriptor
{
    enum class Comparison {
        Default,            // values compared as they are (texts by code point)
        Literal,            // texts by code point, case-sensitive
        LocalizedStandard,  // ICU collator, case-insensitive, numeric ordering
    };

    QString key;
    bool ascending = true;
    Comparison comparison = Comparison::Default;

    // The order of two texts under this descriptor: negative, zero or
    // positive as a goes before, with or after b, by the comparison kind and
    // reversed when descending.
    int compare(const QString& a, const QString& b) const;

    bool operator==(const SortDescriptor& other) const = default;
};

} // namespace plat
