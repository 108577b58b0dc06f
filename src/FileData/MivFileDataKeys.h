#pragma once

#include "FileData/MivFileDataTypes.h"
#include "platform/SortDescriptor.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

class MivFileData;

// The one table from the property keys that sort descriptors, column
// configurations and lazy loading name ("name", "extenssion", "size",
// "modificationDate", "sortKey", …) to the item's getter and to the way its
// values order. Sorting turns a value into a byte key once per row, so a sort
// of many rows compares bytes and never collates.
class MivFileDataKeys
{
public:
    enum class ValueKind {
        Text,
        Number,
        Date,
    };

    struct Entry
    {
        const char* key;
        ValueKind kind;
        QString (*text)(const MivFileData& item);      // Text
        qint64 (*number)(const MivFileData& item);     // Number and Date (milliseconds; absent = lowest)
    };

    // The entry for a key ("self.name" and "name" alike), or null for a key
    // the items do not have (such as the virtual "##virt##").
    static const Entry* entryForKey(const QString& key);

    // The item's value for a key: a text, a number or a date; null for an
    // unknown key or an absent date.
    static QVariant valueForKey(const MivFileData& item, const QString& key);

    // A byte key that orders as the descriptor's comparison orders the
    // item's values, ascending (the caller reverses for descending): ICU sort
    // keys for the localized comparison, UTF-16 code units for the literal
    // one (after canonical decomposition for the default one), numbers
    // big-endian with the sign flipped. Empty for an unknown key, so such a
    // key leaves every row equal.
    static QByteArray sortKey(const MivFileData& item, const plat::SortDescriptor& descriptor);
    static QByteArray textSortKey(const QString& text, plat::SortDescriptor::Comparison comparison);
    static QByteArray numberSortKey(qint64 value);
};
