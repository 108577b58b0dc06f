#pragma once

#include "platform/ArchivedObject.h"
#include "platform/Color.h"
#include "platform/RegularExpression.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <memory>
#include <optional>

// One colouring rule of a colour scheme: name wildcards, the text colour and
// an optional permission wildcard. The compiled patterns are derived and
// never stored.
struct MivColorDef
{
    static constexpr const char* kClassName = "MivColorDef";

    QString definition;
    plat::Color color;
    QString attributes;

    // Compiled by calculatePattern; shared, since a rule is copied by value
    // and one compiled expression serves every thread.
    QList<std::shared_ptr<const plat::RegularExpression>> regexs;
    std::shared_ptr<const plat::RegularExpression> attrsRegex;

    // Each comma-separated wildcard of the definition becomes a
    // case-insensitive expression matching a whole name; a non-empty
    // attributes wildcard becomes attrsRegex the same way, else it is none.
    void calculatePattern();

    plat::ArchivedObject encodeWithCoder() const;
    static std::optional<MivColorDef> initWithCoder(const plat::ArchivedObject& object);

    // Rules are equal by what is stored; the compiled patterns derive from it.
    bool operator==(const MivColorDef& other) const
    {
        return definition == other.definition && color == other.color && attributes == other.attributes;
    }
};

Q_DECLARE_METATYPE(MivColorDef)
