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

    bool operator==(const SortDescriptor& other) const = default;
};

} // namespace plat
