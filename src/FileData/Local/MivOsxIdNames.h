#pragma once

#include <QString>

// Owner and group texts of local items, "name (id)" as the item shows them,
// from a process-wide cache keyed by id. Every item of one owner shares the
// same string, and the user and group databases are asked once per id.
class MivOsxIdNames
{
public:
    MivOsxIdNames() = delete;

    // The user's name, a blank and the id in parentheses; an unknown id has
    // an empty name, so the text then begins with the blank.
    static QString userText(quint32 uid);
    static QString groupText(quint32 gid);
    // The bare names ("" for unknown ids).
    static QString userName(quint32 uid);
    static QString groupName(quint32 gid);
};
